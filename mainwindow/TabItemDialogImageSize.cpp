#include "mainwindow/TabItemDialogImageSize.h"
#include "mainwindow/MainWindowLinks.h"

#include <cwchar>

#include "base/ShellHelpers.h"
#include "engine/SaveData.h"
#include "mainwindow/TheSaveData.h"
#include "mainwindow/PageControls.h"
#include "toolkit/ControlLayout.h"

namespace {

using page::MoveAndSize;
using page::MoveIfExists;
using page::SetCheck;


constexpr int kCustomEditCharacters = 4;
// Extra pixels between two rows of the size group, and above its first row.
constexpr int kSizeRowGap = 4;
constexpr int kSizeRowsTop = 6;
constexpr int kLabelBufferLength = 512;

constexpr const wchar_t* kTypeTexts[] = {
    L"変換前の拡張子を維持する",
    L"全てjpgにする",
    L"全てpngにする",
    L"全てbmpにする",
    L"全てwebpにする",
};
static_assert(sizeof(kTypeTexts) / sizeof(kTypeTexts[0]) == kOutputTypeCount);
// No HEIC encoder here: a kept type has to become one that can be written.
constexpr const wchar_t* kKeepTypeTip = L"HEIC・HEIF の写真は JPEG (.jpg) で保存します";

bool IsChecked(const ControlBase_CL* control) {
  return control && control->hwnd && control->IsChecked() == BST_CHECKED;
}

std::wstring FixedSizeLabel(int width, int height) {
  wchar_t buffer[kLabelBufferLength] = {};
  std::swprintf(buffer, kLabelBufferLength, L"%d x %d", width, height);
  return buffer;
}

}  // namespace

TabItemDialogImageSize_CL::TabItemDialogImageSize_CL() { style = childPageStyle; }

TabItemDialogImageSize_CL::~TabItemDialogImageSize_CL() = default;

HWND TabItemDialogImageSize_CL::Create(HWND parent) {
  style = childPageStyle;
  if (!CreateModeless(parent)) return nullptr;
  const LayoutMetrics metrics = ClientLayout(hwnd);
  CreateTypeButtons(metrics.unitWidth, metrics.unitHeight);
  CreateSizeButtons(metrics.unitWidth);
  CreateCustomSizeControls();
  ShowSettings();
  ready = 1;
  Layout();
  return hwnd;
}

void TabItemDialogImageSize_CL::CreateTypeButtons(int unitWidth, int unitHeight) {
  for (int k = 0; k < kOutputTypeCount; ++k) {
    const int y = unitHeight + unitHeight / 2 + k * unitHeight;
    const int index = controls.AddRadioButton(hwnd, kTypeTexts[k], unitWidth, y, k == 0);
    typeRadios.push_back(controls.As<RadioButton_CL>(index));
  }
  typeGroup = controls.As<GroupBox_CL>(controls.AddGroupBox(hwnd, L"変換後の画像タイプ", 0, 0, 0));
}

void TabItemDialogImageSize_CL::CreateSizeButtons(int unitWidth) {
  for (int i = 0; i < kSizeChoiceCount; ++i) {
    SizeChoice choice;
    choice.width = kSizeChoices[i].width;
    choice.height = kSizeChoices[i].height;
    if (i == kSizeChoiceCustom) {
      choice.label = L"指定サイズ";
    } else if (i == kSizeChoiceKeep) {
      choice.label = L"サイズ変更無し";
    } else {
      choice.label = FixedSizeLabel(choice.width, choice.height);
    }
    sizeChoices.push_back(std::move(choice));
  }
  for (size_t i = 0; i < sizeChoices.size(); ++i) {
    const int index = controls.AddRadioButton(hwnd, sizeChoices[i].label, unitWidth, 0, i == 0);
    sizeChoices[i].radio = controls.As<RadioButton_CL>(index);
  }
}

void TabItemDialogImageSize_CL::CreateCustomSizeControls() {
  widthEdit = controls.As<Edit_CL>(controls.AddEdit(hwnd, kCustomEditCharacters));
  timesLabel = controls.As<StaticText_CL>(controls.AddStaticText(hwnd, L"x", 0, 0));
  heightEdit = controls.As<Edit_CL>(controls.AddEdit(hwnd, kCustomEditCharacters));
  noEnlargeCheck = controls.As<CheckBox_CL>(controls.AddCheckBox(hwnd, L"小さい写真は拡大しない", 0, 0));
  sizeGroup = controls.As<GroupBox_CL>(
      controls.AddGroupBox(hwnd, L"この範囲内に収まる写真サイズに調整する", 0, 0, 0));
}

// The stored choices may come from a hand-edited file: a type or size index outside its
// table shows (and fits to) the default choice, while the stored value stays as it is
// until the user picks another.
void TabItemDialogImageSize_CL::ShowSettings() {
  SetCheck(typeRadios[static_cast<size_t>(theSaveData.ValidOutputType())], true);
  if (widthEdit) SetWindowTextW(widthEdit->hwnd, IntToText(theSaveData.outputWidth).c_str());
  if (heightEdit) SetWindowTextW(heightEdit->hwnd, IntToText(theSaveData.outputHeight).c_str());
  const SizeChoice& chosen = sizeChoices[static_cast<size_t>(theSaveData.ValidResizeIndex())];
  SetCheck(chosen.radio, true);
  theSaveData.fitWidth = chosen.width;
  theSaveData.fitHeight = chosen.height;
  SetCheck(noEnlargeCheck, theSaveData.NoEnlarge != 0);
}

INT_PTR TabItemDialogImageSize_CL::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_COMMAND:
      if (ready) OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    default:
      return SubClassDialogBase_CL::DialogProc(window, message, wParam, lParam);
  }
}

void TabItemDialogImageSize_CL::OnCommand(int id, int notification) {
  for (size_t k = 0; k < typeRadios.size(); ++k) {
    const RadioButton_CL* const radio = typeRadios[k];
    if (radio && radio->id == id && IsChecked(radio)) {
      theSaveData.OutputImageType = static_cast<int>(k);
      // The preview does not depend on the output type: save now, no refresh.
      theSaveData.Save();
    }
  }
  for (size_t i = 0; i < sizeChoices.size(); ++i) {
    const SizeChoice& choice = sizeChoices[i];
    if (choice.radio && choice.radio->id == id && IsChecked(choice.radio)) {
      theSaveData.ResizeRadioIndex = static_cast<int>(i);
      theSaveData.fitWidth = choice.width;
      theSaveData.fitHeight = choice.height;
      RequestPreviewRefresh();
    }
  }
  if (noEnlargeCheck && noEnlargeCheck->id == id) {
    theSaveData.NoEnlarge = page::CheckState(*noEnlargeCheck);
    RequestPreviewRefresh();
  }
  if (notification == EN_UPDATE) {
    if (widthEdit && id == widthEdit->id) OnCustomSizeTyped(*widthEdit, theSaveData.outputWidth);
    if (heightEdit && id == heightEdit->id) OnCustomSizeTyped(*heightEdit, theSaveData.outputHeight);
  }
  page::ForwardConvertClick(id, parentWindow);
}

void TabItemDialogImageSize_CL::OnCustomSizeTyped(const Edit_CL& edit, int& field) {
  field = TextToInt(edit.GetText());
  SelectCustomSize();
  // Every keystroke asks for its own refresh, whatever is pending.
  page::PostRefresh();
}

void TabItemDialogImageSize_CL::SelectCustomSize() {
  for (const SizeChoice& choice : sizeChoices) SetCheck(choice.radio, false);
  const SizeChoice& custom = sizeChoices[kSizeChoiceCustom];
  SetCheck(custom.radio, true);
  theSaveData.ResizeRadioIndex = kSizeChoiceCustom;
  theSaveData.fitWidth = custom.width;
  theSaveData.fitHeight = custom.height;
}

void TabItemDialogImageSize_CL::Layout() {
  if (!sizeGroup || !hwnd) return;
  const LayoutMetrics m = ClientLayout(hwnd);
  const int uw = m.unitWidth;
  const int uh = m.unitHeight;
  const int groupWidth = m.width - uw / 2;
  const int pitch = uh + kSizeRowGap;
  const int typeCount = static_cast<int>(typeRadios.size());
  const int sizeCount = static_cast<int>(sizeChoices.size());
  MoveAndSize(typeGroup, 4, 4, groupWidth, uh / 2 + typeCount * (uh + 4));
  // Below the type group, whatever its number of buttons: the size buttons, then the check
  // box on a row of its own; the title and the margins take one more row.
  const int groupTop = uh / 2 + (typeCount + 2) * uh;
  const int firstRow = groupTop + uh / 2 + kSizeRowsTop;
  MoveAndSize(sizeGroup, 4, groupTop, groupWidth, (sizeCount + 2) * pitch);
  for (int i = 0; i < sizeCount; ++i) {
    MoveIfExists(sizeChoices[static_cast<size_t>(i)].radio, uw, firstRow + i * pitch);
  }
  MoveIfExists(noEnlargeCheck, uw, firstRow + sizeCount * pitch);
  PlaceKeepTypeTip();
  const RadioButton_CL* const custom = sizeChoices[kSizeChoiceCustom].radio;
  if (!custom || !custom->hwnd || !widthEdit || !heightEdit || !timesLabel) return;
  const RECT customRect = RectInParent(*custom);
  const int editY = customRect.top - 2;
  MoveTo(*widthEdit, customRect.left + 6 * uw, editY);
  MoveTo(*heightEdit, customRect.left + 10 * uw, editY);
  const RECT widthRect = RectInParent(*widthEdit);
  const RECT heightRect = RectInParent(*heightEdit);
  MoveTo(*timesLabel, widthRect.right + (heightRect.left - widthRect.right - uw / 2) / 2, editY);
}

// The tip covers the keep-type button where it now lies.
void TabItemDialogImageSize_CL::PlaceKeepTypeTip() {
  const RadioButton_CL* const keep = typeRadios.empty() ? nullptr : typeRadios[0];
  if (!keep || !keep->hwnd) return;
  if (!tips.hwnd && !tips.Create(hwnd, TTS_ALWAYSTIP | TTS_NOPREFIX)) return;
  RECT rect{};
  GetClientRect(keep->hwnd, &rect);
  tips.RemoveAllTools();
  tips.AddTool(keep->hwnd, 1, rect, kKeepTypeTip);
}
