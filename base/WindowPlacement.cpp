#include "base/WindowPlacement.h"

#include <algorithm>

#include "base/Inifile.h"

namespace {

// A hand-edited block can carry a valid checksum and still describe no window at all: an
// empty or inverted rectangle would restore an invisible window.
bool HasPlausibleSize(const RECT& r) {
  const long long width = static_cast<long long>(r.right) - r.left;
  const long long height = static_cast<long long>(r.bottom) - r.top;
  return width > 0 && height > 0 && width <= kLargestStoredSide && height <= kLargestStoredSide;
}

// The title grip of a window of plausible size.
RECT TitleGrip(const RECT& window) {
  const int width = std::min(kTitleGripWidth, static_cast<int>(window.right - window.left));
  const int height = std::min(kTitleGripHeight, static_cast<int>(window.bottom - window.top));
  return RECT{window.left, window.top, window.left + width, window.top + height};
}

// rect's size centred in area, its top-left corner never above or left of area's.
RECT CentredIn(const RECT& area, const RECT& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const int left = std::max(area.left, area.left + (area.right - area.left - width) / 2);
  const int top = std::max(area.top, area.top + (area.bottom - area.top - height) / 2);
  return RECT{left, top, left + width, top + height};
}

}  // namespace

std::optional<IniEntry> WindowRectEntry(HWND window, std::wstring section, std::wstring key) {
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return std::nullopt;
  if (IsIconic(window) || IsZoomed(window)) return std::nullopt;
  return IniEntry{std::move(section), std::move(key), StructText(&rect, sizeof(rect))};
}

int SaveWindowRect(HWND window, std::wstring section, std::wstring key) {
  const std::optional<IniEntry> entry = WindowRectEntry(window, std::move(section), std::move(key));
  if (!entry) return 0;
  return SUCCEEDED(theIniFile.WriteAll({*entry})) ? 1 : 0;
}

RECT ChooseWindowRect(const std::optional<RECT>& stored, const RECT& defaultRect, const MultiScreen_CL& screens) {
  if (stored && HasPlausibleSize(*stored) && screens.WorkAreasCover(TitleGrip(*stored))) return *stored;
  if (screens.monitors.empty()) return defaultRect;
  return CentredIn(screens.PrimaryWorkArea(), defaultRect);
}

RECT LoadWindowRect(std::wstring section, std::wstring key, RECT defaultRect) {
  std::optional<RECT> stored(RECT{});
  if (!theIniFile.ReadStruct(section, key, &*stored, sizeof(RECT))) stored.reset();
  MultiScreen_CL screens;
  screens.Enumerate();
  return ChooseWindowRect(stored, defaultRect, screens);
}
