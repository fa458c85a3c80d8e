#pragma once
// Drives a modal window (dialog, message box, property sheet) from inside its own message
// loop: a thread timer looks for the window and, once it is there, runs the test's script on
// it once; the script answers by sending or posting messages as a user's clicks would. A
// window still open long after the script ran is closed, so a test never hangs on it.
#include <windows.h>

#include <functional>
#include <string>

class ModalScript {
public:
  using Finder = std::function<HWND()>;
  using Script = std::function<void(HWND window)>;

  static constexpr UINT kPeriodMs = 30;
  static constexpr int kGiveUpTicks = 300;  // about nine seconds

  ModalScript(Finder finder, Script script) : find(std::move(finder)), run(std::move(script)) {
    active = this;
    timer = SetTimer(nullptr, 0, kPeriodMs, Tick);
  }
  ~ModalScript() {
    if (timer) KillTimer(nullptr, timer);
    if (active == this) active = nullptr;
  }
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;

  bool Ran() const { return ran; }
  // The window the script ran on.
  HWND Window() const { return window; }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalScript* const self = active;
    if (!self) return;
    ++self->ticks;
    if (!self->ran) {
      const HWND found = self->find();
      if (found && IsWindow(found)) {
        self->ran = true;
        self->window = found;
        self->run(found);
      }
    } else if (self->ticks > kGiveUpTicks && IsWindow(self->window)) {
      PostMessageW(self->window, WM_CLOSE, 0, 0);
    }
  }

  static inline ModalScript* active = nullptr;
  Finder find;
  Script run;
  UINT_PTR timer = 0;
  int ticks = 0;
  bool ran = false;
  HWND window = nullptr;
};

// The first top-level dialog window of this thread for which accept returns true.
inline HWND FindThreadDialog(const std::function<bool(HWND)>& accept) {
  struct Search {
    const std::function<bool(HWND)>* accept;
    HWND found;
  } search{&accept, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM lParam) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (std::wstring(className) == L"#32770" && (*s->accept)(window)) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

// The first descendant of parent whose text is text, or null.
inline HWND FindChildByText(HWND parent, const std::wstring& text) {
  struct Search {
    const std::wstring* text;
    HWND found;
  } search{&text, nullptr};
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM lParam) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        if (WindowText(window) == *s->text) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}
