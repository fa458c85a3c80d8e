#include "base/WindowPlacement.h"

#include "base/Inifile.h"
#include "base/MultiScreen.h"

namespace {

// A hand-edited block can carry a valid checksum and still describe no window at all: an
// empty or inverted rectangle would restore an invisible window.
bool HasPlausibleSize(const RECT& r) {
  const long long width = static_cast<long long>(r.right) - r.left;
  const long long height = static_cast<long long>(r.bottom) - r.top;
  return width > 0 && height > 0 && width <= kLargestStoredSide && height <= kLargestStoredSide;
}

}  // namespace

int SaveWindowRect(HWND window, std::wstring section, std::wstring key) {
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return 0;
  if (IsIconic(window) || IsZoomed(window)) return 0;
  theIniFile.WriteStruct(section, key, &rect, sizeof(rect));
  return 1;
}

RECT LoadWindowRect(std::wstring section, std::wstring key, RECT defaultRect) {
  RECT stored{};
  if (!theIniFile.ReadStruct(section, key, &stored, sizeof(stored))) return defaultRect;
  if (!HasPlausibleSize(stored)) return defaultRect;
  MultiScreen_CL screens;
  screens.Enumerate();
  if (screens.FindMonitor(stored.left, stored.top) == -1) return defaultRect;
  return stored;
}
