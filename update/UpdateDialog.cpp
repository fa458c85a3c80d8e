#include "update/UpdateDialog.h"

#include "base/HighDpiHelper.h"
#include "toolkit/ControlLayout.h"
#include "update/UpdateCheck.h"

namespace {

constexpr wchar_t kOpenSiteText[] = L"\x3000サイトへ移動する\x3000(&S)";
constexpr wchar_t kLaterText[] = L"後日通知する\x3000(&L)";
constexpr int kTextX = 8;
constexpr int kTextY = 8;

}  // namespace

UpdateDialog_CL::UpdateDialog_CL(std::wstring caption, std::wstring installedVersion, std::wstring latestVersion)
    : caption(std::move(caption)),
      installedVersion(std::move(installedVersion)),
      latestVersion(std::move(latestVersion)) {
  style = popupStyle;
}

UpdateDialog_CL::~UpdateDialog_CL() = default;

INT_PTR UpdateDialog_CL::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DPICHANGED:
      return SubClassDialogBase_CL::DialogProc(window, message, wParam, lParam);
    case WM_INITDIALOG:
      OnInitDialog(window);
      return 0;
    case WM_COMMAND:
      if (wParam == kOpenSiteId) EndDialog(window, kAnswerOpenSite);
      if (wParam == kLaterId) EndDialog(window, kAnswerLater);
      // Escape, as closing the window, answers nothing.
      if (wParam == IDCANCEL) EndDialog(window, kAnswerClosed);
      return 0;
    case WM_CLOSE:
      EndDialog(window, kAnswerClosed);
      return 0;
    default:
      return 0;
  }
}

void UpdateDialog_CL::OnInitDialog(HWND window) {
  SetWindowTextW(window, caption.c_str());

  HighDpiHelper_CL dpi;
  dpi.InitForWindow(window);
  MoveWindow(window, 0, 0, dpi.ScaleX(kWidth), dpi.ScaleY(kHeight), FALSE);

  const LONG windowStyle = GetWindowLongW(window, GWL_STYLE);
  SetWindowLongW(window, GWL_STYLE, windowStyle & ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

  controls.UseDpi(font, dpi.dpiX);
  openSiteIndex = controls.AddButton(window, kOpenSiteText, 0);
  Renumber(openSiteIndex, kOpenSiteId);
  const int later = controls.AddButton(window, kLaterText, 0);
  Renumber(later, kLaterId);
  questionIndex = controls.AddStaticText(window, UpdateQuestionText(latestVersion, installedVersion), 0, 0);
  // Read top to bottom: the question, then the buttons left to right.
  SetTabOrder({controls.At(questionIndex), controls.At(openSiteIndex), controls.At(later)}, {});
  PlaceControls(window);

  if (parentWindow) CenterOnOwner(parentWindow, window);
}

void UpdateDialog_CL::DpiChanged() {
  controls.UseDpi(font, dpi);
  RECT frame{};
  GetWindowRect(hwnd, &frame);
  MoveWindow(hwnd, frame.left, frame.top, HighDpiHelper_CL::Scale(kWidth, dpi), HighDpiHelper_CL::Scale(kHeight, dpi),
             TRUE);
  PlaceControls(hwnd);
}

void UpdateDialog_CL::PlaceControls(HWND window) const {
  AlignPairBottomRight(controls, openSiteIndex, window);
  if (const ControlBase_CL* const question = controls.At(questionIndex)) {
    MoveTo(*question, HighDpiHelper_CL::Scale(kTextX, dpi), HighDpiHelper_CL::Scale(kTextY, dpi));
  }
}

void UpdateDialog_CL::Renumber(int index, int id) {
  ControlBase_CL* const button = controls.At(index);
  if (!button || !button->hwnd) return;
  SetWindowLongW(button->hwnd, GWL_ID, id);
  button->id = id;
}
