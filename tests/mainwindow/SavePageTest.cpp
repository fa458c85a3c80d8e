#include <gtest/gtest.h>
#include <windows.h>

#include "engine/OutputNaming.h"
#include "mainwindow/TabItemDialogSave.h"
#include "tests/mainwindow/PageTestHost.h"
#include "toolkit/ControlLayout.h"
#include "mainwindow/MainWindowLinks.h"

namespace {

using SavePage = PageTest;

}  // namespace

TEST_F(SavePage, FirstStartShowsTheDefaults) {
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);

  EXPECT_FALSE(Checked(page.desktopRadio));
  EXPECT_TRUE(Checked(page.besideSourceRadio));
  EXPECT_EQ(TextOf(page.besideSourceRadio), L"元ファイルの場所にフォルダを作成");
  EXPECT_EQ(TextOf(page.folderEdit), L"Resized");
  EXPECT_FALSE(Checked(page.prefixCheck));
  EXPECT_FALSE(Checked(page.suffixCheck));
  EXPECT_EQ(TextOf(page.prefixEdit), L"s_");
  EXPECT_EQ(TextOf(page.suffixEdit), L"_s");
  EXPECT_TRUE(Checked(page.qualityRadio));
  EXPECT_FALSE(Checked(page.fileSizeRadio));
  EXPECT_EQ(TextOf(page.qualityRadio), L"JPEG量子化率を指定(80)");
  EXPECT_EQ(SliderPosition(page.qualitySlider), 80);
  EXPECT_EQ(TextOf(page.fileSizeEdit), L"100");
  EXPECT_EQ(TextOf(page.kbyteLabel), L"KByte");
  EXPECT_EQ(TextOf(page.keepMetadataCheck), L"撮影情報(EXIF)を残す");
  EXPECT_TRUE(Checked(page.keepMetadataCheck)) << "the shooting data is kept unless asked";
  EXPECT_EQ(theSaveData.ValueAddFileNameTop, L"s_") << "filling the boxes is not typing";
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);

  // Creation order gives consecutive ids to each radio pair.
  EXPECT_EQ(page.prefixCheck->id, 4352);
  EXPECT_EQ(page.desktopRadio->id, 4356);
  EXPECT_EQ(page.besideSourceRadio->id, 4357);
  EXPECT_EQ(page.qualityRadio->id, 4360);
  EXPECT_EQ(page.fileSizeRadio->id, 4361);
  EXPECT_EQ(page.keepMetadataCheck->id, 4365);
  EXPECT_EQ(page.jpegGroup->id, 4368);
  EXPECT_EQ(page.removeGpsCheck->id, 4370);
  EXPECT_EQ(page.keepTimeCheck->id, 4371);
  EXPECT_EQ(page.exifTimeCheck->id, 4372);
  EXPECT_EQ(TextOf(page.removeGpsCheck), L"位置情報を消す");
  EXPECT_EQ(TextOf(page.keepTimeCheck), L"更新日時を元の写真と同じにする");
  EXPECT_EQ(TextOf(page.exifTimeCheck), L"撮影日時にする");
  EXPECT_FALSE(Checked(page.removeGpsCheck));
  EXPECT_TRUE(Checked(page.keepTimeCheck)) << "outputs keep their photos' dates unless asked";
  EXPECT_FALSE(Checked(page.exifTimeCheck));
}

TEST_F(SavePage, LocationAndDateBoxesAreGreyedWhileTheBoxTheyDependOnIsOff) {
  theSaveData.KeepMetadata = 0;
  theSaveData.RemoveGps = 1;
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  EXPECT_TRUE(Checked(page.removeGpsCheck));
  EXPECT_FALSE(IsWindowEnabled(page.removeGpsCheck->hwnd)) << "no EXIF kept, no GPS to remove";
  EXPECT_TRUE(IsWindowEnabled(page.exifTimeCheck->hwnd));
  const RECT exif = RectInParent(*page.keepMetadataCheck);
  const RECT gps = RectInParent(*page.removeGpsCheck);
  EXPECT_GT(gps.top, exif.top) << "under the EXIF box";
  EXPECT_GT(gps.left, exif.left);

  Click(page.keepMetadataCheck);
  EXPECT_EQ(theSaveData.KeepMetadata, 1);
  EXPECT_TRUE(IsWindowEnabled(page.removeGpsCheck->hwnd));
  theSaveData.refreshPending = 0;
  mainWindow.TakeRefreshes();
  Click(page.removeGpsCheck);
  EXPECT_EQ(theSaveData.RemoveGps, 0);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1);

  theSaveData.refreshPending = 0;
  Click(page.exifTimeCheck);
  EXPECT_EQ(theSaveData.FileTimeFromExif, 1);
  Click(page.keepTimeCheck);
  EXPECT_EQ(theSaveData.KeepFileTime, 0);
  EXPECT_FALSE(IsWindowEnabled(page.exifTimeCheck->hwnd));
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1) << "two changes before the refresh";
  EXPECT_EQ(IniInt(L"KeepFileTime"), -12345) << "the refresh saves it, not the click";
}

TEST_F(SavePage, EveryControlWritesItsFieldAndAsksForARefresh) {
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  const auto expectOneRefresh = [&](const char* what) {
    EXPECT_EQ(mainWindow.TakeRefreshes(), 1) << what;
    theSaveData.refreshPending = 0;  // as the main window does when it handles it
  };

  Click(page.desktopRadio);
  EXPECT_EQ(theSaveData.SaveDirTypeIndex, 0);
  EXPECT_FALSE(Checked(page.besideSourceRadio));
  expectOneRefresh("folder place");
  Click(page.prefixCheck);
  EXPECT_EQ(theSaveData.CheckAddFileNameTop, 1);
  expectOneRefresh("prefix check");
  Click(page.suffixCheck);
  EXPECT_EQ(theSaveData.CheckAddFileNameBottom, 1);
  expectOneRefresh("suffix check");
  ReplaceText(page.prefixEdit, L"小_");
  EXPECT_EQ(theSaveData.ValueAddFileNameTop, L"小_");
  expectOneRefresh("prefix text");
  ReplaceText(page.suffixEdit, L"");
  EXPECT_EQ(theSaveData.ValueAddFileNameBottom, L"") << "an empty text is stored as it is";
  expectOneRefresh("suffix text");
  ReplaceText(page.folderEdit, L"出力 2024");
  EXPECT_EQ(theSaveData.MakeFolder, L"出力 2024");
  expectOneRefresh("folder name");
  Click(page.fileSizeRadio);
  EXPECT_EQ(theSaveData.JpegQualityTypeIndex, 1);
  EXPECT_FALSE(Checked(page.qualityRadio));
  expectOneRefresh("quality by file size");
  ReplaceText(page.fileSizeEdit, L"-250");
  EXPECT_EQ(theSaveData.JpegFileSize, -250);
  expectOneRefresh("file size");
  Click(page.keepMetadataCheck);
  EXPECT_EQ(theSaveData.KeepMetadata, 0);
  expectOneRefresh("shooting data off");
  Click(page.keepMetadataCheck);
  EXPECT_EQ(theSaveData.KeepMetadata, 1);
  expectOneRefresh("shooting data on");
  EXPECT_EQ(IniInt(L"KeepMetadata"), -12345) << "the refresh saves it, not the click";
  Click(page.besideSourceRadio);
  EXPECT_EQ(theSaveData.SaveDirTypeIndex, 1);
  Click(page.qualityRadio);
  EXPECT_EQ(theSaveData.JpegQualityTypeIndex, 0);
  expectOneRefresh("two changes before the refresh");
}

TEST_F(SavePage, QualityTextFollowsTheSlider) {
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);

  DragSlider(page.qualitySlider, 55);
  EXPECT_EQ(theSaveData.JpegQuantization, 55);
  EXPECT_EQ(TextOf(page.qualityRadio), L"JPEG量子化率を指定(55)");
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1);

  PressKeyOn(page.qualitySlider, VK_HOME);
  EXPECT_EQ(theSaveData.JpegQuantization, 1) << "the left end is 1, never 0";
  EXPECT_EQ(TextOf(page.qualityRadio), L"JPEG量子化率を指定(1)");
  PressKeyOn(page.qualitySlider, VK_END);
  EXPECT_EQ(theSaveData.JpegQuantization, 100);
  EXPECT_EQ(TextOf(page.qualityRadio), L"JPEG量子化率を指定(100)");
}

TEST_F(SavePage, PairIndicesOutsideTheirRangeLeaveBothButtonsUnchecked) {
  theSaveData.SaveDirTypeIndex = 5;
  theSaveData.JpegQualityTypeIndex = -3;
  theSaveData.JpegQuantization = 250;
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  EXPECT_FALSE(Checked(page.desktopRadio));
  EXPECT_FALSE(Checked(page.besideSourceRadio));
  EXPECT_FALSE(Checked(page.qualityRadio));
  EXPECT_FALSE(Checked(page.fileSizeRadio));
  EXPECT_EQ(SliderPosition(page.qualitySlider), 100);
  EXPECT_EQ(theSaveData.SaveDirTypeIndex, 5);
  EXPECT_EQ(theSaveData.JpegQuantization, 250);
}

TEST_F(SavePage, StoredChoiceToStripTheShootingDataIsShown) {
  theSaveData.KeepMetadata = 0;
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  EXPECT_FALSE(Checked(page.keepMetadataCheck));
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);
}

TEST_F(SavePage, StartButtonOnThePageAsksTheMainWindowToConvert) {
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  PutStartButtonOn(page.hwnd);
  Click(theMainWindowLinks.convertButton);
  EXPECT_EQ(mainWindow.TakeConvertCommands(), 1);
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);
}

TEST_F(SavePage, AFolderNameThatIsNoPlainNameIsRefusedAsItIsTypedAndTheLineUnderItSaysWhy) {
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  EXPECT_EQ(TextOf(page.folderProblemLabel), L"");

  TypeInto(page.folderEdit, L"..\\up");
  EXPECT_EQ(theSaveData.MakeFolder, L"Resized") << "no step of the typing was taken";
  EXPECT_EQ(TextOf(page.folderProblemLabel), FolderNameProblemText(FolderNameProblem::Separator));
  EXPECT_EQ(TextOf(page.folderEdit), L"..\\up") << "the box keeps what was typed, to be mended";
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);

  TypeInto(page.folderEdit, L"my.");
  EXPECT_EQ(theSaveData.MakeFolder, L"my") << "taken up to the step before the trailing dot";
  EXPECT_EQ(TextOf(page.folderProblemLabel), FolderNameProblemText(FolderNameProblem::TrailingDotOrSpace));
  ReplaceText(page.folderEdit, L"my.photos");
  EXPECT_EQ(theSaveData.MakeFolder, L"my.photos");
  EXPECT_EQ(TextOf(page.folderProblemLabel), L"");
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1);
  theSaveData.refreshPending = 0;

  for (const wchar_t* bad : {L"C:", L"nul", L"a?b", L".."}) {
    ReplaceText(page.folderEdit, bad);
    EXPECT_EQ(TextOf(page.folderProblemLabel), FolderNameProblemText(OutputFolderNameProblem(bad)));
    EXPECT_NE(TextOf(page.folderProblemLabel), L"") << testing::PrintToString(std::wstring(bad));
  }
  EXPECT_EQ(theSaveData.MakeFolder, L"my.photos");
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);
  ReplaceText(page.folderEdit, L"");
  EXPECT_EQ(theSaveData.MakeFolder, L"") << "no name: the photos' own folder";
  EXPECT_EQ(TextOf(page.folderProblemLabel), L"");
}

TEST_F(SavePage, TheRefusalLineSitsUnderTheBoxAboveTheGroupAndHoldsEveryReason) {
  TabItemDialogSave_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  MoveWindow(page.hwnd, 0, 0, 330, 620, TRUE);  // as narrow as the main window makes it
  const RECT edit = RectInParent(*page.folderEdit);
  const RECT line = RectInParent(*page.folderProblemLabel);
  const RECT folderGroup = RectInParent(*page.folderGroup);
  const RECT nameGroup = RectInParent(*page.nameGroup);
  EXPECT_GE(line.top, edit.bottom);
  EXPECT_EQ(line.left, edit.left);
  EXPECT_LT(line.bottom, folderGroup.bottom) << "inside the folder group";
  EXPECT_LT(line.right, folderGroup.right);
  EXPECT_LT(folderGroup.bottom, nameGroup.top);
  EXPECT_GE(line.bottom - line.top, page.folderProblemLabel->TextHeight(L"Ｗ"));
  for (HWND above = GetWindow(page.folderProblemLabel->hwnd, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
    EXPECT_NE(above, page.folderGroup->hwnd) << "a group box above the line paints over it";
  }
  for (int problem = 1; problem <= static_cast<int>(FolderNameProblem::TooLong); ++problem) {
    const std::wstring text = FolderNameProblemText(static_cast<FolderNameProblem>(problem));
    EXPECT_LE(page.folderProblemLabel->TextWidth(text), line.right - line.left) << testing::PrintToString(text);
  }
}
