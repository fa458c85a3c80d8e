#include "mainwindow/TabItemDialogEffect.h"

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "mainwindow/PageControls.h"
#include "mainwindow/WindowState.h"
#include "toolkit/ControlLayout.h"

namespace {

using page::CheckState;
using page::Exists;
using page::MoveAndSize;
using page::MoveIfExists;
using page::SetCheck;


constexpr int kTextBufferLength = 512;

int SliderPosition(const TrackBar_CL* slider) {
  return Exists(slider) ? static_cast<int>(SendMessageW(slider->hwnd, TBM_GETPOS, 0, 0)) : 0;
}

void SetSliderPosition(const TrackBar_CL* slider, int position) {
  if (Exists(slider)) SendMessageW(slider->hwnd, TBM_SETPOS, TRUE, position);
}

// Slider position x 2 / 100, as a 32-bit float, in the given format, then the key.
void SetFactorText(const ControlBase_CL* control, const wchar_t* format, int position, wchar_t key) {
  if (!Exists(control)) return;
  const float factor = static_cast<float>(position) * 2.0f / 100.0f;
  wchar_t buffer[kTextBufferLength] = {};
  std::swprintf(buffer, kTextBufferLength, format, static_cast<double>(factor), key);
  SetWindowTextW(control->hwnd, buffer);
}

std::wstring WithKey(const wchar_t* text, wchar_t key) { return std::wstring(text) + L"(&" + key + L")"; }

// The keys of the upper group (all photos) and of the lower one (this photo).
constexpr EffectControls::Keys kAllKeys{L'N', L'M', L'E', L'B', L'C'};
constexpr EffectControls::Keys kPhotoKeys{L'O', L'K', L'I', L'R', L'T'};

int HeightOf(const ControlBase_CL& control) {
  const RECT r = RectInParent(control);
  return r.bottom - r.top;
}

}  // namespace

// ---- EffectControls ----

void EffectControls::Build(ControlFactory_CL& factory, HWND pageWindow, const Keys& groupKeys, const wchar_t* title,
                           int groupFirstId) {
  controls = &factory;
  page = pageWindow;
  keys = groupKeys;
  firstId = groupFirstId;
  const auto part = [&](Part made) { factory.nextId = firstId + made; };
  part(kNonePart);
  noneRadio = factory.As<RadioButton_CL>(factory.AddRadioButton(page, WithKey(L"そのまま", keys.none), 0, 0, true));
  part(kMonoPart);
  monoRadio = factory.As<RadioButton_CL>(factory.AddRadioButton(page, WithKey(L"白黒", keys.mono), 0, 0, false));
  part(kSepiaPart);
  sepiaRadio = factory.As<RadioButton_CL>(factory.AddRadioButton(page, WithKey(L"セピア調", keys.sepia), 0, 0, false));
  part(kBrightPart);
  brightCheck = factory.As<CheckBox_CL>(factory.AddCheckBox(page, WithKey(L"写真の明るさ(8.88)", L'W'), 0, 0));
  part(kBrightSliderPart);
  brightSlider = factory.As<TrackBar_CL>(factory.AddTrackBar(page));
  part(kContrastPart);
  contrastCheck = factory.As<CheckBox_CL>(factory.AddCheckBox(page, WithKey(L"コントラスト(8.88)", L'W'), 0, 0));
  part(kContrastSliderPart);
  contrastSlider = factory.As<TrackBar_CL>(factory.AddTrackBar(page));
  part(kFramePart);
  frame = factory.As<GroupBox_CL>(factory.AddGroupBox(page, title, 0, 0, 0));
}

void EffectControls::AddSliderNames(ControlFactory_CL& factory) {
  factory.nextId = firstId + kBrightNamePart;
  brightName = AddHiddenLabel(factory, page, L"明るさ");
  factory.nextId = firstId + kContrastNamePart;
  contrastName = AddHiddenLabel(factory, page, L"コントラスト");
}

std::vector<const ControlBase_CL*> EffectControls::TabOrder() const {
  return {nullptr,     noneRadio,      monoRadio,     sepiaRadio,   brightCheck,
          brightName,  brightSlider,   contrastCheck, contrastName, contrastSlider};
}

void EffectControls::Load(const EffectParams& values) {
  SetCheck(brightCheck, values.CheckBriteness);
  SetSliderPosition(brightSlider, values.ValueBriteness);
  SetCheck(contrastCheck, values.CheckContrast);
  SetSliderPosition(contrastSlider, values.ValueContrast);
  SetCheck(noneRadio, values.EffectRadioIndex == ColourEffect::None);
  SetCheck(monoRadio, values.EffectRadioIndex == ColourEffect::GreyScale);
  SetCheck(sepiaRadio, values.EffectRadioIndex == ColourEffect::Sepia);
  UpdateTexts();
}

void EffectControls::Enable(bool enabled) const {
  const ControlBase_CL* const all[] = {frame,       noneRadio,     monoRadio,    sepiaRadio,
                                       brightCheck, contrastCheck, brightSlider, contrastSlider};
  for (const ControlBase_CL* control : all) {
    if (Exists(control)) EnableWindow(control->hwnd, enabled ? TRUE : FALSE);
  }
}

void EffectControls::UpdateTexts() const {
  SetFactorText(brightCheck, L"写真の明るさ(%1.2f)(&%lc)", SliderPosition(brightSlider), keys.bright);
  SetFactorText(contrastCheck, L"コントラスト(%1.2f)(&%lc)", SliderPosition(contrastSlider), keys.contrast);
}

void EffectControls::Layout(int top, const LayoutMetrics& m) const {
  const int pageWidth = m.width;
  const int uw = m.unitWidth;
  const int uh = m.unitHeight;
  MoveAndSize(frame, m.Px(4), top, pageWidth - uw / 2, 11 * uh);
  const int r = top + uh;
  const int x = uw + m.Px(4);
  MoveIfExists(noneRadio, x, r);
  MoveIfExists(monoRadio, x, r + uh);
  MoveIfExists(sepiaRadio, x, r + 2 * uh);
  MoveIfExists(brightCheck, x, r + 4 * uh);
  const int sliderWidth = pageWidth - 2 * uw;
  const int sliderHeight = Exists(brightCheck) ? HeightOf(*brightCheck) * 3 / 2 : 0;
  MoveAndSize(brightSlider, x, r + 5 * uh, sliderWidth, sliderHeight);
  MoveIfExists(contrastCheck, x, r + 6 * uh + uh / 2);
  MoveAndSize(contrastSlider, x, r + 7 * uh + uh / 2, sliderWidth, sliderHeight);
}

void EffectControls::PostRefresh() const {
  if (links != nullptr) links->RequestPreviewRefresh(RefreshPost::kAlways);
}

void EffectControls::OnCommand(int id, EffectParams& values) const {
  if (Exists(brightCheck) && id == brightCheck->id) {
    values.CheckBriteness = CheckState(*brightCheck);
    PostRefresh();
  }
  if (Exists(contrastCheck) && id == contrastCheck->id) {
    values.CheckContrast = CheckState(*contrastCheck);
    PostRefresh();
  }
  if (noneRadio && sepiaRadio && id >= noneRadio->id && id <= sepiaRadio->id) {
    values.EffectRadioIndex = static_cast<ColourEffect>(id - noneRadio->id);
  }
  PostRefresh();
}

bool EffectControls::OnScroll(HWND slider, EffectParams& values) const {
  bool matched = false;
  if (Exists(brightSlider) && slider == brightSlider->hwnd) {
    values.ValueBriteness = SliderPosition(brightSlider);
    matched = true;
  }
  if (Exists(contrastSlider) && slider == contrastSlider->hwnd) {
    values.ValueContrast = SliderPosition(contrastSlider);
    matched = true;
  }
  if (matched) UpdateTexts();
  return matched;
}

// ---- TabItemDialogEffect_CL ----

const std::vector<SwitchRow>& TabItemDialogEffect_CL::Switches() const {
  static const std::vector<SwitchRow> none;
  return none;
}

void TabItemDialogEffect_CL::CreateControls() {
  NextId(kAllRadioId);
  allRadio =
      controls.As<RadioButton_CL>(controls.AddRadioButton(hwnd, L"全ての写真にエフェクトをかける(&A)", 0, 0, true));
  NextId(kPhotoRadioId);
  photoRadio =
      controls.As<RadioButton_CL>(controls.AddRadioButton(hwnd, L"この写真にエフェクトをかける(&P)", 0, 0, false));
  // The frames' titles, for a screen reader, lie under the two choices above them.
  allGroup.links = links;
  photoGroup.links = links;
  allGroup.Build(controls, hwnd, kAllKeys, L"全ての写真のエフェクト", kAllGroupFirstId);
  photoGroup.Build(controls, hwnd, kPhotoKeys, L"この写真のエフェクト", kPhotoGroupFirstId);
  allGroup.AddSliderNames(controls);
  photoGroup.AddSliderNames(controls);
}

void TabItemDialogEffect_CL::ShowSettings() {
  allGroup.Load(Settings().globalEffect);
  photoGroup.Load(links->state->photoEffect);
  SetCheck(allRadio, true);
  allGroup.Enable(true);
  photoGroup.Enable(false);
}

// The two choices are one run of buttons, so the arrows go from one to the other; each
// group's controls follow in reading order, the disabled group passed over.
void TabItemDialogEffect_CL::SetTabOrder() {
  std::vector<const ControlBase_CL*> order{allRadio, photoRadio};
  for (const EffectControls* group : {&allGroup, &photoGroup}) {
    const std::vector<const ControlBase_CL*> part = group->TabOrder();
    order.insert(order.end(), part.begin(), part.end());
  }
  ::SetTabOrder(order, {allGroup.frame, photoGroup.frame});
}

void TabItemDialogEffect_CL::ShowPhoto(const PhotoItem* photo) {
  if (!photo) {
    SetCheck(allRadio, false);
    SetCheck(photoRadio, false);
    allGroup.Enable(false);
    photoGroup.Enable(false);
    return;
  }
  photoGroup.Load(photo->effect);
  const bool own = photo->ownEffect != 0;
  SetCheck(allRadio, !own);
  SetCheck(photoRadio, own);
  allGroup.Enable(!own);
  photoGroup.Enable(own);
}

void TabItemDialogEffect_CL::OnCommand(int id, int) {
  allGroup.OnCommand(id, Settings().globalEffect);
  // Without a current photo the lower group can be clicked but stores nothing.
  if (Settings().CurrentItem()) photoGroup.OnCommand(id, Settings().CurrentItem()->effect);

  if (allRadio && photoRadio && id >= allRadio->id && id <= photoRadio->id) {
    if (Settings().CurrentItem()) Settings().CurrentItem()->ownEffect = id - allRadio->id;
    allGroup.Enable(id == allRadio->id);
    photoGroup.Enable(id == photoRadio->id);
  }
  RequestPreviewRefresh();
  ForwardConvertClick(id);
}

void TabItemDialogEffect_CL::OnScroll(HWND slider) {
  bool matched = allGroup.OnScroll(slider, Settings().globalEffect);
  if (Settings().CurrentItem() && photoGroup.OnScroll(slider, Settings().CurrentItem()->effect)) matched = true;
  // The thumb is followed while it is dragged; one refresh covers a whole run of scrolls.
  if (matched) RequestPreviewRefresh();
}

void TabItemDialogEffect_CL::Layout() {
  if (!ready || !hwnd) return;
  const LayoutMetrics m = ClientLayout(hwnd);
  const int uw = m.unitWidth;
  const int uh = m.unitHeight;
  // Each choice stands just above its frame's top edge, clear of the frame's first row.
  const int frameTop = m.Px(4);
  const int aboveFrame = m.Px(4) - m.Px(2);
  MoveIfExists(allRadio, uw / 2 + frameTop, aboveFrame);
  allGroup.Layout(frameTop, m);
  MoveIfExists(photoRadio, uw / 2 + frameTop, 12 * uh + aboveFrame);
  photoGroup.Layout(12 * uh + frameTop, m);
}
