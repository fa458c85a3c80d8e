#include "mainwindow/ConvertResults.h"

#include "base/HighDpiHelper.h"
#include "toolkit/ControlBase.h"

namespace {

constexpr wchar_t kCaption[] = L"変換結果";
constexpr wchar_t kCloseText[] = L"閉じる";
// No label shows above the list: an unseen one names it for a screen reader.
constexpr wchar_t kListName[] = L"写真ごとの結果";
constexpr int kMargin = 10;
constexpr int kLabelHeight = 20;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 28;
constexpr wchar_t kPhotoKeptText[] = L"元の写真の方が小さいため、そのまま使いました";

}  // namespace

std::wstring ResultsList(const std::vector<PhotoResult>& results) {
  std::wstring list;
  const auto addLine = [&list](const std::wstring& line) {
    if (!list.empty()) list += L"\r\n";
    list += line;
  };
  for (const PhotoResult& result : results) {
    if (result.failure == PhotoFailure::None || result.failure == PhotoFailure::AlreadyDone) continue;
    addLine(OutputName(result) + L" : " + FailureText(result.failure));
  }
  for (const PhotoResult& result : results) {
    if (result.failure != PhotoFailure::None || !result.sizeGiven.madeSmaller) continue;
    addLine(OutputName(result) + L" : ファイルサイズに収めるため縮小しました (" + std::to_wstring(result.sizeGiven.width) +
            L" x " + std::to_wstring(result.sizeGiven.height) + L")");
  }
  for (const PhotoResult& result : results) {
    if (result.failure == PhotoFailure::None && result.photoKept) addLine(OutputName(result) + L" : " + kPhotoKeptText);
  }
  return list;
}

bool ResultsNeedWindow(const BatchCounts& counts) {
  return counts.written != counts.total || counts.madeSmaller > 0 || counts.copied > 0 || counts.leftAsIs > 0;
}

ConvertResults_CL::ConvertResults_CL(std::wstring summary, std::wstring list)
    : summaryText(std::move(summary)), listText(std::move(list)) {
  style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
}

ConvertResults_CL::~ConvertResults_CL() = default;

INT_PTR ConvertResults_CL::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowTextW(window, kCaption);
      MakeControls(window);
      LayOut(window);
      CenterOnOwner(parentWindow, window);
      ShowWindow(window, SW_SHOW);
      SetFocus(closeButton);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(window, IDOK);
      return 1;
    case WM_CLOSE:
      EndDialog(window, IDOK);
      return 1;
    default:
      return SubClassDialogBase_CL::DialogProc(window, message, wParam, lParam);
  }
}

void ConvertResults_CL::MakeControls(HWND dialog) {
  summaryLabel = MakeChildWindow(dialog, L"STATIC", summaryText, SS_LEFT | SS_NOPREFIX, -1, font);
  ShowWindow(MakeChildWindow(dialog, L"STATIC", kListName, SS_LEFT, -1, font), SW_HIDE);
  listEdit = MakeChildWindow(dialog, L"EDIT", listText,
                       WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
                           ES_AUTOHSCROLL | WS_TABSTOP,
                       -1, font);
  closeButton = MakeChildWindow(dialog, L"BUTTON", kCloseText, BS_DEFPUSHBUTTON | WS_TABSTOP, closeButtonId, font);
}

void ConvertResults_CL::DpiChanged() {
  for (const HWND child : {summaryLabel, listEdit, closeButton})
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  LayOut(hwnd);
}

void ConvertResults_CL::LayOut(HWND dialog) const {
  HighDpiHelper_CL dpi;
  dpi.dpiX = dpi.dpiY = this->dpi;
  const int width = dpi.ScaleX(frameWidth);
  const int height = dpi.ScaleY(frameHeight);
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
  const int margin = dpi.ScaleX(kMargin);
  const int label = dpi.ScaleY(kLabelHeight);
  const int buttonWidth = dpi.ScaleX(kButtonWidth);
  const int buttonHeight = dpi.ScaleY(kButtonHeight);
  MoveWindow(summaryLabel, margin, margin, width - 2 * margin, label, FALSE);
  const int listTop = margin + label + margin / 2;
  const int buttonTop = height - margin - buttonHeight;
  MoveWindow(listEdit, margin, listTop, width - 2 * margin, buttonTop - margin - listTop, FALSE);
  MoveWindow(closeButton, width - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight, FALSE);
}
