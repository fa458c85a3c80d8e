#include "mainwindow/PresetNameDialog.h"

#include "base/HighDpiHelper.h"
#include "toolkit/ControlBase.h"

namespace {

constexpr wchar_t kNameLabel[] = L"名前(&N):";
constexpr int kMargin = 10;
constexpr int kRowHeight = 24;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 28;

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

PresetNameDialog_CL::PresetNameDialog_CL(std::wstring caption, std::wstring name,
                                         std::function<PresetNameProblem(const std::wstring&)> problem)
    : name(std::move(name)), caption(std::move(caption)), problemOf(std::move(problem)) {
  style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
}

PresetNameDialog_CL::~PresetNameDialog_CL() = default;

INT_PTR PresetNameDialog_CL::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowTextW(window, caption.c_str());
      MakeControls(window);
      LayOut(window);
      ShowProblem();
      CenterOnOwner(parentWindow, window);
      ShowWindow(window, SW_SHOW);
      SetFocus(edit);
      SendMessageW(edit, EM_SETSEL, 0, -1);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK && IsWindowEnabled(okButton)) {
        name = TextOf(edit);
        EndDialog(window, IDOK);
      } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(window, IDCANCEL);
      } else if (reinterpret_cast<HWND>(lParam) == edit && HIWORD(wParam) == EN_CHANGE) {
        ShowProblem();
      }
      return 1;
    case WM_CLOSE:
      EndDialog(window, IDCANCEL);
      return 1;
    default:
      return SubClassDialogBase_CL::DialogProc(window, message, wParam, lParam);
  }
}

void PresetNameDialog_CL::MakeControls(HWND dialog) {
  label = MakeChildWindow(dialog, L"STATIC", kNameLabel, SS_LEFT, -1, font);
  edit = MakeChildWindow(dialog, L"EDIT", name, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, -1, font);
  // A little room over the limit, so that a name too long is told, not cut.
  SendMessageW(edit, EM_SETLIMITTEXT, 2 * kLongestPresetName, 0);
  problemLine = MakeChildWindow(dialog, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, -1, font);
  okButton = MakeChildWindow(dialog, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK, font);
  cancelButton = MakeChildWindow(dialog, L"BUTTON", L"キャンセル", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, font);
}

void PresetNameDialog_CL::ShowProblem() {
  const PresetNameProblem problem = problemOf ? problemOf(TextOf(edit)) : PresetNameProblem::None;
  SetWindowTextW(problemLine, PresetNameProblemText(problem));
  EnableWindow(okButton, problem == PresetNameProblem::None ? TRUE : FALSE);
}

void PresetNameDialog_CL::DpiChanged() {
  for (const HWND child : {label, edit, problemLine, okButton, cancelButton}) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  LayOut(hwnd);
}

void PresetNameDialog_CL::LayOut(HWND dialog) const {
  const auto px = [this](int value) { return HighDpiHelper_CL::Scale(value, dpi); };
  const int width = px(frameWidth);
  const int height = px(frameHeight);
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
  const int margin = px(kMargin);
  const int row = px(kRowHeight);
  const int labelWidth = px(72);
  MoveWindow(label, margin, margin + px(4), labelWidth, row, FALSE);
  MoveWindow(edit, margin + labelWidth, margin, width - 2 * margin - labelWidth, row, FALSE);
  MoveWindow(problemLine, margin + labelWidth, margin + row + px(4), width - 2 * margin - labelWidth, row, FALSE);
  const int buttonTop = height - margin - px(kButtonHeight);
  MoveWindow(cancelButton, width - margin - px(kButtonWidth), buttonTop, px(kButtonWidth), px(kButtonHeight), FALSE);
  MoveWindow(okButton, width - 2 * (margin + px(kButtonWidth)) + margin, buttonTop, px(kButtonWidth), px(kButtonHeight),
             FALSE);
}
