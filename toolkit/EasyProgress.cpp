#include "toolkit/EasyProgress.h"

#include <commctrl.h>

#include "base/HighDpiHelper.h"
#include "toolkit/ControlLayout.h"

namespace {

// WS_SYSMENU | WS_MINIMIZEBOX: without them the caption has no close box.
constexpr LONG_PTR closeBoxStyles = WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int cancelButtonX = 48;

}  // namespace

EasyProgress_CL::EasyProgress_CL(std::wstring caption, int withCancelButton)
    : title(std::move(caption)), cancelAllowed(withCancelButton) {
  style = popupStyle;
  controls.nextId = ControlFactory_CL::firstId;
}

EasyProgress_CL::~EasyProgress_CL() { JoinWorker(); }

void EasyProgress_CL::JoinWorker() { Join(); }

INT_PTR EasyProgress_CL::RunModal(int first, int second, HWND parent) {
  const INT_PTR result = SubClassDialogBase_CL::RunModal(first, second, parent);
  JoinWorker();
  return result;
}

INT_PTR EasyProgress_CL::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DPICHANGED:
      // The job goes on; only the window is laid out again.
      return SubClassDialogBase_CL::DialogProc(window, message, wParam, lParam);
    case WM_SIZE:
      if (progressBar) PlaceControls(window);
      return 0;
    case WM_INITDIALOG:
      LayOut(window);
      PlaceOnScreen(window);
      return 0;
    case WM_COMMAND:
      // The dialog manager turns Escape into IDCANCEL.
      if (LOWORD(wParam) == IDCANCEL || (cancelButton && LOWORD(wParam) == cancelButton->id)) RequestCancel();
      return 0;
    case WM_CLOSE:
      EndDialog(window, 0);
      return 1;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) RequestCancel();
      return wParam == VK_RETURN || wParam == VK_ESCAPE ? 1 : 0;
    default:
      return 0;
  }
}

void EasyProgress_CL::LayOut(HWND dialog) {
  SetWindowTextW(dialog, title.c_str());

  HighDpiHelper_CL dpi;
  dpi.InitForWindow(dialog);
  MoveWindow(dialog, 0, 0, dpi.ScaleX(frameWidth), dpi.ScaleY(frameHeight), TRUE);

  SetWindowLongPtrW(dialog, GWL_STYLE, GetWindowLongPtrW(dialog, GWL_STYLE) & ~closeBoxStyles);
  SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);

  RECT client{};
  GetClientRect(dialog, &client);
  int width = client.right - client.left;
  const int height = client.bottom - client.top;

  controls.UseDpi(font, dpi.dpiX);
  cancelButton = controls.As<Button_CL>(controls.AddButton(dialog, L"中止", cancelButtonX));
  if (cancelButton) {
    RECT button{};
    GetWindowRect(cancelButton->hwnd, &button);
    const int buttonWidth = button.right - button.left;
    if (cancelAllowed) {
      width -= buttonWidth;
    } else {
      ShowWindow(cancelButton->hwnd, SW_HIDE);
    }
    MoveWindow(cancelButton->hwnd, width, 0, buttonWidth, height, TRUE);
  }

  // The caption names the bar for a screen reader; Tab reaches the cancel button alone.
  const StaticText_CL* const barName = AddHiddenLabel(controls, dialog, title);
  progressBar = controls.As<ProgressBar_CL>(controls.AddProgressBar(dialog, width, height));
  if (progressBar) SendMessageW(progressBar->hwnd, PBM_SETRANGE, 0, MAKELPARAM(0, fullPosition));
  SetTabOrder({barName, progressBar, cancelButton}, {});

  post = PostToken();
  if (autoStart && Start() != WAIT_OBJECT_0) {
    // No worker will ever close the dialog: close it now rather than hang.
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  }
}

void EasyProgress_CL::DpiChanged() {
  controls.UseDpi(font, dpi);
  PlaceControls(hwnd);
}

// The bar fills the client area, with the cancel button at its right when there is one.
void EasyProgress_CL::PlaceControls(HWND dialog) const {
  RECT client{};
  GetClientRect(dialog, &client);
  int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (cancelButton && cancelButton->hwnd) {
    RECT button{};
    GetWindowRect(cancelButton->hwnd, &button);
    const int buttonWidth = button.right - button.left;
    if (cancelAllowed) width -= buttonWidth;
    MoveWindow(cancelButton->hwnd, width, 0, buttonWidth, height, TRUE);
  }
  if (progressBar && progressBar->hwnd) MoveWindow(progressBar->hwnd, 0, 0, width, height, TRUE);
}

void EasyProgress_CL::PlaceOnScreen(HWND dialog) const {
  HWND owner = GetParent(dialog);
  // Without an owner the dialog is centred on the screen.
  if (!owner) owner = GetDesktopWindow();
  CenterOnOwner(owner, dialog);
  RECT placed{};
  GetWindowRect(dialog, &placed);
  if (placed.top < 0) SetWindowPos(dialog, nullptr, placed.left, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void EasyProgress_CL::SetProgress(int position) {
  if (!progressBar) return;
  PostPosition(position);
  lastPosition = position;
}

void EasyProgress_CL::PostPosition(int position) {
  if (!post) return;
  const HWND bar = progressBar->hwnd;
  post->Post([bar, position] { SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0); });
}

void EasyProgress_CL::AddToTarget(std::uint64_t count) {
  targetCount += count;
  UpdateProgress();
}

void EasyProgress_CL::CountDone() {
  ++doneCount;
  UpdateProgress();
}

void EasyProgress_CL::UpdateProgress() {
  if (!progressBar) return;
  if (targetCount == 0) {
    PostPosition(0);
    return;
  }
  const int position = PositionOf(doneCount, targetCount);
  if (position != lastPosition) SetProgress(position);
}

void EasyProgress_CL::RequestCancel() {
  if (!cancelAllowed) return;
  cancelRequested = 1;
  if (cancelButton && cancelButton->hwnd) EnableWindow(cancelButton->hwnd, FALSE);
}

void EasyProgress_CL::CloseDialog() {
  if (post) CloseDialogWith([] {});
}

int EasyProgress_CL::PositionOf(std::uint64_t done, std::uint64_t target) {
  if (target == 0) return 0;
  if (done >= target) return fullPosition;
  return static_cast<int>(done * fullPosition / target);
}
