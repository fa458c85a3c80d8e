#pragma once
// Base of every child-control object: the control's window, identifier and font, and the
// shared subclass procedure through which a control's messages reach HandleMessage.
#include <windows.h>

#include <string>

#include "base/Owned.h"
#include "base/PostToWindow.h"

// Size of the text drawn (DrawTextW, DT_CALCRECT) on the screen's device context, in font,
// or in the context's own font when font is null.
SIZE MeasureOnScreen(const std::wstring& text, HFONT font);

// A visible child window of parent with no object of its own, in font (a dialog's plain
// labels, boxes and buttons); null when it could not be made.
HWND MakeChildWindow(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style, int id, HFONT font);

class ControlBase_CL {
public:
  using Callback = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  explicit ControlBase_CL(int kind);
  // Called for every message of a subclassed control. Set `handled` to 1 to keep the
  // control's previous procedure from running. Base: the callback's answer, or 0.
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual ~ControlBase_CL();
  // New size, same top-left corner in the parent's client area.
  virtual void Resize(int width, int height, BOOL repaint);

  ControlBase_CL(const ControlBase_CL&) = delete;
  ControlBase_CL& operator=(const ControlBase_CL&) = delete;

  // Creates the control's window with this object as creation parameter and stores id and
  // hwnd. The font is sent when the window exists and sendFont is set.
  HWND CreateControl(DWORD exStyle, const wchar_t* className, const std::wstring& text, DWORD style,
                     int x, int y, int width, int height, HWND parent, int controlId, bool sendFont = true);

  // Routes the window's messages through SubclassProc to HandleMessage, and opens the
  // control's post inbox.
  void Subclass();
  // What a worker posts its result through: the closures run on the control's thread while
  // its window lives (base/PostToWindow.h). Null before Subclass.
  std::shared_ptr<WindowPost> PostToken() const { return inbox.Token(); }
  // A font from the stock GUI font made for dpi, with width and height times factor
  // (truncated) and weight 100. Kept across a change of DPI (see UseFont).
  void SetFontScale(float factor, int dpi);
  // The window's font for its DPI; a control with a scaled font makes its own from it.
  void UseFont(HFONT dpiFont, int dpi);
  std::wstring GetText() const;
  // BM_GETCHECK: 0 unchecked, 1 checked, 2 indeterminate.
  int IsChecked() const;

  // Size of the text drawn in this control's font on the screen.
  SIZE TextSize(const std::wstring& text) const { return MeasureOnScreen(text, font); }
  int TextWidth(const std::wstring& text) const { return TextSize(text).cx; }
  int TextHeight(const std::wstring& text) const { return TextSize(text).cy; }

  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  int kind;
  int id = 0;
  int handled = 0;
  WNDPROC previousProc = nullptr;
  Callback callback = nullptr;
  HWND hwnd = nullptr;
  PostInbox inbox;  // open from Subclass to WM_DESTROY
  HFONT font;  // the stock DEFAULT_GUI_FONT, the window's font for its DPI, or scaledFont
  // What the control was sized for when it was made: its widest text, or the characters of
  // a box. A change of DPI sizes it again from them.
  std::wstring sizingText;
  int sizingCharacters = 0;

private:
  GdiFont scaledFont;
  float fontScale = 0.0f;  // 0: no font of its own
};
