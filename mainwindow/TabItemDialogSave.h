#pragma once
// Third parameter page, "保存": where the converted photos go (a folder on the desktop or
// beside each source, and its name; or a chosen folder, typed or picked with "参照..."), the
// texts added before and after each file name, the JPEG quality as a fixed quality or a target
// file size (which "必ずこのサイズ以下にする" makes a limit no output passes), whether the outputs keep the
// photos' shooting data (EXIF) and, if so, without the location, whether an output larger than
// its photo is the photo itself, or the outputs replace the photos, which then go to the
// Recycle Bin, and which modification
// time the outputs get. Every change is written into the main window's working settings and
// followed by a refresh request; the refresh saves the settings. A folder name that is no plain folder
// name is not written: a red line under its box says why.
#include <windows.h>

#include <vector>

#include "engine/ConvertSettings.h"
#include "base/WorkerThread.h"
#include "mainwindow/ParameterPage.h"
#include "toolkit/ControlFactory.h"

// The colour of the line that says why a folder name is not taken: red, darkened until it
// stands 4.5:1 from the page's background; the system's text colour with high contrast on.
constexpr COLORREF kProblemTextColour = RGB(192, 0, 0);
constexpr double kReadableContrast = 4.5;
COLORREF ProblemTextColour(bool highContrast, COLORREF background, COLORREF systemText);

class TabItemDialogSave_CL : public ParameterPage_CL {
public:
  // The ids of the page's yes/no options (the rows of Switches()).
  enum SwitchId : int {
    kPrefixCheckId = 0x1200,
    kSuffixCheckId,
    kKeepMetadataId,
    kRemoveGpsId,
    kKeepTimeId,
    kExifTimeId,
    kSkipDoneId,
    kStrictSizeId,
    kNeverLargerId,
  };
  // The ids of its other controls; the two pairs of choices stand one after the other.
  enum ControlId : int {
    kPrefixEditId = 0x1100,
    kSuffixEditId,
    kDesktopRadioId,
    kBesideSourceRadioId,
    kFolderLabelId,
    kFolderEditId,
    kQualityRadioId,
    kFileSizeRadioId,
    kQualitySliderId,
    kFileSizeEditId,
    kKbyteLabelId,
    kFolderGroupId,
    kNameGroupId,
    kJpegGroupId,
    kFolderProblemLabelId,
    kChosenFolderRadioId,
    kBrowseButtonId,
    kChosenFolderEditId,
    kReplaceRadioId,
    kChosenFolderNameId,
    kPrefixNameId,
    kSuffixNameId,
    kQualityNameId,
    kFileSizeNameId,
    kPatternLabelId,
    kPatternEditId,
    kPatternLineId,
  };

  void ShowSettings() override;
  const std::vector<SwitchRow>& Switches() const override;

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
  CheckBox_CL* removeGpsCheck = nullptr;  // RemoveGps; greyed while keepMetadataCheck is off
  CheckBox_CL* keepTimeCheck = nullptr;   // KeepFileTime
  CheckBox_CL* exifTimeCheck = nullptr;   // FileTimeFromExif; greyed while keepTimeCheck is off
  CheckBox_CL* skipDoneCheck = nullptr;   // SkipDone
  // "フォルダを指定" (OutputPlace::ChosenFolder): in the group of the two folder buttons; its path box
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

  // Shows, under the pattern box, the name the current photo's output gets, found off this
  // thread (it reads the photo's header), or at once why the pattern is refused.
  void ShowPatternName();

protected:
  void CreateControls() override;
  void SetTabOrder() override;
  void Layout() override;
  void OnCommand(int id, int notification) override;
  void OnScroll(HWND slider) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
  void UpdateQualityText();
  // Greys the boxes that mean nothing while the box above them is off.
  void UpdateDependentChecks();
  // Shows the folder name box or the chosen folder's box, whichever the folder choice uses,
  // with its label and the reason its text is not taken.
  void ShowFolderChoice();
  void ChooseFolderPlace(OutputPlace index);
  void BrowseForFolder();
  WorkerThread nameWorker;   // finds the current photo's pattern name
  int nameRequest = 0;       // the last one asked for: an older answer is not shown
  bool nameReading = false;  // a read is out; its answer starts the next one if one was asked
  bool patternRefused = false;  // the line under the box says why, in the refusal colour
};
