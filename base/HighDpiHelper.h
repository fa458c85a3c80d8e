#pragma once
// Decides whether the program's fixed pixel sizes must be scaled for the display and by
// how much: a DPI-aware process uses them as they are, an unaware one scales them by the
// DPI the system reports. Live on the stack of one window's set-up: construct, Init, Scale.
#include <windows.h>

class HighDpiHelper_CL {
public:
  using GetProcessDpiAwarenessFn = HRESULT(WINAPI*)(HANDLE process, int* awareness);
  using IsProcessDpiAwareFn = BOOL(WINAPI*)();

  virtual ~HighDpiHelper_CL() = default;

  void Init();
  // Init for a given system major version (below 6 no library is consulted).
  void InitForVersion(DWORD majorVersion);

  int ScaleX(int value) const { return aware ? value : MulDiv(value, dpiX, 96); }
  int ScaleY(int value) const { return aware ? value : MulDiv(value, dpiY, 96); }

  // GetProcessDpiAwareness decides when it exists (a failing call means unaware);
  // IsProcessDPIAware is asked only when it does not. Neither: unaware.
  static int AwarenessFrom(GetProcessDpiAwarenessFn getProcessDpiAwareness,
                           IsProcessDpiAwareFn isProcessDpiAware);

  int aware = 1;
  int dpiX = 96;
  int dpiY = 96;

private:
  void ReadScreenDpi();
};
