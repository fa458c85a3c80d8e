#pragma once
// Whether the user asked for high contrast, and how far apart two colours are for the eye:
// what the windows that draw for themselves need to follow the user's colours and to keep
// a coloured text readable.
#include <windows.h>

// SPI_GETHIGHCONTRAST with HCF_HIGHCONTRASTON.
bool HighContrastOn();

// The relative luminance contrast of two colours, from 1 (the same) to 21 (black on white).
double ContrastRatio(COLORREF a, COLORREF b);

// `wanted` made darker (on a light background) or lighter (on a dark one) in small steps
// until it stands at least minimumRatio from background; black or white when no step does.
COLORREF ReadableOn(COLORREF wanted, COLORREF background, double minimumRatio);

// An opaque GDI+ colour from a GDI one.
constexpr DWORD OpaqueArgb(COLORREF colour) {
  return 0xFF000000u | (static_cast<DWORD>(GetRValue(colour)) << 16) | (static_cast<DWORD>(GetGValue(colour)) << 8) |
         GetBValue(colour);
}

// Passes a change of the system's colours or settings (WM_SYSCOLORCHANGE, WM_SETTINGCHANGE)
// from a top-level window to all its descendants, which the system does not do, and redraws
// the whole window at once.
void PassColourChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
