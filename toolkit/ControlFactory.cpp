#include "toolkit/ControlFactory.h"

#include <commctrl.h>

#include "base/HighDpiHelper.h"

namespace {

// WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, and the same with WS_TABSTOP.
constexpr DWORD childStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD tabStopChildStyle = childStyle | WS_TABSTOP;
constexpr DWORD checkBoxStyle = tabStopChildStyle | BS_AUTOCHECKBOX;
constexpr DWORD radioStyle = tabStopChildStyle | BS_AUTORADIOBUTTON;
constexpr DWORD groupBoxStyle = childStyle | BS_GROUPBOX;
constexpr DWORD trackBarStyle = tabStopChildStyle | TBS_NOTICKS | TBS_ENABLESELRANGE;
constexpr int trackBarWidth = 100;
constexpr int trackBarHeight = 22;
// Room around a text, in 96-DPI pixels: a button's frame, a check box's box, a box's edge.
constexpr int buttonPadding = 8;
constexpr int checkBoxRoom = 32;
constexpr int radioExtraHeight = 2;
constexpr int editPadding = 6;

}  // namespace

ControlBase_CL* ControlFactory_CL::At(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return controls[static_cast<size_t>(index)].get();
}

int ControlFactory_CL::Adopt(std::unique_ptr<ControlBase_CL> control) {
  controls.push_back(std::move(control));
  return Count() - 1;
}

void ControlFactory_CL::Prepare(ControlBase_CL& control, const std::wstring& text, int characters) const {
  if (font) control.font = font;
  control.sizingText = text;
  control.sizingCharacters = characters;
}

SIZE ControlFactory_CL::FittedSize(const ControlBase_CL& control) const {
  const auto px = [this](int value) { return HighDpiHelper_CL::Scale(value, dpi); };
  const std::wstring& text = control.sizingText;
  switch (control.kind) {
    case StaticText_CL::kindCode:
      return control.TextSize(text);
    case Button_CL::kindCode: {
      const SIZE size = control.TextSize(text);
      return SIZE{size.cx + px(buttonPadding), size.cy + px(buttonPadding)};
    }
    case CheckBox_CL::kindCode: {
      const SIZE size = control.TextSize(text);
      return SIZE{size.cx + px(checkBoxRoom), size.cy};
    }
    case RadioButton_CL::kindCode: {
      const SIZE unit = control.TextSize(L"\xFF37");
      int width = unit.cx + control.TextWidth(text);
      if (!text.empty()) width += control.TextWidth(L"W");
      return SIZE{width, unit.cy + px(radioExtraHeight)};
    }
    case Edit_CL::kindCode:
      return SIZE{control.sizingCharacters * control.TextWidth(L"W") + px(editPadding),
                  control.TextHeight(L"M") + px(editPadding)};
    default:
      return SIZE{-1, -1};
  }
}

void ControlFactory_CL::UseDpi(HFONT dpiFont, int newDpi) {
  font = dpiFont;
  dpi = newDpi;
  for (const auto& control : controls) {
    control->UseFont(font, dpi);
    const SIZE size = FittedSize(*control);
    if (control->hwnd && size.cx >= 0) control->Resize(size.cx, size.cy, TRUE);
  }
}

int ControlFactory_CL::AddStaticText(HWND parent, const std::wstring& text, int x, int y) {
  auto control = std::make_unique<StaticText_CL>();
  Prepare(*control, text);
  const SIZE size = FittedSize(*control);
  control->CreateControl(0, L"Static", text, childStyle, x, y, size.cx, size.cy, parent, TakeId());
  return Adopt(std::move(control));
}

int ControlFactory_CL::AddButton(HWND parent, const std::wstring& text, int x) {
  auto control = std::make_unique<Button_CL>();
  Prepare(*control, text);
  const SIZE size = FittedSize(*control);
  control->CreateControl(0, L"Button", text, tabStopChildStyle, x, 0, size.cx, size.cy, parent, TakeId());
  return Adopt(std::move(control));
}

int ControlFactory_CL::AddCheckBox(HWND parent, const std::wstring& text, int x, int y) {
  auto control = std::make_unique<CheckBox_CL>();
  Prepare(*control, text);
  const SIZE size = FittedSize(*control);
  if (control->CreateControl(0, L"Button", text, checkBoxStyle, x, y, size.cx, size.cy, parent, TakeId())) {
    SendMessageW(control->hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
  }
  return Adopt(std::move(control));
}

int ControlFactory_CL::AddRadioButton(HWND parent, const std::wstring& text, int x, int y, bool firstInGroup) {
  auto control = std::make_unique<RadioButton_CL>();
  control->firstInGroup = firstInGroup ? 1 : 0;
  Prepare(*control, text);
  const SIZE size = FittedSize(*control);
  const DWORD style = firstInGroup ? (radioStyle | WS_GROUP) : radioStyle;
  control->CreateControl(0, L"Button", text, style, x, y, size.cx, size.cy, parent, TakeId());
  return Adopt(std::move(control));
}

int ControlFactory_CL::AddEdit(HWND parent, int characterCount) {
  auto control = std::make_unique<Edit_CL>();
  Prepare(*control, L"", characterCount);
  const SIZE size = FittedSize(*control);
  control->CreateControl(WS_EX_CLIENTEDGE, L"Edit", L"", tabStopChildStyle, 0, 0, size.cx, size.cy, parent,
                         TakeId());
  return Adopt(std::move(control));
}

int ControlFactory_CL::AddGroupBox(HWND parent, const std::wstring& title, int width, int height, int y) {
  auto control = std::make_unique<GroupBox_CL>();
  Prepare(*control, title);
  control->CreateControl(0, L"Button", title, groupBoxStyle, 0, y, width, height, parent, TakeId());
  return Adopt(std::move(control));
}

int ControlFactory_CL::AddProgressBar(HWND parent, int width, int height) {
  auto control = std::make_unique<ProgressBar_CL>();
  control->CreateControl(0, PROGRESS_CLASSW, L"", childStyle, 0, 0, width, height, parent, TakeId(), false);
  return Adopt(std::move(control));
}

int ControlFactory_CL::AddTrackBar(HWND parent) {
  auto control = std::make_unique<TrackBar_CL>();
  Prepare(*control, L"");
  control->CreateControl(0, TRACKBAR_CLASSW, L"", trackBarStyle, 0, 0, HighDpiHelper_CL::Scale(trackBarWidth, dpi),
                         HighDpiHelper_CL::Scale(trackBarHeight, dpi), parent,
                         TakeId());
  return Adopt(std::move(control));
}
