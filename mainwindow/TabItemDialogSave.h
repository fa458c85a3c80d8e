#pragma once
// Third parameter page, "保存": where the converted photos go (a folder on the desktop or
// beside each source, and its name; or a chosen folder, typed or picked with "参照..."), the
// texts added before and after each file name, the JPEG quality as a fixed quality or a target
// file size (which "必ずこのサイズ以下にする" makes a limit no output passes), whether the outputs keep the
// photos' shooting data (EXIF) and, if so, without the location, whether an output larger than
// its photo is the photo itself, or the outputs replace the photos, which then go to the
// Recycle Bin, and which modification
// time the outputs get. Every change is written into theSaveData and followed by a
// refresh request; the refresh saves the settings. A folder name that is no plain folder
// name is not written: a red line under its box says why.
#include <windows.h>

#include "engine/ConvertSettings.h"
#include "base/WorkerThread.h"
#include "toolkit/ControlFactory.h"
#include "toolkit/SubClassDialogBase.h"

// The colour of the line that says why a folder name is not taken: red, darkened until it
// stands 4.5:1 from the page's background; the system's text colour with high contrast on.
constexpr COLORREF kProblemTextColour = RGB(192, 0, 0);
constexpr double kReadableContrast = 4.5;
COLORREF ProblemTextColour(bool highContrast, COLORREF background, COLORREF systemText);

class TabItemDialogSave_CL : public SubClassDialogBase_CL {
public:
  // The controls sized for the page's new DPI and laid out again.
  void DpiChanged() override;
  TabItemDialogSave_CL();
  ~TabItemDialogSave_CL() override;

  INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Builds the page as a modeless child dialog of parent (the main window) and shows the
  // current settings. Returns the page's window, null when it failed.
  HWND Create(HWND parent);

  ControlFactory_CL controls;
  CheckBox_CL* prefixCheck = nullptr;
  CheckBox_CL* suffixCheck = nullptr;
  Edit_CL* prefixEdit = nullptr;
  Edit_CL* suffixEdit = nullptr;
  RadioButton_CL* desktopRadio = nullptr;
  RadioButton_CL* besideSourceRadio = nullptr;
  StaticText_CL* folderLabel = nullptr;
  Edit_CL* folderEdit = nullptr;
  RadioButton_CL* qualityRadio = nullptr;
  RadioButton_CL* fileSizeRadio = nullptr;
  TrackBar_CL* qualitySlider = nullptr;
  Edit_CL* fileSizeEdit = nullptr;
  StaticText_CL* kbyteLabel = nullptr;
  CheckBox_CL* keepMetadataCheck = nullptr;  // KeepMetadata
  GroupBox_CL* folderGroup = nullptr;
  GroupBox_CL* nameGroup = nullptr;
  GroupBox_CL* jpegGroup = nullptr;
  // Under the folder name box: why the typed name is not taken; empty while it is usable.
  StaticText_CL* folderProblemLabel = nullptr;
  // Made after the controls above, so their ids stay.
  CheckBox_CL* removeGpsCheck = nullptr;  // RemoveGps; greyed while keepMetadataCheck is off
  CheckBox_CL* keepTimeCheck = nullptr;   // KeepFileTime
  CheckBox_CL* exifTimeCheck = nullptr;   // FileTimeFromExif; greyed while keepTimeCheck is off
  CheckBox_CL* skipDoneCheck = nullptr;   // SkipDone
  // "フォルダを指定" (SaveDirTypeIndex 2): in the group of the two folder buttons; its path box
  // stands where the folder name box does, which is hidden meanwhile.
  RadioButton_CL* chosenFolderRadio = nullptr;
  Button_CL* browseButton = nullptr;      // picks the chosen folder, and chooses it
  Edit_CL* chosenFolderEdit = nullptr;    // OutputFolder
  CheckBox_CL* strictSizeCheck = nullptr;  // TargetStrict; greyed unless fileSizeRadio is chosen
  // "元の写真を置き換える（元はごみ箱へ）" (SaveDirTypeIndex 3), the fourth folder button; the folder
  // name box is greyed while it is chosen.
  RadioButton_CL* replaceRadio = nullptr;
  CheckBox_CL* neverLargerCheck = nullptr;  // NeverLarger ("元より大きくしない")
  // Unseen labels that name the boxes and the slider for a screen reader.
  StaticText_CL* chosenFolderName = nullptr;  // "保存先フォルダ"
  StaticText_CL* prefixName = nullptr;        // "ファイル名の前の文字"
  StaticText_CL* suffixName = nullptr;        // "ファイル名の後ろの文字"
  StaticText_CL* qualityName = nullptr;       // "JPEG 品質"
  StaticText_CL* fileSizeName = nullptr;      // "目標サイズ (KB)"
  // "ファイル名の形式" (FileNamePattern) under the prefix and the suffix, which it greys while it
  // is set; the line under it names the current photo's output, or why the pattern is refused.
  StaticText_CL* patternLabel = nullptr;
  Edit_CL* patternEdit = nullptr;
  StaticText_CL* patternLine = nullptr;
  int ready = 0;
  // The controls show theSaveData's settings afresh (a preset was picked), without taking
  // their own notifications for changes.
  void ShowSettingsAgain();

  // Shows, under the pattern box, the name the current photo's output gets, found off this
  // thread (it reads the photo's header), or at once why the pattern is refused.
  void ShowPatternName();

private:
  void SetTabOrder();
  void CreateControls();
  void ShowSettings();
  void UpdateQualityText();
  // Greys the boxes that mean nothing while the box above them is off.
  void UpdateDependentChecks();
  // Shows the folder name box or the chosen folder's box, whichever the folder choice uses,
  // with its label and the reason its text is not taken.
  void ShowFolderChoice();
  void ChooseFolderPlace(OutputPlace index);
  void BrowseForFolder();
  void OnCommand(int id, int notification);
  void OnScroll(HWND slider);
  void Layout();
  WorkerThread nameWorker;   // finds the current photo's pattern name
  int nameRequest = 0;       // the last one asked for: an older answer is not shown
  bool patternRefused = false;  // the line under the box says why, in the refusal colour
};
