#pragma once
// Keeps a window's rectangle in the settings file and gives it back on a screen that exists.
#include <windows.h>

#include <string>

// Widest and tallest window rectangle taken back from the file; anything larger is damage.
constexpr int kLargestStoredSide = 32767;

// Stores the window's rectangle (screen pixels) as a checksummed block under section/key.
// Nothing is stored while the window is minimized or maximized. 1 when stored, 0 when not.
int SaveWindowRect(HWND window, std::wstring section, std::wstring key);

// The stored rectangle when its top-left corner lies in the work area of an attached monitor
// and its size is plausible; otherwise defaultRect. A usable rectangle is neither moved nor
// clipped.
RECT LoadWindowRect(std::wstring section, std::wstring key, RECT defaultRect);
