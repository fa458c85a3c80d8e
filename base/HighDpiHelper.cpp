#include "base/HighDpiHelper.h"

#include "base/DllFunction.h"

namespace {

constexpr int kSmallestDpi = 48;
constexpr int kLargestDpi = 960;

using GetDpiForWindowFn = UINT(WINAPI*)(HWND window);

}  // namespace

int HighDpiHelper_CL::SystemDpi() {
  const WindowDc screen(nullptr);
  if (!screen.get()) return defaultDpi;
  return ValidDpi(GetDeviceCaps(screen.get(), LOGPIXELSY));
}

int HighDpiHelper_CL::WindowDpi(HWND window) {
  // Looked up once: Windows 10 1607 and later have it, older systems fall back.
  static const GetDpiForWindowFn getDpiForWindow =
      DllFunction_CL(L"user32.dll").FindAs<GetDpiForWindowFn>("GetDpiForWindow");
  if (window && getDpiForWindow) {
    const int dpi = static_cast<int>(getDpiForWindow(window));
    if (dpi > 0) return ValidDpi(dpi);
  }
  return SystemDpi();
}

int HighDpiHelper_CL::ValidDpi(int dpi) {
  return dpi >= kSmallestDpi && dpi <= kLargestDpi ? dpi : defaultDpi;
}

GdiFont HighDpiHelper_CL::MakeGuiFont(int dpi, float factor, LONG weight) {
  LOGFONTW description{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description);
  // The stock font is made for the system's DPI.
  const int system = SystemDpi();
  const auto resize = [&](LONG value) {
    return static_cast<LONG>(static_cast<float>(MulDiv(value, ValidDpi(dpi), system)) * factor);
  };
  description.lfHeight = resize(description.lfHeight);
  description.lfWidth = resize(description.lfWidth);
  if (weight != 0) description.lfWeight = weight;
  return GdiFont(CreateFontIndirectW(&description));
}
