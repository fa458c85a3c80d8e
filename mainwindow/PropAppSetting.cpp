#include "mainwindow/PropAppSetting.h"

#include <commctrl.h>
#include <prsht.h>

#include "base/ExplorerVerbs.h"
#include "base/HighDpiHelper.h"
#include "base/Owned.h"
#include "base/ShellHelpers.h"
#include "mainwindow/WindowState.h"
#include "intake/FindPicture.h"
#include "toolkit/ControlLayout.h"

namespace {

constexpr wchar_t kTopMostText[] = L"ウインドウを常に最前面に表示する(&T)";
constexpr int kCheckX = 8;
constexpr int kCheckY = 16;
constexpr int kStackTop = 4;
constexpr int kStackGap = 8;
constexpr wchar_t kUserClasses[] = L"Software\\Classes";

// HKCU\Software\Classes, or no key (with the reason in status).
RegistryKey OpenUserClasses(LSTATUS& status) {
  RegistryKey classes;
  status = RegCreateKeyExW(HKEY_CURRENT_USER, kUserClasses, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                           classes.receive(), nullptr);
  return classes;
}

bool UserExplorerMenuStartsThisProgram() {
  LSTATUS status = ERROR_SUCCESS;
  const RegistryKey classes = OpenUserClasses(status);
  return classes && ExplorerVerbsStart(classes.get(), ModuleFileName(), ExplorerMenuExtensions());
}

void Check(CheckBox_CL* box, bool checked) {
  if (box != nullptr && box->hwnd != nullptr && checked) SendMessageW(box->hwnd, BM_SETCHECK, BST_CHECKED, 0);
}

}  // namespace

std::vector<std::wstring> ExplorerMenuExtensions() {
  return std::vector<std::wstring>(std::begin(kPictureExtensions), std::end(kPictureExtensions));
}

PropAppSetting_CL::PropAppSetting_CL(MainWindowLinks& mainLinks) : links(mainLinks) {}

PropAppSetting_CL::~PropAppSetting_CL() = default;

void PropAppSetting_CL::OnClick(HWND window, int id) {
  if ((topMostCheck && id == topMostCheck->id) || (explorerMenuCheck && id == explorerMenuCheck->id)) Changed(window);
}

void PropAppSetting_CL::CreateControls(HWND window) {
  const auto px = [this](int value) { return Px(value); };
  const int check = controls.AddCheckBox(window, kTopMostText, px(kCheckX), px(kCheckY));
  topMostCheck = controls.As<CheckBox_CL>(check);
  Check(topMostCheck, links.state != nullptr && links.state->topMost);
  const int explorerMenu = controls.AddCheckBox(window, kExplorerMenuText, px(kCheckX), px(kCheckY));
  explorerMenuCheck = controls.As<CheckBox_CL>(explorerMenu);
  explorerMenuShown = UserExplorerMenuStartsThisProgram();
  Check(explorerMenuCheck, explorerMenuShown);
  StackVertically({check, explorerMenu}, controls, px(kStackTop), px(kStackGap));
}

void PropAppSetting_CL::OnApply() {
  ApplyExplorerMenu();
  if (!topMostCheck || !topMostCheck->hwnd) return;
  if (links.state != nullptr) links.state->topMost = topMostCheck->IsChecked() == BST_CHECKED;
  if (links.saveNow) links.saveNow();
}

void PropAppSetting_CL::ApplyExplorerMenu() {
  if (!explorerMenuCheck || !explorerMenuCheck->hwnd) return;
  const bool wanted = (explorerMenuCheck->IsChecked() & 0xFF) != 0;
  if (wanted == explorerMenuShown) return;
  LSTATUS status = ERROR_SUCCESS;
  const RegistryKey classes = OpenUserClasses(status);
  if (classes) {
    status = wanted ? WriteExplorerVerbs(classes.get(), ModuleFileName(), ExplorerMenuExtensions())
                    : RemoveExplorerVerbs(classes.get(), ExplorerMenuExtensions());
  }
  if (status == ERROR_SUCCESS) explorerMenuShown = wanted;
  if (status == ERROR_SUCCESS) return;
  const std::wstring text = kExplorerMenuFailedText + SystemErrorText(static_cast<DWORD>(status));
  MessageBoxW(hwnd, text.c_str(), kExplorerMenuFailedCaption, MB_OK | MB_ICONERROR);
}
