#include "base/HighContrast.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSteps = 32;

double Linear(BYTE channel) {
  const double c = channel / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(COLORREF colour) {
  return 0.2126 * Linear(GetRValue(colour)) + 0.7152 * Linear(GetGValue(colour)) + 0.0722 * Linear(GetBValue(colour));
}

BYTE Toward(BYTE from, BYTE to, int step) { return static_cast<BYTE>(from + (to - from) * step / kSteps); }

}  // namespace

bool HighContrastOn() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof(contrast);
  if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0)) return false;
  return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

double ContrastRatio(COLORREF a, COLORREF b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

COLORREF ReadableOn(COLORREF wanted, COLORREF background, double minimumRatio) {
  const BYTE end = Luminance(background) > 0.18 ? 0 : 255;
  for (int step = 0; step <= kSteps; ++step) {
    const COLORREF candidate = RGB(Toward(GetRValue(wanted), end, step), Toward(GetGValue(wanted), end, step),
                                   Toward(GetBValue(wanted), end, step));
    if (ContrastRatio(candidate, background) >= minimumRatio) return candidate;
  }
  return RGB(end, end, end);
}

namespace {

struct ColourChange {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

BOOL CALLBACK PassToChild(HWND child, LPARAM data) {
  const ColourChange& change = *reinterpret_cast<const ColourChange*>(data);
  SendMessageW(child, change.message, change.wParam, change.lParam);
  return TRUE;
}

}  // namespace

void PassColourChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ColourChange change{message, wParam, lParam};
  EnumChildWindows(window, PassToChild, reinterpret_cast<LPARAM>(&change));
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}
