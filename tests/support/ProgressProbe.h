#pragma once
// Runs a progress job modally and records what its bar receives. The bar is subclassed
// between the dialog's layout and the start of the worker, so every PBM_SETPOS the job
// sends is seen. A safety timer ends a run that would otherwise hang (result 99).
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <utility>
#include <vector>

#include "toolkit/EasyProgress.h"

struct BarRecord {
  std::vector<int> positions;  // wParam of every PBM_SETPOS, in order
  int initialPosition = -1;    // before the worker started
  int finalPosition = -1;      // when the dialog was asked to close
};

namespace progress_probe {

inline constexpr wchar_t recordProperty[] = L"ProgressProbe.Record";
inline constexpr wchar_t previousProperty[] = L"ProgressProbe.Previous";

inline LRESULT CALLBACK RecordingBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* const record = static_cast<BarRecord*>(GetPropW(window, recordProperty));
  const auto previous = reinterpret_cast<WNDPROC>(GetPropW(window, previousProperty));
  if (message == PBM_SETPOS && record) record->positions.push_back(static_cast<int>(wParam));
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropW(window, recordProperty);
    RemovePropW(window, previousProperty);
  }
  return CallWindowProcW(previous, window, message, wParam, lParam);
}

inline void RecordBar(HWND bar, BarRecord* record) {
  SetPropW(bar, recordProperty, record);
  SetPropW(bar, previousProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrW(bar, GWLP_WNDPROC)));
  SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingBarProc));
}

}  // namespace progress_probe

template <typename Job>
class Observed : public Job {
public:
  static constexpr UINT_PTR safetyTimer = 0x5AFE;
  static constexpr INT_PTR timedOutResult = 99;

  template <typename... Args>
  explicit Observed(Args&&... args) : Job(std::forward<Args>(args)...) {
    this->autoStart = 1;
  }

  INT_PTR RunObserved(HWND owner = nullptr) { return this->RunModal(0, 0, owner); }

  INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_INITDIALOG) return Initialise(window, message, wParam, lParam);
    if (message == WM_TIMER && wParam == safetyTimer) {
      EndDialog(window, timedOutResult);
      return 1;
    }
    if (message == WM_TIMER && onTimer) onTimer(window, wParam);
    if (message == WM_CLOSE && closeTick == 0) {
      closeTick = GetTickCount();
      if (onClose) onClose(window);
    }
    if (message == WM_CLOSE && this->progressBar) {
      bar.finalPosition = static_cast<int>(SendMessageW(this->progressBar->hwnd, PBM_GETPOS, 0, 0));
    }
    return Job::DialogProc(window, message, wParam, lParam);
  }

  BarRecord bar;
  RECT placedRect{};
  LONG_PTR styleAtStart = 0;
  DWORD startResult = 0;
  DWORD openTick = 0;   // when the dialog had been laid out
  DWORD closeTick = 0;  // when it was first asked to close
  int safetyMilliseconds = 30000;
  std::function<void(HWND)> onInit;                 // after the layout, before the worker starts
  std::function<void(HWND, WPARAM)> onTimer;       // every other timer
  std::function<void(HWND)> onClose;                // when first asked to close

private:
  INT_PTR Initialise(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const int startWorker = this->autoStart;
    this->autoStart = 0;
    const INT_PTR result = Job::DialogProc(window, message, wParam, lParam);
    this->autoStart = startWorker;
    if (this->progressBar) {
      bar.initialPosition = static_cast<int>(SendMessageW(this->progressBar->hwnd, PBM_GETPOS, 0, 0));
      progress_probe::RecordBar(this->progressBar->hwnd, &bar);
    }
    openTick = GetTickCount();
    GetWindowRect(window, &placedRect);
    styleAtStart = GetWindowLongPtrW(window, GWL_STYLE);
    SetTimer(window, safetyTimer, static_cast<UINT>(safetyMilliseconds), nullptr);
    if (onInit) onInit(window);
    if (startWorker) startResult = this->Start();
    return result;
  }
};
