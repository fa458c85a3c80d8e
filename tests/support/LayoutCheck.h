#pragma once
// Looks at a window's laid-out children the way a user at that DPI would, and names what is
// wrong: a control outside its parent, a control that starts inside a group box but leaves
// it, a group box whose first control covers its title, two controls over each other (group
// boxes and the tab control under its page aside), a text that does not fit its control, and
// a control whose font is smaller than the font made for the DPI.
#include <windows.h>

#include <string>
#include <vector>

struct LayoutExpectation {
  int dpi = 96;
  int fontHeight = 0;  // the least character height (tmHeight) a text control's font may have
};

// Every fault among the visible descendants of window, one line each.
std::vector<std::wstring> LayoutFaults(HWND window, const LayoutExpectation& expected);

// A window's class name, and its whole text.
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);

// The character height (tmHeight) of font, or of the system font when font is null.
int FontCharacterHeight(HFONT font);
