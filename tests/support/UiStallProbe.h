#pragma once
// How long a window's thread keeps the user waiting: from a thread of its own, the probe sends
// the window WM_NULL every 50 ms and times how long the send takes to be answered. The
// longest of those times is the longest stall a user would have felt.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <thread>

class UiStallProbe {
public:
  explicit UiStallProbe(HWND window) : probe([this, window] { Run(window); }) {}
  ~UiStallProbe() { Stop(); }
  UiStallProbe(const UiStallProbe&) = delete;
  UiStallProbe& operator=(const UiStallProbe&) = delete;

  // Ends the probing; answers the longest wait in milliseconds. Called on the window's own
  // thread, it answers the probe's last send while it waits for the probe to end.
  ULONGLONG Stop() {
    running = false;
    while (probe.joinable() && !finished) {
      MSG msg;
      PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
      Sleep(1);
    }
    if (probe.joinable()) probe.join();
    return longest.load();
  }
  ULONGLONG Longest() const { return longest.load(); }
  int Probes() const { return probes.load(); }

  static constexpr DWORD kIntervalMs = 50;

private:
  void Run(HWND window) {
    while (running) {
      const ULONGLONG start = GetTickCount64();
      DWORD_PTR answer = 0;
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &answer);
      const ULONGLONG waited = GetTickCount64() - start;
      longest = std::max(longest.load(), waited);
      ++probes;
      Sleep(kIntervalMs);
    }
    finished = true;
  }

  std::atomic<bool> running{true};
  std::atomic<ULONGLONG> longest{0};
  std::atomic<int> probes{0};
  std::atomic<bool> finished{false};
  std::thread probe;  // last: starts once the fields are ready
};
