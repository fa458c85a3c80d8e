#include "mainwindow/ParameterPage.h"

#include "base/Messages.h"
#include "mainwindow/MainWindowIds.h"
#include "mainwindow/PageControls.h"

ParameterPage_CL::ParameterPage_CL() { style = childPageStyle; }

ParameterPage_CL::~ParameterPage_CL() = default;

HWND ParameterPage_CL::Create(HWND parent, MainWindowLinks& mainLinks) {
  links = &mainLinks;
  style = childPageStyle;
  if (!CreateModeless(parent)) return nullptr;
  controls.UseDpi(font, dpi);
  CreateControls();
  ShowSettings();
  // After the checks: of each run of radio buttons the checked one is the tab stop.
  SetTabOrder();
  ready = 1;
  Layout();
  return hwnd;
}

void ParameterPage_CL::ShowAgain() {
  const int wasReady = ready;
  ready = 0;
  ShowSettings();
  ready = wasReady;
}

INT_PTR ParameterPage_CL::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = 0;
  if (OnMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_COMMAND:
      if (ready) OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_HSCROLL:
      OnScroll(reinterpret_cast<HWND>(lParam));
      return 0;
    default:
      return SubClassDialogBase_CL::DialogProc(window, message, wParam, lParam);
  }
}

void ParameterPage_CL::DpiChanged() {
  controls.UseDpi(font, dpi);
  Layout();
}

CheckBox_CL* ParameterPage_CL::SwitchControl(int id) const {
  for (CheckBox_CL* check : switches) {
    if (check && check->id == id) return check;
  }
  return nullptr;
}

void ParameterPage_CL::CreateSwitches() {
  const int next = controls.nextId;
  for (const SwitchRow& row : Switches()) {
    NextId(row.id);
    switches.push_back(controls.As<CheckBox_CL>(controls.AddCheckBox(hwnd, row.text, 0, 0)));
  }
  controls.nextId = next;
}

void ParameterPage_CL::GreyFor(const SwitchRow& row) const {
  if (row.greys == 0 || hwnd == nullptr) return;
  const HWND greyed = GetDlgItem(hwnd, row.greys);
  if (greyed != nullptr) EnableWindow(greyed, row.get(Settings()) ? TRUE : FALSE);
}

void ParameterPage_CL::ShowSwitches() const {
  const std::vector<SwitchRow>& rows = Switches();
  for (size_t i = 0; i < rows.size() && i < switches.size(); ++i) {
    page::SetCheck(switches[i], rows[i].get(Settings()));
    GreyFor(rows[i]);
  }
}

bool ParameterPage_CL::ReadSwitch(int id) {
  const std::vector<SwitchRow>& rows = Switches();
  for (size_t i = 0; i < rows.size() && i < switches.size(); ++i) {
    if (rows[i].id != id || !page::Exists(switches[i])) continue;
    rows[i].set(Settings(), switches[i]->IsChecked() == BST_CHECKED);
    GreyFor(rows[i]);
    RequestPreviewRefresh();
    return true;
  }
  return false;
}

void ParameterPage_CL::RequestPreviewRefresh(RefreshPost post) const {
  if (links != nullptr) links->RequestPreviewRefresh(post);
}

void ParameterPage_CL::ForwardConvertClick(int id) const {
  if (links == nullptr || !links->convertButton || id != links->convertButton->id) return;
  const HWND mainWindow = links->mainWindow;
  PostMessageW(mainWindow ? mainWindow : parentWindow, WM_COMMAND, CMD_CONVERT, 0);
}
