#pragma once
// The one place that answers "how many device pixels is this 96-DPI length in this window".
// The program is Per-Monitor-V2 aware: every window lays itself out from its own DPI, which
// comes from GetDpiForWindow where the system has it and from the screen's DPI otherwise.
// Fonts are made for a DPI here too, from the stock GUI font, so that a window at the
// system's DPI draws exactly as it always has.
#include <windows.h>

#include "base/Owned.h"

class HighDpiHelper_CL {
public:
  static constexpr int defaultDpi = 96;

  virtual ~HighDpiHelper_CL() = default;

  // The system's DPI for the system's fixed sizes (and for a window of an older system).
  void Init() { dpiX = dpiY = SystemDpi(); }
  // The DPI the window is shown at.
  void InitForWindow(HWND window) { dpiX = dpiY = WindowDpi(window); }

  int ScaleX(int value) const { return Scale(value, dpiX); }
  int ScaleY(int value) const { return Scale(value, dpiY); }

  // A 96-DPI length in device pixels at dpi, and device pixels at dpi as a 96-DPI length.
  static int Scale(int value, int dpi) { return MulDiv(value, dpi, defaultDpi); }
  static int Unscale(int pixels, int dpi) { return MulDiv(pixels, defaultDpi, dpi); }

  static int SystemDpi();
  static int WindowDpi(HWND window);
  // A DPI from a message or a setting: the default when it is not a plausible one.
  static int ValidDpi(int dpi);

  // The stock GUI font made for dpi, `factor` times as large, of `weight` (0: the stock
  // font's). Null when it cannot be made.
  static GdiFont MakeGuiFont(int dpi, float factor = 1.0f, LONG weight = 0);

  int dpiX = defaultDpi;
  int dpiY = defaultDpi;
};
