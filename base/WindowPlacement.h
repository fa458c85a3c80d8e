#pragma once
// Keeps a window's rectangle in the settings file and gives it back on a screen that exists.
#include <windows.h>

#include <optional>
#include <string>

#include "base/Inifile.h"
#include "base/MultiScreen.h"

// Widest and tallest window rectangle taken back from the file; anything larger is damage.
constexpr int kLargestStoredSide = 32767;

// The start of the title bar, from the window's top-left corner, that must lie on the
// monitors' work areas for a stored rectangle to be used: enough to see the window and
// drag it back. A window smaller than this needs its whole width or height only.
constexpr int kTitleGripWidth = 100;
constexpr int kTitleGripHeight = 30;

// The window's rectangle (screen pixels) as the checksummed block stored under section/key;
// none while the window is minimized or maximized, or when it is no window.
std::optional<IniEntry> WindowRectEntry(HWND window, std::wstring section, std::wstring key);
// Stores WindowRectEntry in a whole write of the file. 1 when stored, 0 when not.
int SaveWindowRect(HWND window, std::wstring section, std::wstring key);

// Where a window opens: `stored` when there is one, its size is plausible and its title
// grip lies whole on the work areas of `screens` (it may reach across two monitors side by
// side); otherwise defaultRect's size centred on the primary monitor's work area (its
// top-left corner kept on that work area when it is larger). A usable rectangle is neither
// moved nor clipped.
RECT ChooseWindowRect(const std::optional<RECT>& stored, const RECT& defaultRect, const MultiScreen_CL& screens);

// ChooseWindowRect with the rectangle stored under section/key (none when it is missing or
// damaged) and the monitors attached now.
RECT LoadWindowRect(std::wstring section, std::wstring key, RECT defaultRect);
