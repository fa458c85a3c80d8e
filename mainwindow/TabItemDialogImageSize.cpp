#include "mainwindow/TabItemDialogImageSize.h"

#include <algorithm>
#include <cwchar>

#include "base/ShellHelpers.h"
#include "engine/SaveData.h"
#include "mainwindow/PageControls.h"
#include "toolkit/ControlLayout.h"

namespace {

using page::MoveAndSize;
using page::MoveIfExists;
using page::SetCheck;


constexpr int kCustomEditCharacters = 4;
constexpr int kLongEdgeEditCharacters = 5;
constexpr int kScaleEditCharacters = 3;
// Extra pixels between two rows of the size group, and above its first row.
constexpr int kSizeRowGap = 4;
constexpr int kSizeRowsTop = 6;
constexpr int kLabelBufferLength = 512;

constexpr const wchar_t* kTypeTexts[] = {
    L"変換前の拡張子を維持する(&K)",
    L"全てjpgにする(&J)",
    L"全てpngにする(&P)",
    L"全てbmpにする(&B)",
    L"全てwebpにする(&W)",
    L"全てavifにする(&V)",
};
static_assert(sizeof(kTypeTexts) / sizeof(kTypeTexts[0]) == kOutputTypeCount);
// No HEIC encoder here: a kept type has to become one that can be written.
constexpr const wchar_t* kKeepTypeTip = L"HEIC・HEIF の写真は JPEG (.jpg) で保存します";

void Enable(const ControlBase_CL* control, bool enabled) {
  if (page::Exists(control)) EnableWindow(control->hwnd, enabled ? TRUE : FALSE);
}

int HeightOf(const ControlBase_CL* control) {
  if (!page::Exists(control)) return 0;
  const RECT r = RectInParent(*control);
  return r.bottom - r.top;
}

bool IsChecked(const ControlBase_CL* control) {
  return control && control->hwnd && control->IsChecked() == BST_CHECKED;
}

// "1600 x 1200(&1)": the nine boxes take the digits 1 to 9 as their keys.
std::wstring FixedSizeLabel(int width, int height, int key) {
  wchar_t buffer[kLabelBufferLength] = {};
  std::swprintf(buffer, kLabelBufferLength, L"%d x %d(&%d)", width, height, key);
  return buffer;
}

// `edit` on the row of `radio`, `offset` right of the button's left edge, and `unit` after
// it the label that follows the number.
void LayoutNumberBox(const RadioButton_CL* radio, const Edit_CL* edit, const StaticText_CL* label, int offset,
                     int unit, int lift) {
  if (!page::Exists(radio) || !page::Exists(edit)) return;
  const RECT button = RectInParent(*radio);
  MoveTo(*edit, button.left + offset, button.top - lift);
  if (!page::Exists(label)) return;
  const RECT box = RectInParent(*edit);
  MoveTo(*label, box.right + unit / 2, button.top);
}

}  // namespace

// The page's yes/no options: each row's check box, its text, its id, its field, its row under
// the size buttons, and what it greys while off. The fill's anchors are greyed by the size
// choice as well (EnableFill).
const std::vector<SwitchRow>& TabItemDialogImageSize_CL::Switches() const {
  static const std::vector<SwitchRow> rows{
      {kNoEnlargeId, L"小さい写真は拡大しない(&E)", [](const ConvertSettings& s) { return s.NoEnlarge; },
       [](ConvertSettings& s, bool on) { s.NoEnlarge = on; }, 0, 0},
      {kSharpenId, L"縮小後にくっきりさせる(&H)", [](const ConvertSettings& s) { return s.Sharpen; },
       [](ConvertSettings& s, bool on) { s.Sharpen = on; }, 1, 0},
      {kFillId, L"切り抜いてぴったりにする(&F)", [](const ConvertSettings& s) { return s.CropToFill == FitOrFill::Fill; },
       [](ConvertSettings& s, bool on) { s.CropToFill = on ? FitOrFill::Fill : FitOrFill::Fit; }, 2, kAttentionId},
  };
  return rows;
}

void TabItemDialogImageSize_CL::CreateControls() {
  const LayoutMetrics metrics = ClientLayout(hwnd);
  CreateTypeButtons(metrics.unitWidth, metrics.unitHeight);
  CreateSizeButtons(metrics.unitWidth);
  CreateCustomSizeControls();
  CreateLongEdgeAndScaleControls();
  CreateFillControls();
}

void TabItemDialogImageSize_CL::CreateTypeButtons(int unitWidth, int unitHeight) {
  for (int k = 0; k < kOutputTypeCount; ++k) {
    const int y = unitHeight + unitHeight / 2 + k * unitHeight;
    NextId(kFirstTypeId + k);
    const int index = controls.AddRadioButton(hwnd, kTypeTexts[k], unitWidth, y, k == 0);
    typeRadios.push_back(controls.As<RadioButton_CL>(index));
  }
  NextId(kTypeGroupId);
  typeGroup = controls.As<GroupBox_CL>(controls.AddGroupBox(hwnd, L"変換後の画像タイプ", 0, 0, 0));
}

void TabItemDialogImageSize_CL::CreateSizeButtons(int unitWidth) {
  for (int i = 0; i < kSizeChoiceCount; ++i) {
    const SizeChoice size = static_cast<SizeChoice>(i);
    SizeButton choice;
    if (size == SizeChoice::Custom) {
      choice.label = L"指定サイズ(&Z)";
    } else if (size == SizeChoice::Keep) {
      choice.label = L"サイズ変更無し(&N)";
    } else if (size == SizeChoice::LongEdge) {
      choice.label = L"長辺を指定(&L)";
    } else if (size == SizeChoice::Percent) {
      choice.label = L"元のサイズの(&O)";
    } else {
      choice.label = FixedSizeLabel(kFixedBoxes[i].width, kFixedBoxes[i].height, i + 1);
    }
    sizeChoices.push_back(std::move(choice));
  }
  // The long edge and scale buttons come later (CreateLongEdgeAndScaleControls).
  for (size_t i = 0; i < sizeChoices.size() && static_cast<SizeChoice>(i) <= SizeChoice::Keep; ++i) {
    NextId(kFirstSizeId + static_cast<int>(i));
    const int index = controls.AddRadioButton(hwnd, sizeChoices[i].label, unitWidth, 0, i == 0);
    sizeChoices[i].radio = controls.As<RadioButton_CL>(index);
  }
}

void TabItemDialogImageSize_CL::CreateLongEdgeAndScaleControls() {
  SizeButton& longEdge = Button(SizeChoice::LongEdge);
  NextId(kFirstSizeId + static_cast<int>(SizeChoice::LongEdge));
  longEdge.radio = controls.As<RadioButton_CL>(controls.AddRadioButton(hwnd, longEdge.label, 0, 0, false));
  NextId(kLongEdgeEditId);
  longEdgeEdit = controls.As<Edit_CL>(controls.AddEdit(hwnd, kLongEdgeEditCharacters));
  SizeButton& scale = Button(SizeChoice::Percent);
  NextId(kFirstSizeId + static_cast<int>(SizeChoice::Percent));
  scale.radio = controls.As<RadioButton_CL>(controls.AddRadioButton(hwnd, scale.label, 0, 0, false));
  NextId(kScaleEditId);
  scaleEdit = controls.As<Edit_CL>(controls.AddEdit(hwnd, kScaleEditCharacters));
  NextId(kPercentLabelId);
  percentLabel = controls.As<StaticText_CL>(controls.AddStaticText(hwnd, L"%", 0, 0));
}

void TabItemDialogImageSize_CL::CreateFillControls() {
  CreateSwitches();
  noEnlargeCheck = SwitchControl(kNoEnlargeId);
  sharpenCheck = SwitchControl(kSharpenId);
  fillCheck = SwitchControl(kFillId);
  NextId(kCentreId);
  centreRadio = controls.As<RadioButton_CL>(controls.AddRadioButton(hwnd, L"中央(&C)", 0, 0, true));
  NextId(kAttentionId);
  attentionRadio = controls.As<RadioButton_CL>(controls.AddRadioButton(hwnd, L"見どころ(&A)", 0, 0, false));
  // The names of the number boxes.
  NextId(kWidthNameId);
  widthName = AddHiddenLabel(controls, hwnd, L"幅");
  NextId(kHeightNameId);
  heightName = AddHiddenLabel(controls, hwnd, L"高さ");
  NextId(kLongEdgeNameId);
  longEdgeName = AddHiddenLabel(controls, hwnd, L"長辺 (px)");
  NextId(kScaleNameId);
  scaleName = AddHiddenLabel(controls, hwnd, L"縮小率 (%)");
}

// The order a reader takes: the types, the sizes (one run of buttons, so the arrows go from
// any size to the next), the boxes of the sizes that have one, each after its name, the
// yes/no rows, the crop's two anchors. The frames lie under all of them.
void TabItemDialogImageSize_CL::SetTabOrder() {
  std::vector<const ControlBase_CL*> order(typeRadios.begin(), typeRadios.end());
  order.push_back(nullptr);
  for (const SizeButton& choice : sizeChoices) order.push_back(choice.radio);
  order.insert(order.end(), {widthName, widthEdit, timesLabel, heightName, heightEdit, longEdgeName, longEdgeEdit,
                             scaleName, scaleEdit, percentLabel});
  for (const SwitchRow& row : Switches()) order.push_back(SwitchControl(row.id));
  order.insert(order.end(), {nullptr, centreRadio, attentionRadio});
  ::SetTabOrder(order, {typeGroup, sizeGroup});
}

void TabItemDialogImageSize_CL::CreateCustomSizeControls() {
  NextId(kWidthEditId);
  widthEdit = controls.As<Edit_CL>(controls.AddEdit(hwnd, kCustomEditCharacters));
  NextId(kTimesLabelId);
  timesLabel = controls.As<StaticText_CL>(controls.AddStaticText(hwnd, L"x", 0, 0));
  NextId(kHeightEditId);
  heightEdit = controls.As<Edit_CL>(controls.AddEdit(hwnd, kCustomEditCharacters));
  NextId(kSizeGroupId);
  sizeGroup = controls.As<GroupBox_CL>(
      controls.AddGroupBox(hwnd, L"この範囲内に収まる写真サイズに調整する", 0, 0, 0));
}

void TabItemDialogImageSize_CL::ShowSettings() {
  for (size_t k = 0; k < typeRadios.size(); ++k) SetCheck(typeRadios[k], k == static_cast<size_t>(Settings().OutputImageType));
  if (widthEdit) SetWindowTextW(widthEdit->hwnd, IntToText(Settings().outputWidth).c_str());
  if (heightEdit) SetWindowTextW(heightEdit->hwnd, IntToText(Settings().outputHeight).c_str());
  for (const SizeButton& choice : sizeChoices) SetCheck(choice.radio, false);
  SetCheck(Button(Settings().ResizeRadioIndex).radio, true);
  if (longEdgeEdit) SetWindowTextW(longEdgeEdit->hwnd, IntToText(Settings().LongEdge).c_str());
  if (scaleEdit) SetWindowTextW(scaleEdit->hwnd, IntToText(Settings().ScalePercent).c_str());
  ShowSwitches();
  SetCheck(centreRadio, Settings().CropAnchor != FillAnchor::Attention);
  SetCheck(attentionRadio, Settings().CropAnchor == FillAnchor::Attention);
  EnableFill();
}

void TabItemDialogImageSize_CL::EnableFill() {
  const bool box = HasSizeBox(Settings().ResizeRadioIndex);
  Enable(fillCheck, box);
  Enable(centreRadio, box && Settings().CropToFill == FitOrFill::Fill);
  Enable(attentionRadio, box && Settings().CropToFill == FitOrFill::Fill);
}

void TabItemDialogImageSize_CL::OnCommand(int id, int notification) {
  for (size_t k = 0; k < typeRadios.size(); ++k) {
    const RadioButton_CL* const radio = typeRadios[k];
    if (radio && radio->id == id && IsChecked(radio)) {
      Settings().OutputImageType = static_cast<OutputTypeChoice>(k);
      // The preview does not depend on the output type: save now, no refresh.
      if (links->saveNow) links->saveNow();
    }
  }
  for (size_t i = 0; i < sizeChoices.size(); ++i) {
    const SizeButton& choice = sizeChoices[i];
    if (choice.radio && choice.radio->id == id && IsChecked(choice.radio)) {
      SelectSize(static_cast<SizeChoice>(i));
      RequestPreviewRefresh();
    }
  }
  if (ReadSwitch(id)) EnableFill();
  for (const RadioButton_CL* anchor : {centreRadio, attentionRadio}) {
    if (anchor && anchor->id == id && IsChecked(anchor)) {
      Settings().CropAnchor = anchor == attentionRadio ? FillAnchor::Attention : FillAnchor::Centre;
      RequestPreviewRefresh();
    }
  }
  if (notification == EN_UPDATE) {
    if (widthEdit && id == widthEdit->id) OnCustomSizeTyped(*widthEdit, Settings().outputWidth);
    if (heightEdit && id == heightEdit->id) OnCustomSizeTyped(*heightEdit, Settings().outputHeight);
    if (longEdgeEdit && id == longEdgeEdit->id)
      OnChoiceNumberTyped(*longEdgeEdit, kSmallestLongEdge, kLargestLongEdge, Settings().LongEdge,
                          SizeChoice::LongEdge);
    if (scaleEdit && id == scaleEdit->id)
      OnChoiceNumberTyped(*scaleEdit, kSmallestScalePercent, kLargestScalePercent, Settings().ScalePercent,
                          SizeChoice::Percent);
  }
  ForwardConvertClick(id);
}

void TabItemDialogImageSize_CL::OnCustomSizeTyped(const Edit_CL& edit, int& field) {
  field = TextToInt(edit.GetText());
  SelectCustomSize();
  // Every keystroke asks for its own refresh, whatever is pending.
  PostRefresh();
}

void TabItemDialogImageSize_CL::OnChoiceNumberTyped(const Edit_CL& edit, int low, int high, int& field,
                                                    SizeChoice choice) {
  // A number outside the range (a box half typed, emptied) is not taken: the last good one stays.
  const int value = TextToInt(edit.GetText());
  if (value < low || value > high) return;
  field = value;
  SelectSize(choice);
  PostRefresh();
}

void TabItemDialogImageSize_CL::SelectCustomSize() { SelectSize(SizeChoice::Custom); }

void TabItemDialogImageSize_CL::SelectSize(SizeChoice index) {
  for (const SizeButton& choice : sizeChoices) SetCheck(choice.radio, false);
  SetCheck(Button(index).radio, true);
  Settings().ResizeRadioIndex = index;
  EnableFill();
}

TabItemDialogImageSize_CL::SizeButton& TabItemDialogImageSize_CL::Button(SizeChoice choice) {
  return sizeChoices[static_cast<size_t>(choice)];
}

// Two groups of rows: the output types (the four "全て..." two to a row), then the sizes with
// their boxes, the check boxes on rows of their own and the crop's two anchors side by side
// under its check box. A row more is one line more.
void TabItemDialogImageSize_CL::Layout() {
  if (!sizeGroup || !hwnd) return;
  const LayoutMetrics m = ClientLayout(hwnd);
  const int uw = m.unitWidth;
  const int uh = m.unitHeight;
  const int margin = m.Px(4);
  const int groupWidth = m.width - uw / 2;

  // "変換前の拡張子を維持する" on a row of its own, the four "全て..." two to a row.
  page::Rows types(uh + uh / 2, uh);
  const int secondColumn = uw + groupWidth / 2;
  types.Place(typeRadios[0], uw);
  for (size_t k = 1; k < typeRadios.size(); k += 2) {
    const int top = types.Place(typeRadios[k], uw);
    if (k + 1 < typeRadios.size()) MoveIfExists(typeRadios[k + 1], secondColumn, top);
  }
  MoveAndSize(typeGroup, margin, margin, groupWidth, types.Next() + uh / 2 - margin);

  // The title and the margins take one more row under the type group.
  const int groupTop = uh / 2 + (types.count + 2) * uh;
  // A number box is taller than its button's row: the rows are far enough apart that a box,
  // centred on its button, reaches neither the row above nor the row below.
  const int buttonHeight = HeightOf(Button(SizeChoice::Custom).radio);
  const int boxHeight = HeightOf(widthEdit);
  const int lift = boxHeight > buttonHeight ? (boxHeight - buttonHeight) / 2 : 0;
  const int pitch = std::max(uh + m.Px(kSizeRowGap), (boxHeight + buttonHeight + 1) / 2);
  page::Rows sizes(groupTop + uh / 2 + m.Px(kSizeRowsTop), pitch);
  for (const SizeButton& choice : sizeChoices) sizes.Place(choice.radio, uw);
  // The yes/no rows, each on its row under the size buttons.
  const int firstSwitchRow = sizes.count;
  for (const SwitchRow& row : Switches()) {
    MoveIfExists(SwitchControl(row.id), uw, sizes.top + (firstSwitchRow + row.row) * sizes.pitch);
    sizes.count = std::max(sizes.count, firstSwitchRow + row.row + 1);
  }
  const int anchorTop = sizes.Place(centreRadio, 2 * uw);
  if (page::Exists(centreRadio)) MoveIfExists(attentionRadio, RectInParent(*centreRadio).right + uw, anchorTop);
  MoveAndSize(sizeGroup, margin, groupTop, groupWidth, (sizes.count + 1) * sizes.pitch);

  LayoutNumberBox(Button(SizeChoice::LongEdge).radio, longEdgeEdit, nullptr, 6 * uw, uw, lift);
  LayoutNumberBox(Button(SizeChoice::Percent).radio, scaleEdit, percentLabel, 7 * uw, uw, lift);
  PlaceKeepTypeTip();
  const RadioButton_CL* const custom = Button(SizeChoice::Custom).radio;
  if (!custom || !custom->hwnd || !widthEdit || !heightEdit || !timesLabel) return;
  const RECT customRect = RectInParent(*custom);
  const int editY = customRect.top - lift;
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
