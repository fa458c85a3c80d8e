#pragma once
// Base of every dialog and page. The dialog is created from a template built in memory
// (a bare frame without controls); the window is bound to this object at WM_INITDIALOG and
// from then on every message reaches the virtual DialogProc of the derived class.
#include <windows.h>

#include <cstddef>
#include <memory>
#include <optional>

#include "base/Owned.h"
#include "base/PostToWindow.h"

// Client (or page display) rectangle with its size, the size of one fullwidth "Ｗ" on the
// screen at the window's DPI, the unit in which pages space their controls, and that DPI.
struct LayoutMetrics {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width = 0;
  int height = 0;
  int unitWidth = 0;
  int unitHeight = 0;
  int dpi = 96;

  // A 96-DPI length in device pixels at this DPI.
  int Px(int value) const { return MulDiv(value, dpi, 96); }
};

class SubClassDialogBase_CL {
public:
  static constexpr DWORD popupStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
  // The parameter pages.
  static constexpr DWORD childPageStyle = WS_CHILD | DS_CONTROL;
  static constexpr std::size_t templateBytes = 1024;
  static constexpr short templateWidth = 320;   // dialog units
  static constexpr short templateHeight = 240;  // dialog units

  SubClassDialogBase_CL() = default;
  virtual ~SubClassDialogBase_CL();
  SubClassDialogBase_CL(const SubClassDialogBase_CL&) = delete;
  SubClassDialogBase_CL& operator=(const SubClassDialogBase_CL&) = delete;

  // Modal run; the first two arguments are not used. Returns what EndDialog was given,
  // or -1 when the dialog could not be created.
  virtual INT_PTR RunModal(int first, int second, HWND parent);
  // Per-class message handler. Base: WM_CLOSE ends the dialog with 0, WM_INITDIALOG shows it.
  virtual INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Creates the dialog without a message loop of its own (the pages); hwnd is set when it
  // returns. Null when the dialog could not be created.
  HWND CreateModeless(HWND parent);

  // Writes the frame template for `style` into the owned buffer (allocated once, reused)
  // and returns it; null when the buffer cannot be allocated.
  const DLGTEMPLATE* BuildTemplate();

  // Given to the platform for modal and modeless dialogs; the creation parameter is the object.
  static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Given to the platform for property-sheet pages; the page record's lParam is the object.
  static INT_PTR CALLBACK SettingsPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Centres the dialog's client size on the owner's window (on the full screen when the
  // owner is minimised).
  static void CenterOnOwner(HWND owner, HWND dialog);
  // At the DPI of the dialog's object (or of its window when no object is bound to it).
  static LayoutMetrics ClientLayout(HWND dialog);
  // Display area of the property sheet's tab control that holds the page.
  static LayoutMetrics PageLayout(HWND page);

  HDC Dc() const { return dc ? dc->get() : nullptr; }
  // What a worker posts its result through: the closures run on this window's thread while
  // the window lives (base/PostToWindow.h). Null before the window exists.
  std::shared_ptr<WindowPost> PostToken() const { return inbox.Token(); }

  // Lays the dialog out for another DPI: a font made for it, the controls sized again for
  // their texts, then DpiChanged. A top-level dialog does this on WM_DPICHANGED and takes
  // the rectangle the system suggests; a child is told by its parent.
  void UseDpi(int newDpi);
  // What a dialog does after its font changed for a new DPI. Base: nothing.
  virtual void DpiChanged() {}

  HWND hwnd = nullptr;
  HWND parentWindow = nullptr;
  std::optional<WindowDc> dc;  // GetDC(hwnd) from WM_INITDIALOG to WM_DESTROY
  std::unique_ptr<std::byte[]> templateBuffer;
  HFONT font = nullptr;  // the stock DEFAULT_GUI_FONT, or dpiFont
  int dpi = 96;          // the window's DPI, from WM_INITDIALOG on
  GdiFont dpiFont;       // the GUI font made for dpi, when that is not the system's DPI
  HWND* handleOut = nullptr;
  DWORD style = 0;

private:
  PostInbox inbox;  // open from WM_INITDIALOG to WM_DESTROY
  static INT_PTR Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                          SubClassDialogBase_CL* bindingObject, HWND handleOutValue);
  void Bind(HWND window, HWND handleOutValue);
  void MakeFont();
  void OnDpiChanged(WPARAM wParam, const RECT* suggested);
};
