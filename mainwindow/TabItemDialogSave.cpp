#include "mainwindow/TabItemDialogSave.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "base/HighContrast.h"
#include "base/ShellHelpers.h"
#include "engine/ChosenFolder.h"
#include "engine/FileNamePattern.h"
#include "engine/OutputNaming.h"
#include "engine/PhotoEncoder.h"
#include "engine/SaveData.h"
#include "mainwindow/PageControls.h"
#include "toolkit/ControlLayout.h"
#include "toolkit/FolderPicker.h"
#include "views/MyPictureListView.h"

namespace {

using page::Exists;
using page::MoveAndSize;
using page::MoveIfExists;
using page::SetCheck;


constexpr int kTextBufferLength = 512;
constexpr int kNameEditCharacters = 20;
constexpr int kFileSizeEditCharacters = 5;
constexpr int kQualityMinimum = 1;
constexpr int kQualityMaximum = 100;
constexpr wchar_t kFolderNameLabel[] = L"作成フォルダ名(&N)";
constexpr wchar_t kChosenFolderLabel[] = L"保存先フォルダ(&N)";

void SetText(const ControlBase_CL* control, const std::wstring& text) {
  if (Exists(control)) SetWindowTextW(control->hwnd, text.c_str());
}

bool Is(const ControlBase_CL* control, int id) { return control && control->id == id; }

// Index of id within a run of consecutive ids from first to last, or -1.
int IndexInRun(const ControlBase_CL* first, const ControlBase_CL* last, int id) {
  if (!first || !last || id < first->id || id > last->id) return -1;
  return id - first->id;
}

RECT Rect(const ControlBase_CL& control) { return RectInParent(control); }

// The refusal line in red on the page's own background, dark enough to read there (4.5:1);
// with high contrast on, in the user's own text colour.
INT_PTR ProblemTextColours(HDC dc) {
  SetTextColor(dc, ProblemTextColour(HighContrastOn(), GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace

COLORREF ProblemTextColour(bool highContrast, COLORREF background, COLORREF systemText) {
  return highContrast ? systemText : ReadableOn(kProblemTextColour, background, kReadableContrast);
}

// The page's yes/no options: each row's check box, its text, its id, its field, its row, and
// the box it greys while off. The name rows stand in the name group, the others below the JPEG
// group (rows 0 to 2 there) but the two that belong to the JPEG choices.
const std::vector<SwitchRow>& TabItemDialogSave_CL::Switches() const {
  static const std::vector<SwitchRow> rows{
      {kPrefixCheckId, L"ファイル名の前に文字を追加(&M)", [](const ConvertSettings& s) { return s.CheckAddFileNameTop; },
       [](ConvertSettings& s, bool on) { s.CheckAddFileNameTop = on; }, 0, 0},
      {kSuffixCheckId, L"ファイル名の後ろに文字を追加(&U)", [](const ConvertSettings& s) { return s.CheckAddFileNameBottom; },
       [](ConvertSettings& s, bool on) { s.CheckAddFileNameBottom = on; }, 1, 0},
      {kKeepMetadataId, L"撮影情報(EXIF)を残す(&X)", [](const ConvertSettings& s) { return s.KeepMetadata; },
       [](ConvertSettings& s, bool on) { s.KeepMetadata = on; }, 0, kRemoveGpsId},
      {kRemoveGpsId, L"位置情報を消す(&G)", [](const ConvertSettings& s) { return s.RemoveGps; },
       [](ConvertSettings& s, bool on) { s.RemoveGps = on; }, 0, 0},
      {kKeepTimeId, L"更新日時を元の写真と同じにする(&T)", [](const ConvertSettings& s) { return s.KeepFileTime; },
       [](ConvertSettings& s, bool on) { s.KeepFileTime = on; }, 1, kExifTimeId},
      {kExifTimeId, L"撮影日時にする(&E)", [](const ConvertSettings& s) { return s.FileTimeFromExif; },
       [](ConvertSettings& s, bool on) { s.FileTimeFromExif = on; }, 2, 0},
      {kSkipDoneId, L"変換済みの写真はとばす(&K)", [](const ConvertSettings& s) { return s.SkipDone; },
       [](ConvertSettings& s, bool on) { s.SkipDone = on; }, 2, 0},
      {kStrictSizeId, L"必ずこのサイズ以下にする(&L)", [](const ConvertSettings& s) { return s.TargetStrict; },
       [](ConvertSettings& s, bool on) { s.TargetStrict = on; }, 0, 0},
      {kNeverLargerId, L"元より大きくしない(&A)", [](const ConvertSettings& s) { return s.NeverLarger; },
       [](ConvertSettings& s, bool on) { s.NeverLarger = on; }, 0, 0},
  };
  return rows;
}

void TabItemDialogSave_CL::CreateControls() {
  ControlFactory_CL& f = controls;
  CreateSwitches();
  prefixCheck = SwitchControl(kPrefixCheckId);
  suffixCheck = SwitchControl(kSuffixCheckId);
  keepMetadataCheck = SwitchControl(kKeepMetadataId);
  removeGpsCheck = SwitchControl(kRemoveGpsId);
  keepTimeCheck = SwitchControl(kKeepTimeId);
  exifTimeCheck = SwitchControl(kExifTimeId);
  skipDoneCheck = SwitchControl(kSkipDoneId);
  strictSizeCheck = SwitchControl(kStrictSizeId);
  neverLargerCheck = SwitchControl(kNeverLargerId);
  NextId(kPrefixEditId);
  prefixEdit = f.As<Edit_CL>(f.AddEdit(hwnd, kNameEditCharacters));
  NextId(kSuffixEditId);
  suffixEdit = f.As<Edit_CL>(f.AddEdit(hwnd, kNameEditCharacters));
  NextId(kDesktopRadioId);
  desktopRadio = f.As<RadioButton_CL>(f.AddRadioButton(hwnd, L"デスクトップにフォルダを作成(&D)", 0, 0, true));
  NextId(kBesideSourceRadioId);
  besideSourceRadio =
      f.As<RadioButton_CL>(f.AddRadioButton(hwnd, L"元ファイルの場所にフォルダを作成(&B)", 0, 0, false));
  NextId(kFolderLabelId);
  folderLabel = f.As<StaticText_CL>(f.AddStaticText(hwnd, kFolderNameLabel, 0, 0));
  NextId(kFolderEditId);
  folderEdit = f.As<Edit_CL>(f.AddEdit(hwnd, kNameEditCharacters));
  // The widest text the quality button will show sizes it; the real text follows at once.
  NextId(kQualityRadioId);
  qualityRadio = f.As<RadioButton_CL>(f.AddRadioButton(hwnd, L"JPEG量子化率を指定(888%)(&Q)", 0, 0, true));
  UpdateQualityText();
  NextId(kFileSizeRadioId);
  fileSizeRadio = f.As<RadioButton_CL>(f.AddRadioButton(hwnd, L"ファイルサイズで指定(&Z)", 0, 0, false));
  NextId(kQualitySliderId);
  qualitySlider = f.As<TrackBar_CL>(f.AddTrackBar(hwnd));
  NextId(kFileSizeEditId);
  fileSizeEdit = f.As<Edit_CL>(f.AddEdit(hwnd, kFileSizeEditCharacters));
  NextId(kKbyteLabelId);
  kbyteLabel = f.As<StaticText_CL>(f.AddStaticText(hwnd, L"KByte", 0, 0));
  NextId(kFolderGroupId);
  folderGroup = f.As<GroupBox_CL>(f.AddGroupBox(hwnd, L"出力フォルダ", 0, 0, 0));
  NextId(kNameGroupId);
  nameGroup = f.As<GroupBox_CL>(f.AddGroupBox(hwnd, L"出力ファイル名", 0, 0, 0));
  NextId(kJpegGroupId);
  jpegGroup = f.As<GroupBox_CL>(f.AddGroupBox(hwnd, L"JPEG品質", 0, 0, 0));
  NextId(kFolderProblemLabelId);
  folderProblemLabel = f.As<StaticText_CL>(f.AddStaticText(hwnd, L"", 0, 0));
  NextId(kChosenFolderRadioId);
  chosenFolderRadio = f.As<RadioButton_CL>(f.AddRadioButton(hwnd, L"フォルダを指定(&F)", 0, 0, false));
  NextId(kBrowseButtonId);
  browseButton = f.As<Button_CL>(f.AddButton(hwnd, L"参照(&R)...", 0));
  NextId(kChosenFolderEditId);
  chosenFolderEdit = f.As<Edit_CL>(f.AddEdit(hwnd, kNameEditCharacters));
  NextId(kReplaceRadioId);
  replaceRadio = f.As<RadioButton_CL>(f.AddRadioButton(hwnd, L"元の写真を置き換える（元はごみ箱へ）(&O)", 0, 0, false));
  // The names of the boxes and the slider that no label on the screen names.
  NextId(kChosenFolderNameId);
  chosenFolderName = AddHiddenLabel(f, hwnd, L"保存先フォルダ");
  NextId(kPrefixNameId);
  prefixName = AddHiddenLabel(f, hwnd, L"ファイル名の前の文字");
  NextId(kSuffixNameId);
  suffixName = AddHiddenLabel(f, hwnd, L"ファイル名の後ろの文字");
  NextId(kQualityNameId);
  qualityName = AddHiddenLabel(f, hwnd, L"JPEG 品質");
  NextId(kFileSizeNameId);
  fileSizeName = AddHiddenLabel(f, hwnd, L"目標サイズ (KB)");
  NextId(kPatternLabelId);
  patternLabel = f.As<StaticText_CL>(f.AddStaticText(hwnd, L"ファイル名の形式(&P)", 0, 0));
  NextId(kPatternEditId);
  patternEdit = f.As<Edit_CL>(f.AddEdit(hwnd, kNameEditCharacters));
  NextId(kPatternLineId);
  patternLine = f.As<StaticText_CL>(f.AddStaticText(hwnd, L"", 0, 0));
  if (Exists(qualitySlider)) {
    SendMessageW(qualitySlider->hwnd, TBM_SETRANGEMIN, FALSE, kQualityMinimum);
    SendMessageW(qualitySlider->hwnd, TBM_SETRANGEMAX, TRUE, kQualityMaximum);
  }
}

// The order a reader takes, each box right after its name; the frames lie under everything.
void TabItemDialogSave_CL::SetTabOrder() {
  ::SetTabOrder({desktopRadio, besideSourceRadio, chosenFolderRadio, replaceRadio, browseButton, folderLabel,
                 folderEdit, chosenFolderName, chosenFolderEdit, folderProblemLabel, prefixCheck, prefixName,
                 prefixEdit, suffixCheck, suffixName, suffixEdit, patternLabel, patternEdit, patternLine, qualityRadio, fileSizeRadio, qualityName,
                 qualitySlider, fileSizeName, fileSizeEdit, kbyteLabel, neverLargerCheck, strictSizeCheck,
                 keepMetadataCheck, removeGpsCheck, keepTimeCheck, exifTimeCheck, skipDoneCheck},
                {folderGroup, nameGroup, jpegGroup});
}

void TabItemDialogSave_CL::ShowSettings() {
  const SaveData_CL& data = Settings();
  ShowSwitches();
  SetText(prefixEdit, data.ValueAddFileNameTop);
  SetText(suffixEdit, data.ValueAddFileNameBottom);
  SetText(patternEdit, data.FileNamePattern);
  SetText(folderEdit, data.MakeFolder);
  SetText(chosenFolderEdit, data.OutputFolder);
  SetCheck(desktopRadio, data.SaveDirTypeIndex == OutputPlace::Desktop);
  SetCheck(besideSourceRadio, data.SaveDirTypeIndex == OutputPlace::BesideSource);
  SetCheck(chosenFolderRadio, data.SaveDirTypeIndex == OutputPlace::ChosenFolder);
  SetCheck(replaceRadio, data.SaveDirTypeIndex == OutputPlace::ReplaceSource);
  ShowFolderChoice();
  SetCheck(qualityRadio, data.JpegQualityTypeIndex == QualityMode::Fixed);
  SetCheck(fileSizeRadio, data.JpegQualityTypeIndex == QualityMode::TargetSize);
  if (Exists(qualitySlider)) SendMessageW(qualitySlider->hwnd, TBM_SETPOS, TRUE, data.JpegQuantization);
  SetText(fileSizeEdit, IntToText(data.JpegFileSize));
  UpdateDependentChecks();
  UpdateQualityText();
  ShowPatternName();
}

void TabItemDialogSave_CL::UpdateDependentChecks() {
  if (Exists(strictSizeCheck)) EnableWindow(strictSizeCheck->hwnd, Settings().JpegQualityTypeIndex == QualityMode::TargetSize);
  // A pattern makes the whole name: the prefix and the suffix are not used meanwhile.
  const ControlBase_CL* const nameTexts[] = {prefixCheck, prefixEdit, suffixCheck, suffixEdit};
  for (const ControlBase_CL* control : nameTexts) {
    if (Exists(control)) EnableWindow(control->hwnd, Settings().FileNamePattern.empty());
  }
}

void TabItemDialogSave_CL::ShowPatternName() {
  const int asked = ++nameRequest;
  const SaveData_CL& data = Settings();
  const PatternProblem problem = CheckFileNamePattern(data.FileNamePattern);
  const auto showAtOnce = [this, problem] {
    patternRefused = problem != PatternProblem::None;
    SetText(patternLine, PatternProblemText(problem));
  };
  const std::shared_ptr<WindowPost> post = PostToken();
  if (problem != PatternProblem::None || Settings().FileNamePattern.empty() || !post) return showAtOnce();
  PhotoItem photo;
  int number = 0;
  {
    const CriticalSectionLock lock(data.itemsLock);
    const PhotoItem* const current = data.CurrentItem();
    if (current == nullptr) return showAtOnce();
    photo = *current;
    number = data.currentIndex + 1;
  }
  // The line keeps the last name until the new one comes. One read at a time: while one is out
  // (a photo on a slow disk), this thread never waits for it; its answer asks again instead.
  if (nameReading) return;
  nameReading = true;
  const ConvertSettings settings = data;
  nameWorker.RunAsync([this, post, asked, photo, number, settings] {
    PatternProblem refusal = PatternProblem::None;
    const std::wstring name = PatternNameOf(photo, settings, number, {}, refusal);
    const std::wstring line = refusal == PatternProblem::None ? L"この写真は " + name : PatternProblemText(refusal);
    post->Post([this, asked, line, refusal] {
      nameReading = false;
      if (asked != nameRequest) return ShowPatternName();
      patternRefused = refusal != PatternProblem::None;
      SetText(patternLine, line);
    });
  });
}

void TabItemDialogSave_CL::ShowFolderChoice() {
  const bool chosen = Settings().SaveDirTypeIndex == OutputPlace::ChosenFolder;
  SetText(folderLabel, chosen ? kChosenFolderLabel : kFolderNameLabel);
  if (Exists(folderEdit)) ShowWindow(folderEdit->hwnd, chosen ? SW_HIDE : SW_SHOWNA);
  if (Exists(chosenFolderEdit)) ShowWindow(chosenFolderEdit->hwnd, chosen ? SW_SHOWNA : SW_HIDE);
  // Replaced photos keep their folders: the name means nothing then.
  const bool replacing = Settings().SaveDirTypeIndex == OutputPlace::ReplaceSource;
  if (Exists(folderEdit)) EnableWindow(folderEdit->hwnd, !replacing);
  if (Exists(folderLabel)) EnableWindow(folderLabel->hwnd, !replacing);
  // The reason the visible box's text is not taken.
  if (chosen) {
    const std::wstring path = Exists(chosenFolderEdit) ? chosenFolderEdit->GetText() : Settings().OutputFolder;
    SetText(folderProblemLabel, ChosenFolderProblemText(ChosenFolderPathProblem(path)));
  } else {
    const std::wstring name = Exists(folderEdit) ? folderEdit->GetText() : Settings().MakeFolder;
    SetText(folderProblemLabel, FolderNameProblemText(OutputFolderNameProblem(name)));
  }
}

void TabItemDialogSave_CL::ChooseFolderPlace(OutputPlace index) {
  Settings().SaveDirTypeIndex = index;
  SetCheck(desktopRadio, index == OutputPlace::Desktop);
  SetCheck(besideSourceRadio, index == OutputPlace::BesideSource);
  SetCheck(chosenFolderRadio, index == OutputPlace::ChosenFolder);
  SetCheck(replaceRadio, index == OutputPlace::ReplaceSource);
  ShowFolderChoice();
  RequestPreviewRefresh();
}

void TabItemDialogSave_CL::BrowseForFolder() {
  std::wstring folder;
  if (!PickFolder(hwnd, L"保存先のフォルダを選んでください", Settings().OutputFolder, folder)) return;
  // Shown in the box, whose change notice stores it.
  SetText(chosenFolderEdit, folder);
  Settings().OutputFolder = folder;
  ChooseFolderPlace(OutputPlace::ChosenFolder);
}

void TabItemDialogSave_CL::UpdateQualityText() {
  if (!Exists(qualityRadio)) return;
  wchar_t buffer[kTextBufferLength] = {};
  std::swprintf(buffer, kTextBufferLength, L"JPEG量子化率を指定(%d)(&Q)", Settings().JpegQuantization);
  SetWindowTextW(qualityRadio->hwnd, buffer);
}

bool TabItemDialogSave_CL::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message != WM_CTLCOLORSTATIC) return false;
  const HWND control = reinterpret_cast<HWND>(lParam);
  const bool folderProblem = Exists(folderProblemLabel) && control == folderProblemLabel->hwnd;
  const bool patternProblem = patternRefused && Exists(patternLine) && control == patternLine->hwnd;
  if (!folderProblem && !patternProblem) {
    return false;
  }
  result = ProblemTextColours(reinterpret_cast<HDC>(wParam));
  return true;
}

void TabItemDialogSave_CL::OnCommand(int id, int notification) {
  SaveData_CL& data = Settings();
  const bool update = notification == EN_UPDATE;
  // The thumbnails show the output names: repainted after a name setting changed.
  const auto repaintThumbnails = [this] {
    if (Exists(links->thumbnailList)) InvalidateRect(links->thumbnailList->hwnd, nullptr, FALSE);
  };
  if (ReadSwitch(id) && (id == kPrefixCheckId || id == kSuffixCheckId)) repaintThumbnails();
  if (const int index = IndexInRun(desktopRadio, besideSourceRadio, id); index >= 0) ChooseFolderPlace(static_cast<OutputPlace>(index));
  if (Is(chosenFolderRadio, id)) ChooseFolderPlace(OutputPlace::ChosenFolder);
  if (Is(replaceRadio, id)) ChooseFolderPlace(OutputPlace::ReplaceSource);
  if (Is(browseButton, id)) BrowseForFolder();
  if (update && Is(chosenFolderEdit, id)) {
    // Only a path a folder could be made at is taken; the record keeps the last one that was.
    const std::wstring path = chosenFolderEdit->GetText();
    const ChosenFolderProblem problem = ChosenFolderPathProblem(path);
    SetText(folderProblemLabel, ChosenFolderProblemText(problem));
    if (problem == ChosenFolderProblem::None) {
      data.OutputFolder = path;
      RequestPreviewRefresh();
    }
  }
  if (update && Is(prefixEdit, id)) {
    data.ValueAddFileNameTop = prefixEdit->GetText();
    RequestPreviewRefresh();
    repaintThumbnails();
  }
  if (update && Is(suffixEdit, id)) {
    data.ValueAddFileNameBottom = suffixEdit->GetText();
    RequestPreviewRefresh();
    repaintThumbnails();
  }
  if (update && Is(patternEdit, id)) {
    // Kept as typed, refused or not: a refused pattern stops the conversion, saying why.
    data.FileNamePattern = patternEdit->GetText();
    UpdateDependentChecks();
    ShowPatternName();
    RequestPreviewRefresh();
    repaintThumbnails();
  }
  if (update && Is(folderEdit, id)) {
    // Only a plain folder name (or none) is taken; the record keeps the last one that was.
    const std::wstring name = folderEdit->GetText();
    const FolderNameProblem problem = OutputFolderNameProblem(name);
    SetText(folderProblemLabel, FolderNameProblemText(problem));
    if (problem == FolderNameProblem::None) {
      data.MakeFolder = name;
      RequestPreviewRefresh();
    }
  }
  if (const int index = IndexInRun(qualityRadio, fileSizeRadio, id); index >= 0) {
    data.JpegQualityTypeIndex = static_cast<QualityMode>(index);
    UpdateDependentChecks();
    RequestPreviewRefresh();
  }
  if (update && Is(fileSizeEdit, id)) {
    data.JpegFileSize = TextToInt(fileSizeEdit->GetText());
    RequestPreviewRefresh();
  }
  ForwardConvertClick(id);
}

void TabItemDialogSave_CL::OnScroll(HWND slider) {
  if (!Exists(qualitySlider) || slider != qualitySlider->hwnd) return;
  Settings().JpegQuantization = static_cast<int>(SendMessageW(qualitySlider->hwnd, TBM_GETPOS, 0, 0));
  UpdateQualityText();
  RequestPreviewRefresh();
}

void TabItemDialogSave_CL::Layout() {
  if (!folderGroup || !hwnd) return;
  const LayoutMetrics m = ClientLayout(hwnd);
  const int uw = m.unitWidth;
  const int uh = m.unitHeight;
  const int h2 = uh / 2;
  const int h4 = uh / 4;
  const int margin = m.Px(4);
  const int groupWidth = m.width - uw / 2;
  const int groupHeight = 6 * uh + m.Px(18);

  // The folder group has room for the refusal line under the name box, and a row for each
  // of its four places.
  const int row = uh;  // what the fourth place adds to the folder group and moves the rest down
  MoveAndSize(folderGroup, margin, margin, groupWidth, groupHeight + uh - m.Px(6) + row);
  MoveIfExists(desktopRadio, uw, uh + h2);
  MoveIfExists(besideSourceRadio, uw, 2 * uh + h2);
  MoveIfExists(chosenFolderRadio, uw, 3 * uh + h2);
  MoveIfExists(replaceRadio, uw, 4 * uh + h2);
  const int groupRight = margin + groupWidth - uw / 2;
  if (Exists(browseButton) && Exists(chosenFolderRadio)) {
    // At the group's right end, centred on the radio button's row.
    const RECT radio = Rect(*chosenFolderRadio);
    const RECT button = Rect(*browseButton);
    const int buttonHeight = button.bottom - button.top;
    MoveTo(*browseButton, groupRight - (button.right - button.left),
           (radio.top + radio.bottom) / 2 - buttonHeight / 2);
  }
  // The label and the box of the folder on one row: the name's box, or the chosen path's,
  // which takes the rest of the row.
  const int boxTop = 4 * uh + 2 * h2 + row;
  int boxLeft = 2 * uw;
  if (Exists(folderLabel) && Exists(folderEdit)) {
    const RECT label = Rect(*folderLabel);
    const RECT edit = Rect(*folderEdit);
    const int editHeight = edit.bottom - edit.top;
    MoveTo(*folderLabel, uw, boxTop + (editHeight - (label.bottom - label.top)) / 2);
    boxLeft = uw + (label.right - label.left) + uw / 2;
    MoveAndSize(folderEdit, boxLeft, boxTop, std::min<int>(edit.right - edit.left, groupRight - boxLeft), editHeight);
    MoveAndSize(chosenFolderEdit, boxLeft, boxTop, groupRight - boxLeft, editHeight);
  }
  if (Exists(folderEdit) && Exists(folderProblemLabel)) {
    const RECT edit = Rect(*folderEdit);
    const int lineHeight = folderProblemLabel->TextHeight(L"Ｗ");
    MoveAndSize(folderProblemLabel, uw, edit.bottom + m.Px(1), groupRight - uw, lineHeight);
  }

  // Each name text's box on its check box's row, after it: the group takes two rows, which
  // leaves room for the fourth folder place above.
  const int nameTop = 8 * uh + margin + row;
  const int nameEditHeight = Exists(prefixEdit) ? Rect(*prefixEdit).bottom - Rect(*prefixEdit).top : uh;
  const int namePitch = nameEditHeight + m.Px(6);
  // Both boxes start after the wider check box.
  const auto widthOf = [](const ControlBase_CL* control) {
    return Exists(control) ? Rect(*control).right - Rect(*control).left : 0;
  };
  const int left = uw + std::max(widthOf(prefixCheck), widthOf(suffixCheck)) + uw / 2;
  const auto placeNameRow = [&](const CheckBox_CL* check, const Edit_CL* edit, int top) {
    if (!Exists(check) || !Exists(edit)) return;
    const RECT checkRect = Rect(*check);
    MoveTo(*check, uw, top + (nameEditHeight - (checkRect.bottom - checkRect.top)) / 2);
    const RECT editRect = Rect(*edit);
    MoveAndSize(edit, left, top, std::min<int>(editRect.right - editRect.left, groupRight - left), nameEditHeight);
  };
  const int firstNameRow = nameTop + uh + h2 - margin;
  placeNameRow(prefixCheck, prefixEdit, firstNameRow);
  placeNameRow(suffixCheck, suffixEdit, firstNameRow + namePitch);
  // The pattern's label and box take the third row, the name it makes the line right under
  // it; the rows below move up as far as they can to make room for them.
  const int patternTop = firstNameRow + namePitch + nameEditHeight + m.Px(2);
  int nameBottom = patternTop + h4;
  if (Exists(patternLabel) && Exists(patternEdit) && Exists(patternLine)) {
    const RECT label = Rect(*patternLabel);
    MoveTo(*patternLabel, uw, patternTop + (nameEditHeight - (label.bottom - label.top)) / 2);
    const int patternLeft = uw + (label.right - label.left) + uw / 2;
    MoveAndSize(patternEdit, patternLeft, patternTop, groupRight - patternLeft, nameEditHeight);
    const int lineHeight = patternLine->TextHeight(L"Ｗ");
    MoveAndSize(patternLine, uw, patternTop + nameEditHeight, groupRight - uw, lineHeight);
    nameBottom = Rect(*patternLine).bottom + h4;
  }
  const int nameHeight = nameBottom - nameTop;
  MoveAndSize(nameGroup, margin, nameTop, groupWidth, nameHeight);

  // One row more than the other groups: the strict limit under the file size.
  const int jpegGroupHeight = groupHeight + uh + h4;
  const int jpegTop = nameTop + nameHeight + h4;
  const int jpegShift = jpegTop - (16 * uh + margin);  // the JPEG rows, from where they stood
  MoveAndSize(jpegGroup, margin, jpegTop, groupWidth, jpegGroupHeight);
  MoveIfExists(qualityRadio, uw, 17 * uh + h2 + jpegShift);
  const int qualityHeight = Exists(qualityRadio) ? Rect(*qualityRadio).bottom - Rect(*qualityRadio).top : 0;
  MoveAndSize(qualitySlider, uw, 18 * uh + h2 + h4 + jpegShift, m.width - 2 * uw, qualityHeight);
  MoveIfExists(fileSizeRadio, uw, 19 * uh + 2 * h2 + h4 + jpegShift);
  MoveIfExists(fileSizeEdit, 2 * uw, 20 * uh + 2 * h2 + 2 * h4 + jpegShift);
  if (Exists(fileSizeEdit) && Exists(kbyteLabel)) {
    const RECT edit = Rect(*fileSizeEdit);
    const RECT label = Rect(*kbyteLabel);
    const int editHeight = edit.bottom - edit.top;
    const int labelHeight = label.bottom - label.top;
    MoveTo(*kbyteLabel, edit.right + uw / 2, edit.top + (editHeight - labelHeight) / 2);
    // On the file size's row, after its unit: never an output larger than its photo. It holds
    // for every quality choice; the row has room where the choice's own texts have none.
    if (Exists(neverLargerCheck)) {
      const RECT check = Rect(*neverLargerCheck);
      const int checkHeight = check.bottom - check.top;
      MoveTo(*neverLargerCheck, Rect(*kbyteLabel).right + 2 * uw, edit.top + (editHeight - checkHeight) / 2);
    }
  }
  if (Exists(fileSizeEdit)) MoveIfExists(strictSizeCheck, 2 * uw, Rect(*fileSizeEdit).bottom + h4);
  // These apply to every output type, so they stand below the JPEG group, in none. There is
  // no row to spare above the start button: the location follows the shooting data on its row,
  // the date taken is indented under the file time, and the skip stands beside it.
  const int indent = uw / 2 + margin;
  const int rightHalf = m.width / 2 + margin;
  // The right half's box, moved left as far as its text needs to stay on the page, but never
  // onto the box on its left.
  const auto rightColumn = [&](const ControlBase_CL* control, const ControlBase_CL* onTheLeft) {
    const int fitting = std::min<int>(rightHalf, m.width - uw / 2 - widthOf(control));
    return Exists(onTheLeft) ? std::max<int>(fitting, Rect(*onTheLeft).right + uw / 2) : fitting;
  };
  page::Rows checks(jpegTop + jpegGroupHeight + h4, uh + margin);
  const int metadataRow = checks.Place(keepMetadataCheck, indent);
  MoveIfExists(removeGpsCheck, rightColumn(removeGpsCheck, keepMetadataCheck), metadataRow);
  checks.Place(keepTimeCheck, indent);
  const int exifTimeRow = checks.Place(exifTimeCheck, indent + uw);
  MoveIfExists(skipDoneCheck, rightColumn(skipDoneCheck, exifTimeCheck), exifTimeRow);
}
