#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/HighContrast.h"
#include "engine/ChosenFolder.h"
#include "engine/FileNamePattern.h"
#include "engine/OutputNaming.h"
#include "mainwindow/MainWindowLinks.h"
#include "mainwindow/TabItemDialogEffect.h"
#include "mainwindow/TabItemDialogImageSize.h"
#include "mainwindow/TabItemDialogSave.h"
#include "tests/mainwindow/PageTestHost.h"
#include "toolkit/ControlLayout.h"

namespace {

using SizePage = PageTest;
using SavePage = PageTest;
using EffectPage = PageTest;

// The three parameter pages on the stand-in main window, made after the record was set up.
struct Pages {
  Pages(HWND mainWindow, MainWindowLinks& links) {
    created = size.Create(mainWindow, links) != nullptr && effect.Create(mainWindow, links) != nullptr &&
              save.Create(mainWindow, links) != nullptr;
  }
  TabItemDialogImageSize_CL size;
  TabItemDialogEffect_CL effect;
  TabItemDialogSave_CL save;
  bool created = false;
};
using ParameterPages = PageTest;

// Index of the only checked radio button among the size choices, -1 when none or several.
int CheckedSize(const TabItemDialogImageSize_CL& page) {
  int found = -1;
  for (size_t i = 0; i < page.sizeChoices.size(); ++i) {
    if (!Checked(page.sizeChoices[i].radio)) continue;
    if (found != -1) return -1;
    found = static_cast<int>(i);
  }
  return found;
}

int CheckedType(const TabItemDialogImageSize_CL& page) {
  int found = -1;
  for (size_t k = 0; k < page.typeRadios.size(); ++k) {
    if (!Checked(page.typeRadios[k])) continue;
    if (found != -1) return -1;
    found = static_cast<int>(k);
  }
  return found;
}

bool GroupEnabled(const EffectControls& group, bool enabled) {
  const ControlBase_CL* const all[] = {group.frame,       group.noneRadio,     group.monoRadio,
                                       group.sepiaRadio,  group.brightCheck,   group.contrastCheck,
                                       group.brightSlider, group.contrastSlider};
  for (const ControlBase_CL* control : all) {
    if (Enabled(control) != enabled) return false;
  }
  return true;
}

void ExpectShows(const EffectControls& group, const EffectParams& values) {
  EXPECT_EQ(Checked(group.noneRadio), values.EffectRadioIndex == ColourEffect::None);
  EXPECT_EQ(Checked(group.monoRadio), values.EffectRadioIndex == ColourEffect::GreyScale);
  EXPECT_EQ(Checked(group.sepiaRadio), values.EffectRadioIndex == ColourEffect::Sepia);
  EXPECT_EQ(Checked(group.brightCheck), values.CheckBriteness);
  EXPECT_EQ(Checked(group.contrastCheck), values.CheckContrast);
  EXPECT_EQ(SliderPosition(group.brightSlider), values.ValueBriteness);
  EXPECT_EQ(SliderPosition(group.contrastSlider), values.ValueContrast);
}

std::wstring ToolTipOf(const TabItemDialogImageSize_CL& page, HWND control) {
  wchar_t tip[128] = {};
  TOOLINFOW query{};
  query.cbSize = TTTOOLINFOW_V2_SIZE;
  query.hwnd = control;
  query.uId = 1;
  query.lpszText = tip;
  SendMessageW(page.tips.hwnd, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&query));
  return tip;
}

class EffectPageWithPhotos : public PageTest {
protected:
  void SetUp() override {
    PageTest::SetUp();
    settings.items.resize(2);
    settings.items[0].path = L"C:\\photos\\a.jpg";
    settings.items[1].path = L"C:\\photos\\b.jpg";
    settings.items[1].ownEffect = 1;
    settings.items[1].effect = EffectParams{ColourEffect::GreyScale, true, 90, true, 40};
    ASSERT_NE(page.Create(mainWindow.hwnd, links), nullptr);
  }
  TabItemDialogEffect_CL page;
};

// Shown by its own style, whether or not its page is the one on top.
bool Shown(const ControlBase_CL* control) {
  return control && (GetWindowLongW(control->hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

}  // namespace

// ---- what every page shares ----

TEST_F(ParameterPages, FirstStartShowsEveryControlsDefaultWithoutAskingForARefresh) {
  const Pages pages(mainWindow.hwnd, links);
  ASSERT_TRUE(pages.created);
  const TabItemDialogImageSize_CL& size = pages.size;
  const TabItemDialogEffect_CL& effect = pages.effect;
  const TabItemDialogSave_CL& save = pages.save;
  ASSERT_EQ(size.typeRadios.size(), 6u);
  ASSERT_EQ(size.sizeChoices.size(), 13u);

  struct Shown {
    const ControlBase_CL* control;
    const wchar_t* text;  // null: not looked at
    int checked;          // -1: not a button
  };
  const Shown table[] = {
      {size.typeRadios[0], L"変換前の拡張子を維持する(&K)", 1},
      {size.typeRadios[4], L"全てwebpにする(&W)", 0},
      {size.typeRadios[5], L"全てavifにする(&V)", 0},
      {size.sizeChoices[3].radio, L"800 x 600(&4)", 1},
      {size.sizeChoices[5].radio, L"480 x 480(&6)", 0},
      {size.sizeChoices[9].radio, L"指定サイズ(&Z)", 0},
      {size.sizeChoices[10].radio, L"サイズ変更無し(&N)", 0},
      {size.sizeChoices[11].radio, L"長辺を指定(&L)", 0},
      {size.sizeChoices[12].radio, L"元のサイズの(&O)", 0},
      {size.widthEdit, L"320", -1},
      {size.heightEdit, L"240", -1},
      {size.longEdgeEdit, L"1600", -1},
      {size.scaleEdit, L"50", -1},
      {size.percentLabel, L"%", -1},
      {size.noEnlargeCheck, L"小さい写真は拡大しない(&E)", 0},  // small photos are enlarged unless asked
      {size.sharpenCheck, L"縮小後にくっきりさせる(&H)", 0},
      {size.fillCheck, L"切り抜いてぴったりにする(&F)", 0},
      {size.centreRadio, L"中央(&C)", 1},
      {size.attentionRadio, L"見どころ(&A)", 0},
      {effect.allRadio, L"全ての写真にエフェクトをかける(&A)", 1},
      {effect.photoRadio, L"この写真にエフェクトをかける(&P)", 0},
      {effect.allGroup.noneRadio, L"そのまま(&N)", 1},
      {effect.allGroup.sepiaRadio, L"セピア調(&E)", 0},
      {effect.allGroup.brightCheck, L"写真の明るさ(1.00)(&B)", 0},
      {effect.allGroup.contrastCheck, L"コントラスト(0.00)(&C)", 0},
      {effect.photoGroup.brightCheck, L"写真の明るさ(1.00)(&R)", 0},
      {save.desktopRadio, nullptr, 0},
      {save.besideSourceRadio, L"元ファイルの場所にフォルダを作成(&B)", 1},
      {save.folderEdit, L"Resized", -1},
      {save.prefixCheck, nullptr, 0},
      {save.suffixCheck, nullptr, 0},
      {save.prefixEdit, L"s_", -1},
      {save.suffixEdit, L"_s", -1},
      {save.qualityRadio, L"JPEG量子化率を指定(80)(&Q)", 1},
      {save.fileSizeRadio, nullptr, 0},
      {save.fileSizeEdit, L"100", -1},
      {save.kbyteLabel, L"KByte", -1},
      {save.keepMetadataCheck, L"撮影情報(EXIF)を残す(&X)", 1},  // the shooting data is kept unless asked
      {save.removeGpsCheck, L"位置情報を消す(&G)", 0},
      {save.keepTimeCheck, L"更新日時を元の写真と同じにする(&T)", 1},  // outputs keep their photos' dates
      {save.exifTimeCheck, L"撮影日時にする(&E)", 0},
      {save.replaceRadio, L"元の写真を置き換える（元はごみ箱へ）(&O)", 0},
      {save.neverLargerCheck, L"元より大きくしない(&A)", 1},  // no output larger than its photo
  };
  for (const Shown& row : table) {
    SCOPED_TRACE(testing::PrintToString(row.control->GetText()));
    if (row.text) {
      EXPECT_EQ(TextOf(row.control), row.text);
    }
    if (row.checked >= 0) {
      EXPECT_EQ(Checked(row.control), row.checked == 1);
    }
  }
  EXPECT_EQ(CheckedSize(size), 3);
  EXPECT_EQ(CheckedType(size), 0);
  EXPECT_TRUE(Enabled(size.fillCheck));
  EXPECT_FALSE(Enabled(size.attentionRadio)) << "no anchor while the crop is off";
  EXPECT_EQ(ToolTipOf(size, size.typeRadios[0]->hwnd), L"HEIC・HEIF の写真は JPEG (.jpg) で保存します")
      << "there is no HEIC encoder";
  ExpectShows(effect.allGroup, EffectParams{});
  ExpectShows(effect.photoGroup, EffectParams{});
  EXPECT_TRUE(GroupEnabled(effect.allGroup, true));
  EXPECT_TRUE(GroupEnabled(effect.photoGroup, false));
  EXPECT_EQ(SliderPosition(save.qualitySlider), 80);

  EXPECT_EQ(settings.outputWidth, 320) << "filling the boxes at creation is not typing";
  EXPECT_EQ(settings.ValueAddFileNameTop, L"s_");
  EXPECT_EQ(settings.ResizeRadioIndex, SizeChoice::Box800x600);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);
}

TEST_F(ParameterPages, EveryControlWritesItsFieldAndAsksForOneRefreshWhichSavesIt) {
  Pages pages(mainWindow.hwnd, links);
  ASSERT_TRUE(pages.created);
  TabItemDialogImageSize_CL& size = pages.size;
  TabItemDialogEffect_CL& effect = pages.effect;
  TabItemDialogSave_CL& save = pages.save;
  const ConvertSettings& data = settings;

  const std::string fileBefore = ReadFileBytes(iniPath);
  // Every page's own table of yes/no rows: each row's check box exists with its id and text,
  // a click turns its field over and greys what it greys, asks for one refresh and writes
  // nothing itself; a second click turns it back.
  for (const ParameterPage_CL* page : {static_cast<const ParameterPage_CL*>(&size),
                                       static_cast<const ParameterPage_CL*>(&effect),
                                       static_cast<const ParameterPage_CL*>(&save)}) {
    for (const SwitchRow& row : page->Switches()) {
      SCOPED_TRACE(testing::PrintToString(std::wstring(row.text)));
      const CheckBox_CL* const check = page->SwitchControl(row.id);
      ASSERT_NE(check, nullptr);
      EXPECT_EQ(GetDlgItem(page->hwnd, row.id), check->hwnd);
      EXPECT_EQ(TextOf(check), row.text);
      EXPECT_EQ(Checked(check), row.get(data));
      EnableWindow(check->hwnd, TRUE);  // greyed by a choice of another row's
      for (const bool turned : {!row.get(data), row.get(data)}) {
        Click(check);
        EXPECT_EQ(row.get(data), turned);
        if (row.greys != 0) {
          EXPECT_EQ(IsWindowEnabled(GetDlgItem(page->hwnd, row.greys)) != FALSE, turned);
        }
        EXPECT_EQ(mainWindow.TakeRefreshes(), 1);
        windowState.refreshPending = false;  // as the main window does when it handles it
      }
    }
  }
  EXPECT_EQ(ReadFileBytes(iniPath), fileBefore) << "the refresh saves the settings, not the click";
  EXPECT_TRUE(Enabled(save.removeGpsCheck)) << "shooting data kept again";

  struct Change {
    const char* what;
    std::function<void()> act;
    std::function<bool()> written;
    const wchar_t* iniKey;  // not written by the click: the refresh saves it
    bool onEveryCommand = false;  // asks for a refresh whether or not one is pending
  };
  const Change table[] = {
      {"fill", [&] { Click(size.fillCheck); }, [&] { return data.CropToFill == FitOrFill::Fill && Enabled(size.attentionRadio); },
       L"CropToFill"},
      {"fill anchor", [&] { Click(size.attentionRadio); },
       [&] { return data.CropAnchor == FillAnchor::Attention && !Checked(size.centreRadio); }, L"CropAnchor"},
      {"size button", [&] { Click(size.sizeChoices[10].radio); }, [&] { return data.ResizeRadioIndex == SizeChoice::Keep; },
       L"ResizeRadioIndex"},
      {"size without a box greys the fill",
       [&] { Click(size.sizeChoices[static_cast<size_t>(SizeChoice::Percent)].radio); },
       [&] { return !Enabled(size.fillCheck) && !Enabled(size.attentionRadio) && Checked(size.attentionRadio); },
       L"ResizeRadioIndex"},
      {"brightness slider",
       [&] { DragSlider(effect.allGroup.brightSlider, 75); },
       [&] {
         return data.globalEffect.ValueBriteness == 75 && TextOf(effect.allGroup.brightCheck) == L"写真の明るさ(1.50)(&B)";
       },
       L"ValueBriteness"},
      {"contrast key",
       [&] { PressKeyOn(effect.allGroup.contrastSlider, VK_END); },
       [&] {
         return data.globalEffect.ValueContrast == 100 && TextOf(effect.allGroup.contrastCheck) == L"コントラスト(2.00)(&C)";
       },
       L"ValueContrast"},
      {"effect button", [&] { Click(effect.allGroup.monoRadio); }, [&] { return data.globalEffect.EffectRadioIndex == ColourEffect::GreyScale; },
       L"EffectRadioIndex", true},
      {"folder place",
       [&] { Click(save.desktopRadio); },
       [&] { return data.SaveDirTypeIndex == OutputPlace::Desktop && !Checked(save.besideSourceRadio); }, L"SaveDirTypeIndex"},
      {"prefix text", [&] { ReplaceText(save.prefixEdit, L"小_"); },
       [&] { return data.ValueAddFileNameTop == L"小_"; }, L"ValueAddFileNameTop"},
      {"suffix text emptied", [&] { ReplaceText(save.suffixEdit, L""); },
       [&] { return data.ValueAddFileNameBottom.empty(); }, L"ValueAddFileNameBottom"},
      {"file name pattern, refused, greys the prefix and the suffix",
       [&] { ReplaceText(save.patternEdit, L"{n:99}"); },
       [&] {
         return data.FileNamePattern == L"{n:99}" && !Enabled(save.prefixCheck) && !Enabled(save.suffixEdit) &&
                TextOf(save.patternLine) == PatternProblemText(PatternProblem::NumberTooWide);
       },
       L"FileNamePattern"},
      {"file name pattern emptied", [&] { ReplaceText(save.patternEdit, L""); },
       [&] { return data.FileNamePattern.empty() && Enabled(save.prefixEdit) && TextOf(save.patternLine).empty(); },
       L"FileNamePattern"},
      {"folder name", [&] { ReplaceText(save.folderEdit, L"出力 2024"); },
       [&] { return data.MakeFolder == L"出力 2024"; }, L"MakeFolder"},
      {"chosen folder",
       [&] { Click(save.chosenFolderRadio); },
       [&] {
         return data.SaveDirTypeIndex == OutputPlace::ChosenFolder && !Checked(save.desktopRadio) && Shown(save.chosenFolderEdit) &&
                !Shown(save.folderEdit) && TextOf(save.folderLabel) == L"保存先フォルダ(&N)";
       },
       L"SaveDirTypeIndex"},
      {"chosen folder's path", [&] { ReplaceText(save.chosenFolderEdit, L"E:\\小さく"); },
       [&] { return data.OutputFolder == L"E:\\小さく"; }, L"OutputFolder"},
      {"quality by file size",
       [&] { Click(save.fileSizeRadio); },
       [&] { return data.JpegQualityTypeIndex == QualityMode::TargetSize && !Checked(save.qualityRadio); }, L"JpegQualityTypeIndex"},
      {"file size", [&] { ReplaceText(save.fileSizeEdit, L"-250"); }, [&] { return data.JpegFileSize == -250; },
       L"JpegFileSize"},
      {"replace the photos",
       [&] { Click(save.replaceRadio); },
       [&] {
         return data.SaveDirTypeIndex == OutputPlace::ReplaceSource && !Checked(save.chosenFolderRadio) &&
                !IsWindowEnabled(save.folderEdit->hwnd);
       },
       L"SaveDirTypeIndex"},
      {"strict size limit", [&] { Click(save.strictSizeCheck); },
       [&] { return data.TargetStrict == 1 && IsWindowEnabled(save.strictSizeCheck->hwnd); }, L"TargetStrict"},
      {"quality slider",
       [&] { DragSlider(save.qualitySlider, 55); },
       [&] { return data.JpegQuantization == 55 && TextOf(save.qualityRadio) == L"JPEG量子化率を指定(55)(&Q)"; },
       L"JpegQuantization"},
  };
  for (const Change& row : table) {
    SCOPED_TRACE(row.what);
    row.act();
    EXPECT_TRUE(row.written());
    if (row.onEveryCommand) {
      EXPECT_GE(mainWindow.TakeRefreshes(), 1);
    } else {
      EXPECT_EQ(mainWindow.TakeRefreshes(), 1);
    }
    EXPECT_EQ(IniInt(row.iniKey), -12345) << "the refresh saves it, not the click";
    windowState.refreshPending = false;  // as the main window does when it handles it
  }

  // A path a folder cannot be made at is said under the box and not taken.
  ReplaceText(save.chosenFolderEdit, L"小さく");
  EXPECT_EQ(TextOf(save.folderProblemLabel), ChosenFolderProblemText(ChosenFolderProblem::NotAbsolute));
  EXPECT_EQ(settings.OutputFolder, L"E:\\小さく");
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);

  Click(size.sizeChoices[0].radio);
  Click(save.besideSourceRadio);
  EXPECT_EQ(settings.ResizeRadioIndex, SizeChoice::Box1600x1200);
  EXPECT_EQ(settings.SaveDirTypeIndex, OutputPlace::BesideSource);
  EXPECT_TRUE(Shown(save.folderEdit)) << "the folder name's box is back";
  EXPECT_FALSE(Checked(save.chosenFolderRadio));
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1) << "two changes before the refresh";
  EXPECT_EQ(windowState.refreshPending, 1);
  EXPECT_EQ(windowState.photoEffect.ValueContrast, 0) << "the lower effect group's defaults are never written";
}

TEST_F(ParameterPages, StartButtonOnEveryPageAsksTheMainWindowToConvert) {
  Pages pages(mainWindow.hwnd, links);
  ASSERT_TRUE(pages.created);
  struct Page {
    HWND hwnd;
    bool refreshesOnEveryCommand;  // the effect page asks for one on any command
  };
  for (const Page page : {Page{pages.size.hwnd, false}, Page{pages.effect.hwnd, true}, Page{pages.save.hwnd, false}}) {
    PutStartButtonOn(page.hwnd);
    Click(links.convertButton);
    EXPECT_EQ(mainWindow.TakeConvertCommands(), 1);
    const int refreshes = mainWindow.TakeRefreshes();
    if (!page.refreshesOnEveryCommand) {
      EXPECT_EQ(refreshes, 0);
    }
  }
}

// ---- the size page ----

TEST_F(SizePage, LongEdgeAndPercentBoxesChooseTheirSizesAndTakeOnlyNumbersInRange) {
  settings.ResizeRadioIndex = SizeChoice::Percent;
  settings.ScalePercent = 30;
  settings.Sharpen = true;
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd, links), nullptr);
  EXPECT_EQ(CheckedSize(page), 12);
  EXPECT_EQ(TextOf(page.scaleEdit), L"30");
  EXPECT_TRUE(Checked(page.sharpenCheck));

  ReplaceText(page.longEdgeEdit, L"");
  mainWindow.TakeRefreshes();
  TypeInto(page.longEdgeEdit, L"2000");
  EXPECT_EQ(CheckedSize(page), 11) << "typing a long edge chooses it, the other buttons go out";
  EXPECT_EQ(settings.ResizeRadioIndex, SizeChoice::LongEdge);
  EXPECT_EQ(settings.LongEdge, 2000);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 4) << "one refresh per keystroke";

  ReplaceText(page.scaleEdit, L"0");
  ReplaceText(page.scaleEdit, L"401");
  EXPECT_EQ(settings.ScalePercent, 30) << "outside 1..400: the last good number stays";
  EXPECT_EQ(settings.ResizeRadioIndex, SizeChoice::LongEdge);
  ReplaceText(page.scaleEdit, L"75");
  EXPECT_EQ(settings.ScalePercent, 75);
  EXPECT_EQ(CheckedSize(page), 12);

  Click(page.sizeChoices[11].radio);
  EXPECT_EQ(CheckedSize(page), 11);
  EXPECT_EQ(settings.ResizeRadioIndex, SizeChoice::LongEdge);
  Click(page.sizeChoices[3].radio);
  EXPECT_EQ(CheckedSize(page), 3) << "the later buttons share the group of the first ones";

  mainWindow.TakeRefreshes();
  windowState.refreshPending = false;
  Click(page.sharpenCheck);
  EXPECT_EQ(settings.Sharpen, 0);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1);
}

TEST_F(SizePage, TypingAWidthChoosesTheCustomSizeAndRefreshesAtEveryKeystroke) {
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd, links), nullptr);
  ReplaceText(page.widthEdit, L"");  // the user selects the old text and deletes it
  mainWindow.TakeRefreshes();
  windowState.refreshPending = true;  // a refresh already waiting does not hold keystrokes back

  TypeInto(page.widthEdit, L"1000");
  EXPECT_EQ(CheckedSize(page), 9);
  EXPECT_EQ(settings.ResizeRadioIndex, SizeChoice::Custom);
  EXPECT_EQ(settings.outputWidth, 1000);
  EXPECT_EQ(settings.outputHeight, 240);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 4);

  ReplaceText(page.heightEdit, L"-5");
  EXPECT_EQ(settings.outputHeight, -5);
  ReplaceText(page.heightEdit, L"1a");
  EXPECT_EQ(settings.outputHeight, 59) << "every character counts as a digit";
  ReplaceText(page.widthEdit, L"");
  EXPECT_EQ(settings.outputWidth, 0);
  EXPECT_EQ(CheckedSize(page), 9);
}

TEST_F(SizePage, OutputTypeIsSavedAtOnceWithoutRefresh) {
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd, links), nullptr);
  ASSERT_EQ(IniInt(L"OutputImageType"), -12345) << "nothing written before the click";

  Click(page.typeRadios[2]);
  EXPECT_EQ(settings.OutputImageType, kAllPng);
  EXPECT_EQ(IniInt(L"OutputImageType"), 2);
  EXPECT_EQ(CheckedType(page), 2);
  Click(page.typeRadios[5]);
  EXPECT_EQ(settings.OutputImageType, kAllAvif);
  EXPECT_EQ(IniInt(L"OutputImageType"), 5);
  EXPECT_EQ(CheckedType(page), 5);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);
  EXPECT_EQ(windowState.refreshPending, 0);
}

TEST_F(SizePage, StoredWebpChoiceAndNoEnlargeAreShown) {
  settings.OutputImageType = kAllWebp;
  settings.NoEnlarge = true;
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd, links), nullptr);
  EXPECT_EQ(CheckedType(page), 4);
  EXPECT_TRUE(Checked(page.noEnlargeCheck));
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);
}

TEST_F(SizePage, LayoutPutsTheCustomBoxesOnTheRowOfTheirButton) {
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd, links), nullptr);
  MoveWindow(page.hwnd, 0, 0, 400, 600, TRUE);
  const LayoutMetrics m = SubClassDialogBase_CL::ClientLayout(page.hwnd);
  const RECT custom = RectInParent(*page.sizeChoices[9].radio);
  const RECT width = RectInParent(*page.widthEdit);
  const RECT height = RectInParent(*page.heightEdit);
  const RECT times = RectInParent(*page.timesLabel);
  const RECT group = RectInParent(*page.sizeGroup);
  const int groupTop = m.unitHeight / 2 + 6 * m.unitHeight;  // below four rows of type buttons

  EXPECT_EQ(custom.left, m.unitWidth);
  EXPECT_EQ(custom.top, groupTop + m.unitHeight / 2 + 6 + 9 * (m.unitHeight + 4));
  EXPECT_EQ(width.left, custom.left + 6 * m.unitWidth);
  EXPECT_EQ(height.left, custom.left + 10 * m.unitWidth);
  EXPECT_EQ(width.top, custom.top - 2);
  EXPECT_EQ(height.top, custom.top - 2);
  EXPECT_EQ(times.left, width.right + (height.left - width.right - m.unitWidth / 2) / 2)
      << "the x is centred in the gap between the boxes";
  EXPECT_EQ(times.top, custom.top - 2);
  EXPECT_EQ(group.top, groupTop);
  EXPECT_EQ(group.right - group.left, 400 - m.unitWidth / 2);
  EXPECT_EQ(group.bottom - group.top, 18 * (m.unitHeight + 4));
}

TEST(ProblemText, IsARedReadableOnItsBackgroundAndTheUsersTextColourWithHighContrast) {
  const COLORREF backgrounds[] = {GetSysColor(COLOR_BTNFACE), RGB(240, 240, 240), RGB(212, 208, 200),
                                  RGB(192, 192, 192), RGB(255, 255, 255), RGB(128, 128, 128), RGB(0, 0, 0)};
  for (const COLORREF background : backgrounds) {
    SCOPED_TRACE(background);
    const COLORREF shown = ProblemTextColour(false, background, RGB(0, 0, 0));
    EXPECT_GE(ContrastRatio(shown, background), 4.5);
    if (ContrastRatio(background, RGB(255, 255, 255)) < 2.0) {
      EXPECT_GT(GetRValue(shown), 2 * GetGValue(shown) + 40) << "still red on a light background";
    }
    EXPECT_EQ(ProblemTextColour(true, background, RGB(255, 255, 0)), RGB(255, 255, 0));
  }
}

TEST_F(SizePage, EveryButtonLiesInsideItsFrameAndTheFramesDoNotOverlap) {
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd, links), nullptr);
  MoveWindow(page.hwnd, 0, 0, 400, 600, TRUE);
  const LayoutMetrics m = SubClassDialogBase_CL::ClientLayout(page.hwnd);
  const RECT types = RectInParent(*page.typeGroup);
  const RECT sizes = RectInParent(*page.sizeGroup);
  const auto expectInside = [](const RECT& frame, const ControlBase_CL* control) {
    const RECT r = RectInParent(*control);
    EXPECT_GT(r.top, frame.top) << control->GetText();
    EXPECT_LT(r.bottom, frame.bottom) << control->GetText();
  };
  for (const RadioButton_CL* radio : page.typeRadios) expectInside(types, radio);
  for (const auto& choice : page.sizeChoices) expectInside(sizes, choice.radio);
  expectInside(sizes, page.noEnlargeCheck);
  expectInside(sizes, page.sharpenCheck);
  expectInside(sizes, page.fillCheck);
  expectInside(sizes, page.attentionRadio);
  expectInside(sizes, page.longEdgeEdit);
  expectInside(sizes, page.scaleEdit);
  EXPECT_LE(types.bottom, sizes.top);

  // The check boxes have a row of their own, under the last size button.
  const RECT keep = RectInParent(*page.sizeChoices[12].radio);
  const RECT check = RectInParent(*page.noEnlargeCheck);
  EXPECT_EQ(check.left, m.unitWidth);
  EXPECT_EQ(check.top, keep.top + m.unitHeight + 4);
}

// ---- the effect page ----

TEST_F(EffectPage, WithoutACurrentPhotoTheLowerGroupStoresNothing) {
  TabItemDialogEffect_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd, links), nullptr);
  EnableWindow(page.photoGroup.sepiaRadio->hwnd, TRUE);
  EnableWindow(page.photoGroup.brightCheck->hwnd, TRUE);

  Click(page.photoGroup.sepiaRadio);
  Click(page.photoGroup.brightCheck);
  DragSlider(page.photoGroup.brightSlider, 10);
  Click(page.photoRadio);
  EXPECT_EQ(settings.globalEffect.EffectRadioIndex, ColourEffect::None);
  EXPECT_EQ(settings.globalEffect.CheckBriteness, 0);
  EXPECT_EQ(settings.globalEffect.ValueBriteness, 50);
  EXPECT_EQ(windowState.photoEffect.EffectRadioIndex, ColourEffect::None);
  EXPECT_TRUE(GroupEnabled(page.photoGroup, true)) << "only the enabling follows the choice";
  EXPECT_TRUE(GroupEnabled(page.allGroup, false));
}

TEST_F(EffectPageWithPhotos, ChoosingThisPhotosEffectSwapsTheEnabledGroup) {
  PhotoItem& photo = MakeCurrent(0);
  page.ShowPhoto(settings.CurrentItem());
  EXPECT_TRUE(Checked(page.allRadio));
  EXPECT_TRUE(GroupEnabled(page.allGroup, true));
  EXPECT_TRUE(GroupEnabled(page.photoGroup, false));

  Click(page.photoRadio);
  EXPECT_EQ(photo.ownEffect, 1);
  EXPECT_TRUE(GroupEnabled(page.allGroup, false));
  EXPECT_TRUE(GroupEnabled(page.photoGroup, true));
  EXPECT_GE(mainWindow.TakeRefreshes(), 1);

  Click(page.allRadio);
  EXPECT_EQ(photo.ownEffect, 0);
  EXPECT_TRUE(GroupEnabled(page.allGroup, true));
  EXPECT_TRUE(GroupEnabled(page.photoGroup, false));
}

TEST_F(EffectPageWithPhotos, SepiaInTheLowerGroupChangesOnlyTheCurrentPhoto) {
  PhotoItem& photo = MakeCurrent(0);
  page.ShowPhoto(settings.CurrentItem());
  Click(page.photoRadio);

  Click(page.photoGroup.sepiaRadio);
  EXPECT_EQ(photo.effect.EffectRadioIndex, ColourEffect::Sepia);
  EXPECT_EQ(settings.globalEffect.EffectRadioIndex, ColourEffect::None);
  EXPECT_EQ(settings.items[1].effect.EffectRadioIndex, ColourEffect::GreyScale);
  EXPECT_EQ(windowState.photoEffect.EffectRadioIndex, ColourEffect::None);

  DragSlider(page.photoGroup.brightSlider, 20);
  EXPECT_EQ(photo.effect.ValueBriteness, 20);
  EXPECT_EQ(TextOf(page.photoGroup.brightCheck), L"写真の明るさ(0.40)(&R)");
  EXPECT_EQ(settings.globalEffect.ValueBriteness, 50);
  EXPECT_EQ(TextOf(page.allGroup.brightCheck), L"写真の明るさ(1.00)(&B)");
}

TEST_F(EffectPageWithPhotos, ShowPhotoFollowsTheCurrentPhoto) {
  MakeCurrent(1);
  page.ShowPhoto(settings.CurrentItem());
  EXPECT_FALSE(Checked(page.allRadio));
  EXPECT_TRUE(Checked(page.photoRadio));
  EXPECT_TRUE(GroupEnabled(page.allGroup, false));
  EXPECT_TRUE(GroupEnabled(page.photoGroup, true));
  ExpectShows(page.photoGroup, settings.items[1].effect);
  EXPECT_EQ(TextOf(page.photoGroup.brightCheck), L"写真の明るさ(1.80)(&R)");
  EXPECT_EQ(TextOf(page.photoGroup.contrastCheck), L"コントラスト(0.80)(&T)");
  ExpectShows(page.allGroup, settings.globalEffect);

  MakeCurrent(0);
  page.ShowPhoto(settings.CurrentItem());
  EXPECT_TRUE(Checked(page.allRadio));
  EXPECT_FALSE(Checked(page.photoRadio));
  EXPECT_TRUE(GroupEnabled(page.allGroup, true));
  ExpectShows(page.photoGroup, EffectParams{});

  page.ShowPhoto(nullptr);
  EXPECT_FALSE(Checked(page.allRadio));
  EXPECT_FALSE(Checked(page.photoRadio));
  EXPECT_TRUE(GroupEnabled(page.allGroup, false));
  EXPECT_TRUE(GroupEnabled(page.photoGroup, false));

  settings.items[0].effect.EffectRadioIndex = static_cast<ColourEffect>(7);  // from a hand-edited file
  page.ShowPhoto(&settings.items[0]);
  EXPECT_FALSE(Checked(page.photoGroup.noneRadio));
  EXPECT_FALSE(Checked(page.photoGroup.monoRadio));
  EXPECT_FALSE(Checked(page.photoGroup.sepiaRadio));
}

// ---- the save page ----

TEST_F(SavePage, LocationAndDateBoxesAreGreyedWhileTheBoxTheyDependOnIsOff) {
  settings.KeepMetadata = false;
  settings.RemoveGps = true;
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd, links), nullptr);
  EXPECT_TRUE(Checked(page.removeGpsCheck));
  EXPECT_FALSE(IsWindowEnabled(page.removeGpsCheck->hwnd)) << "no EXIF kept, no GPS to remove";
  EXPECT_TRUE(IsWindowEnabled(page.exifTimeCheck->hwnd));
  const RECT exif = RectInParent(*page.keepMetadataCheck);
  const RECT gps = RectInParent(*page.removeGpsCheck);
  EXPECT_EQ(gps.top, exif.top) << "beside the EXIF box";
  EXPECT_GT(gps.left, exif.right);

  Click(page.keepMetadataCheck);
  EXPECT_EQ(settings.KeepMetadata, 1);
  EXPECT_TRUE(IsWindowEnabled(page.removeGpsCheck->hwnd));
  windowState.refreshPending = false;
  mainWindow.TakeRefreshes();
  Click(page.removeGpsCheck);
  EXPECT_EQ(settings.RemoveGps, 0);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1);

  windowState.refreshPending = false;
  Click(page.exifTimeCheck);
  EXPECT_EQ(settings.FileTimeFromExif, 1);
  Click(page.keepTimeCheck);
  EXPECT_EQ(settings.KeepFileTime, 0);
  EXPECT_FALSE(IsWindowEnabled(page.exifTimeCheck->hwnd));
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1) << "two changes before the refresh";
  EXPECT_EQ(IniInt(L"KeepFileTime"), -12345) << "the refresh saves it, not the click";
}

TEST_F(SavePage, QualityTextFollowsTheSlider) {
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd, links), nullptr);

  DragSlider(page.qualitySlider, 55);
  EXPECT_EQ(settings.JpegQuantization, 55);
  EXPECT_EQ(TextOf(page.qualityRadio), L"JPEG量子化率を指定(55)(&Q)");
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1);

  PressKeyOn(page.qualitySlider, VK_HOME);
  EXPECT_EQ(settings.JpegQuantization, 1) << "the left end is 1, never 0";
  EXPECT_EQ(TextOf(page.qualityRadio), L"JPEG量子化率を指定(1)(&Q)");
  PressKeyOn(page.qualitySlider, VK_END);
  EXPECT_EQ(settings.JpegQuantization, 100);
  EXPECT_EQ(TextOf(page.qualityRadio), L"JPEG量子化率を指定(100)(&Q)");
}

TEST_F(SavePage, StoredChoiceToStripTheShootingDataIsShown) {
  settings.KeepMetadata = false;
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd, links), nullptr);
  EXPECT_FALSE(Checked(page.keepMetadataCheck));
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);
}

TEST_F(SavePage, AFolderNameThatIsNoPlainNameIsRefusedAsItIsTypedAndTheLineUnderItSaysWhy) {
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd, links), nullptr);
  EXPECT_EQ(TextOf(page.folderProblemLabel), L"");

  TypeInto(page.folderEdit, L"..\\up");
  EXPECT_EQ(settings.MakeFolder, L"Resized") << "no step of the typing was taken";
  EXPECT_EQ(TextOf(page.folderProblemLabel), FolderNameProblemText(FolderNameProblem::Separator));
  EXPECT_EQ(TextOf(page.folderEdit), L"..\\up") << "the box keeps what was typed, to be mended";
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);

  TypeInto(page.folderEdit, L"my.");
  EXPECT_EQ(settings.MakeFolder, L"my") << "taken up to the step before the trailing dot";
  EXPECT_EQ(TextOf(page.folderProblemLabel), FolderNameProblemText(FolderNameProblem::TrailingDotOrSpace));
  ReplaceText(page.folderEdit, L"my.photos");
  EXPECT_EQ(settings.MakeFolder, L"my.photos");
  EXPECT_EQ(TextOf(page.folderProblemLabel), L"");
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1);
  windowState.refreshPending = false;

  for (const wchar_t* bad : {L"C:", L"nul", L"a?b", L".."}) {
    ReplaceText(page.folderEdit, bad);
    EXPECT_EQ(TextOf(page.folderProblemLabel), FolderNameProblemText(OutputFolderNameProblem(bad)));
    EXPECT_NE(TextOf(page.folderProblemLabel), L"") << testing::PrintToString(std::wstring(bad));
  }
  EXPECT_EQ(settings.MakeFolder, L"my.photos");
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);
  ReplaceText(page.folderEdit, L"");
  EXPECT_EQ(settings.MakeFolder, L"") << "no name: the photos' own folder";
  EXPECT_EQ(TextOf(page.folderProblemLabel), L"");
}

TEST_F(SavePage, TheRefusalLineSitsUnderTheBoxAboveTheGroupAndHoldsEveryReason) {
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd, links), nullptr);
  MoveWindow(page.hwnd, 0, 0, 330, 620, TRUE);  // as narrow as the main window makes it
  const RECT edit = RectInParent(*page.folderEdit);
  const RECT line = RectInParent(*page.folderProblemLabel);
  const RECT folderGroup = RectInParent(*page.folderGroup);
  const RECT nameGroup = RectInParent(*page.nameGroup);
  EXPECT_GE(line.top, edit.bottom);
  EXPECT_EQ(line.left, RectInParent(*page.folderLabel).left);
  EXPECT_LT(line.bottom, folderGroup.bottom) << "inside the folder group";
  EXPECT_LT(line.right, folderGroup.right);
  EXPECT_LT(folderGroup.bottom, nameGroup.top);
  EXPECT_GE(line.bottom - line.top, page.folderProblemLabel->TextHeight(L"Ｗ"));
  for (HWND above = GetWindow(page.folderProblemLabel->hwnd, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
    EXPECT_NE(above, page.folderGroup->hwnd) << "a group box above the line paints over it";
  }
  std::vector<std::wstring> reasons;
  for (int problem = 1; problem <= static_cast<int>(FolderNameProblem::TooLong); ++problem) {
    reasons.push_back(FolderNameProblemText(static_cast<FolderNameProblem>(problem)));
  }
  for (int problem = 1; problem <= static_cast<int>(ChosenFolderProblem::BadName); ++problem) {
    reasons.push_back(ChosenFolderProblemText(static_cast<ChosenFolderProblem>(problem)));
  }
  for (const std::wstring& text : reasons) {
    EXPECT_LE(page.folderProblemLabel->TextWidth(text), line.right - line.left) << testing::PrintToString(text);
  }
}

