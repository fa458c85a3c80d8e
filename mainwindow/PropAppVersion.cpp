#include "mainwindow/PropAppVersion.h"

#include <commctrl.h>
#include <prsht.h>

#include "base/HighDpiHelper.h"
#include "base/Inifile.h"
#include "base/ShellHelpers.h"
#include "toolkit/ControlLayout.h"
#include "update/UpdateCheck.h"

namespace {

constexpr wchar_t kSection[] = L"VERSION";
constexpr wchar_t kNotifyKey[] = L"notify";
constexpr wchar_t kNotifyText[] = L"バージョンアップの通知をしない(&N)";
constexpr wchar_t kSupportText[] = L"サポートサイトへ";
constexpr wchar_t kSupportButtonText[] = L"\x3000\x3000サポートサイトへ\x3000\x3000(&S)";
// The icon shows no text; this one names it for a screen reader and gives it its key.
constexpr wchar_t kIconButtonText[] = L"Glimmerset(&G)";
constexpr wchar_t kNotifyFrameTitle[] = L"バージョンアップの通知";
constexpr wchar_t kVersionFrameTitle[] = L"バージョン情報";
constexpr int kNotifyCheckY = 16;
constexpr int kStackTop = 68;
constexpr int kStackGap = 4;
constexpr int kNotifyFrameY = 0;
constexpr int kVersionFrameY = 52;
constexpr int kFramePadding = 8;
constexpr int kIconShift = 8;
// BS_ICON | BS_FLAT
constexpr LONG kIconButtonStyle = BS_FLAT | BS_ICON;

bool Exists(const ControlBase_CL* control) { return control && control->hwnd; }

void ShowIcon(const Button_CL& button, int iconId) {
  SetWindowLongW(button.hwnd, GWL_STYLE, GetWindowLongW(button.hwnd, GWL_STYLE) | kIconButtonStyle);
  const HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                 PropAppVersion_CL::kIconSize, PropAppVersion_CL::kIconSize,
                                 LR_SHARED | LR_DEFAULTSIZE);
  if (icon) SendMessageW(button.hwnd, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

}  // namespace

PropAppVersion_CL::PropAppVersion_CL() : openPage(OpenWebPage) {}

PropAppVersion_CL::~PropAppVersion_CL() = default;

void PropAppVersion_CL::CreateControls(HWND window) {
  const auto px = [this](int value) { return Px(value); };
  const LayoutMetrics layout = PageLayout(window);
  const int uw = layout.unitWidth;

  const int check = controls.AddCheckBox(window, kNotifyText, uw / 2, px(kNotifyCheckY));
  notifyCheck = controls.As<CheckBox_CL>(check);
  const int icon = controls.AddButton(window, kIconButtonText, uw / 2);
  iconButton = controls.As<Button_CL>(icon);
  if (Exists(iconButton)) {
    iconButton->Resize(px(kIconButtonSize), px(kIconButtonSize), TRUE);
    ShowIcon(*iconButton, iconId);
  }
  const std::wstring versionText = std::wstring(L"Version : ") + kInstalledVersion;
  const int version = controls.AddStaticText(window, versionText, uw / 2, 0);
  const int blank = controls.AddStaticText(window, L"", uw / 2, 0);
  const int support = controls.AddStaticText(window, kSupportText, uw / 2, 0);
  const int button = controls.AddButton(window, kSupportButtonText, uw);
  supportButton = controls.As<Button_CL>(button);

  if (Exists(notifyCheck) && theIniFile.ReadInt(kSection, kNotifyKey, 0) != 0) {
    SendMessageW(notifyCheck->hwnd, BM_SETCHECK, BST_CHECKED, 0);
  }
  StackVertically({icon, version, blank, support, button}, controls, px(kStackTop), px(kStackGap));
  FrameAround(window, kNotifyFrameTitle, layout.width, px(kNotifyFrameY), notifyCheck);
  FrameAround(window, kVersionFrameTitle, layout.width, px(kVersionFrameY), supportButton);
  if (Exists(iconButton)) MoveX(*iconButton, RectInParent(*iconButton).left + px(kIconShift));
}

void PropAppVersion_CL::FrameAround(HWND window, const wchar_t* title, int width, int y,
                                    const ControlBase_CL* control) {
  GroupBox_CL* const frame = controls.As<GroupBox_CL>(controls.AddGroupBox(window, title, width, 0, y));
  if (!Exists(frame) || !Exists(control)) return;
  EncloseControl(*control, *frame);
  frame->Resize(width, frame->extentHeight + HighDpiHelper_CL::Scale(kFramePadding, dpi), TRUE);
}

void PropAppVersion_CL::OnClick(HWND window, int id) {
  if (Exists(notifyCheck) && id == notifyCheck->id) {
    Changed(window);
    return;
  }
  const bool icon = Exists(iconButton) && id == iconButton->id;
  const bool support = Exists(supportButton) && id == supportButton->id;
  if ((icon || support) && openPage) openPage(SupportSiteAddress());
}

void PropAppVersion_CL::OnApply() {
  if (!Exists(notifyCheck)) return;
  const int notify = notifyCheck->IsChecked() == BST_CHECKED ? 1 : 0;
  theIniFile.WriteInt(kSection, kNotifyKey, notify);
}
