#include "toolkit/ControlFactory.h"

#include <commctrl.h>

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

}  // namespace

ControlBase_CL* ControlFactory_CL::At(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return controls[static_cast<size_t>(index)].get();
}

int ControlFactory_CL::Adopt(std::unique_ptr<ControlBase_CL> control) {
  controls.push_back(std::move(control));
  return Count() - 1;
}

int ControlFactory_CL::AddStaticText(HWND parent, const std::wstring& text, int x, int y) {
  auto control = std::make_unique<StaticText_CL>();
  const SIZE size = control->TextSize(text);
  control->CreateControl(0, L"Static", text, childStyle, x, y, size.cx, size.cy, parent, TakeId());
  return Adopt(std::move(control));
}

int ControlFactory_CL::AddButton(HWND parent, const std::wstring& text, int x) {
  auto control = std::make_unique<Button_CL>();
  const SIZE size = control->TextSize(text);
  control->CreateControl(0, L"Button", text, tabStopChildStyle, x, 0, size.cx + 8, size.cy + 8, parent,
                         TakeId());
  return Adopt(std::move(control));
}

int ControlFactory_CL::AddCheckBox(HWND parent, const std::wstring& text, int x, int y) {
  auto control = std::make_unique<CheckBox_CL>();
  const SIZE size = control->TextSize(text);
  if (control->CreateControl(0, L"Button", text, checkBoxStyle, x, y, size.cx + 32, size.cy, parent,
                             TakeId())) {
    SendMessageW(control->hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
  }
  return Adopt(std::move(control));
}

int ControlFactory_CL::AddRadioButton(HWND parent, const std::wstring& text, int x, int y, bool firstInGroup) {
  auto control = std::make_unique<RadioButton_CL>();
  control->firstInGroup = firstInGroup ? 1 : 0;
  const SIZE unit = control->TextSize(L"\xFF37");
  int width = unit.cx + control->TextWidth(text);
  if (!text.empty()) width += control->TextWidth(L"W");
  const DWORD style = firstInGroup ? (radioStyle | WS_GROUP) : radioStyle;
  control->CreateControl(0, L"Button", text, style, x, y, width, unit.cy + 2, parent, TakeId());
  return Adopt(std::move(control));
}

int ControlFactory_CL::AddEdit(HWND parent, int characterCount) {
  auto control = std::make_unique<Edit_CL>();
  const int width = characterCount * control->TextWidth(L"W") + 6;
  const int height = control->TextHeight(L"M") + 6;
  control->CreateControl(WS_EX_CLIENTEDGE, L"Edit", L"", tabStopChildStyle, 0, 0, width, height, parent,
                         TakeId());
  return Adopt(std::move(control));
}

int ControlFactory_CL::AddGroupBox(HWND parent, const std::wstring& title, int width, int height, int y) {
  auto control = std::make_unique<GroupBox_CL>();
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
  control->CreateControl(0, TRACKBAR_CLASSW, L"", trackBarStyle, 0, 0, trackBarWidth, trackBarHeight, parent,
                         TakeId());
  return Adopt(std::move(control));
}
