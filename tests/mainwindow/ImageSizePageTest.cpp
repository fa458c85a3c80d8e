#include <gtest/gtest.h>
#include <windows.h>

#include "mainwindow/TabItemDialogImageSize.h"
#include "tests/mainwindow/PageTestHost.h"
#include "toolkit/ControlLayout.h"
#include "mainwindow/MainWindowLinks.h"

namespace {

using SizePage = PageTest;

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

}  // namespace

TEST_F(SizePage, FirstStartShowsDefaultsAndFitsTo800x600) {
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);

  ASSERT_EQ(page.typeRadios.size(), 5u);
  ASSERT_EQ(page.sizeChoices.size(), 11u);
  EXPECT_EQ(TextOf(page.typeRadios[0]), L"変換前の拡張子を維持する");
  EXPECT_EQ(TextOf(page.typeRadios[4]), L"全てwebpにする");
  wchar_t tip[128] = {};
  TOOLINFOW query{};
  query.cbSize = TTTOOLINFOW_V2_SIZE;
  query.hwnd = page.typeRadios[0]->hwnd;
  query.uId = 1;
  query.lpszText = tip;
  SendMessageW(page.tips.hwnd, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&query));
  EXPECT_STREQ(tip, L"HEIC・HEIF の写真は JPEG (.jpg) で保存します") << "there is no HEIC encoder";
  EXPECT_EQ(CheckedType(page), 0);
  EXPECT_EQ(TextOf(page.noEnlargeCheck), L"小さい写真は拡大しない");
  EXPECT_FALSE(Checked(page.noEnlargeCheck)) << "small photos are enlarged unless asked";
  EXPECT_EQ(TextOf(page.sizeChoices[3].radio), L"800 x 600");
  EXPECT_EQ(TextOf(page.sizeChoices[5].radio), L"480 x 480");
  EXPECT_EQ(TextOf(page.sizeChoices[9].radio), L"指定サイズ");
  EXPECT_EQ(TextOf(page.sizeChoices[10].radio), L"サイズ変更無し");
  EXPECT_EQ(CheckedSize(page), 3);
  EXPECT_EQ(TextOf(page.widthEdit), L"320");
  EXPECT_EQ(TextOf(page.heightEdit), L"240");
  EXPECT_EQ(theSaveData.fitWidth, 800);
  EXPECT_EQ(theSaveData.fitHeight, 600);
  EXPECT_EQ(theSaveData.outputWidth, 320) << "filling the boxes at creation is not typing";
  EXPECT_EQ(theSaveData.ResizeRadioIndex, 3);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);

  // Ids in creation order from 4352: five type buttons, their frame, eleven sizes, the boxes,
  // the check box, the size frame.
  EXPECT_EQ(page.typeRadios[0]->id, 4352);
  EXPECT_EQ(page.typeGroup->id, 4357);
  EXPECT_EQ(page.sizeChoices[0].radio->id, 4358);
  EXPECT_EQ(page.widthEdit->id, 4369);
  EXPECT_EQ(page.timesLabel->id, 4370);
  EXPECT_EQ(page.heightEdit->id, 4371);
  EXPECT_EQ(page.noEnlargeCheck->id, 4372);
  EXPECT_EQ(page.sizeGroup->id, 4373);
}

TEST_F(SizePage, TypingAWidthChoosesTheCustomSizeAndRefreshesAtEveryKeystroke) {
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  ReplaceText(page.widthEdit, L"");  // the user selects the old text and deletes it
  mainWindow.TakeRefreshes();
  theSaveData.refreshPending = 1;  // a refresh already waiting does not hold keystrokes back

  TypeInto(page.widthEdit, L"1000");
  EXPECT_EQ(CheckedSize(page), 9);
  EXPECT_EQ(theSaveData.ResizeRadioIndex, 9);
  EXPECT_EQ(theSaveData.fitWidth, -1);
  EXPECT_EQ(theSaveData.fitHeight, -1);
  EXPECT_EQ(theSaveData.outputWidth, 1000);
  EXPECT_EQ(theSaveData.outputHeight, 240);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 4);

  ReplaceText(page.heightEdit, L"-5");
  EXPECT_EQ(theSaveData.outputHeight, -5);
  ReplaceText(page.heightEdit, L"1a");
  EXPECT_EQ(theSaveData.outputHeight, 59) << "every character counts as a digit";
  ReplaceText(page.widthEdit, L"");
  EXPECT_EQ(theSaveData.outputWidth, 0);
  EXPECT_EQ(CheckedSize(page), 9);
}

TEST_F(SizePage, SizeButtonsSetTheBoxAndQueueOneRefresh) {
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);

  Click(page.sizeChoices[10].radio);
  EXPECT_EQ(theSaveData.ResizeRadioIndex, 10);
  EXPECT_EQ(theSaveData.fitWidth, -2);
  EXPECT_EQ(theSaveData.fitHeight, -2);
  EXPECT_EQ(CheckedSize(page), 10);
  Click(page.sizeChoices[0].radio);  // a second change before the refresh is handled
  EXPECT_EQ(theSaveData.fitWidth, 1600);
  EXPECT_EQ(theSaveData.fitHeight, 1200);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1);
  EXPECT_EQ(theSaveData.refreshPending, 1);
}

TEST_F(SizePage, OutputTypeIsSavedAtOnceWithoutRefresh) {
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  ASSERT_EQ(IniInt(L"OutputImageType"), -12345) << "nothing written before the click";

  Click(page.typeRadios[2]);
  EXPECT_EQ(theSaveData.OutputImageType, 2);
  EXPECT_EQ(IniInt(L"OutputImageType"), 2);
  EXPECT_EQ(CheckedType(page), 2);
  Click(page.typeRadios[4]);
  EXPECT_EQ(theSaveData.OutputImageType, 4);
  EXPECT_EQ(IniInt(L"OutputImageType"), 4);
  EXPECT_EQ(CheckedType(page), 4);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);
  EXPECT_EQ(theSaveData.refreshPending, 0);
}

TEST_F(SizePage, StoredWebpChoiceAndNoEnlargeAreShown) {
  theSaveData.OutputImageType = 4;
  theSaveData.NoEnlarge = 1;
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  EXPECT_EQ(CheckedType(page), 4);
  EXPECT_TRUE(Checked(page.noEnlargeCheck));
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);
}

TEST_F(SizePage, NoEnlargeCheckWritesTheRecordAndAsksForARefresh) {
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);

  Click(page.noEnlargeCheck);
  EXPECT_EQ(theSaveData.NoEnlarge, 1);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1);
  EXPECT_EQ(IniInt(L"NoEnlarge"), -12345) << "the refresh saves it, not the click";
  theSaveData.refreshPending = 0;  // as the main window does when it handles it
  Click(page.noEnlargeCheck);
  EXPECT_EQ(theSaveData.NoEnlarge, 0);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1);
  EXPECT_EQ(theSaveData.ResizeRadioIndex, 3) << "the size choice is left as it was";
  EXPECT_EQ(CheckedSize(page), 3);
}

TEST_F(SizePage, OutOfTableChoicesFromAHandEditedFileShowTheDefaultsAndStayUntilChanged) {
  theSaveData.ResizeRadioIndex = 11;
  theSaveData.OutputImageType = -1;
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);

  EXPECT_EQ(CheckedSize(page), 3);
  EXPECT_EQ(CheckedType(page), 0);
  EXPECT_EQ(theSaveData.fitWidth, 800);
  EXPECT_EQ(theSaveData.fitHeight, 600);
  EXPECT_EQ(theSaveData.ResizeRadioIndex, 11);
  EXPECT_EQ(theSaveData.OutputImageType, -1);

  Click(page.sizeChoices[6].radio);
  EXPECT_EQ(theSaveData.ResizeRadioIndex, 6);
  Click(page.typeRadios[3]);
  EXPECT_EQ(theSaveData.OutputImageType, 3);
  EXPECT_EQ(IniInt(L"ResizeRadioIndex"), 6);
}

TEST_F(SizePage, StartButtonOnThePageAsksTheMainWindowToConvert) {
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  PutStartButtonOn(page.hwnd);
  Click(theMainWindowLinks.convertButton);
  EXPECT_EQ(mainWindow.TakeConvertCommands(), 1);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);
}

TEST_F(SizePage, LayoutPutsTheCustomBoxesOnTheRowOfTheirButton) {
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  MoveWindow(page.hwnd, 0, 0, 400, 600, TRUE);
  const LayoutMetrics m = SubClassDialogBase_CL::ClientLayout(page.hwnd);
  const RECT custom = RectInParent(*page.sizeChoices[9].radio);
  const RECT width = RectInParent(*page.widthEdit);
  const RECT height = RectInParent(*page.heightEdit);
  const RECT times = RectInParent(*page.timesLabel);
  const RECT group = RectInParent(*page.sizeGroup);
  const int groupTop = m.unitHeight / 2 + 7 * m.unitHeight;  // below five type buttons

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
  EXPECT_EQ(group.bottom - group.top, 13 * (m.unitHeight + 4));
}

TEST_F(SizePage, EveryButtonLiesInsideItsFrameAndTheFramesDoNotOverlap) {
  TabItemDialogImageSize_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
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
  EXPECT_LE(types.bottom, sizes.top);

  // The check box has a row of its own, under the last size button.
  const RECT keep = RectInParent(*page.sizeChoices[10].radio);
  const RECT check = RectInParent(*page.noEnlargeCheck);
  EXPECT_EQ(check.left, m.unitWidth);
  EXPECT_EQ(check.top, keep.top + m.unitHeight + 4);
}
