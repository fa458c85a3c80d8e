#pragma once
// The main window's keyboard: its shortcut table (accelerators), F6 from pane to pane, the
// page keys (Ctrl+Tab, Ctrl+PgDn and back), Esc out of the strip, and the order in which Tab
// visits the panes. The keys are taken from the dialog manager's loop (a message filter, as
// the window runs as a modal dialog) only while the main window is enabled: never while a job,
// a sheet or a message box is in front of it.
#include <windows.h>

#include <string>
#include <vector>

#include "base/Owned.h"

class PictureListBase_CL;
class TabParamSetting_CL;

// The commands of the keys that no menu item or button has.
constexpr UINT kKeyNextPage = 0x5B01;
constexpr UINT kKeyPreviousPage = 0x5B02;
constexpr UINT kKeyNextPane = 0x5B03;
constexpr UINT kKeyPreviousPane = 0x5B04;
constexpr UINT kKeySelectAll = 0x5B05;
constexpr UINT kKeyConvert = 0x5B06;

struct AcceleratorTraits {
  using Handle = HACCEL;
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Release(Handle h) { DestroyAcceleratorTable(h); }
};
using OwnedAccelerators = Owned<AcceleratorTraits>;

class KeyboardShortcuts_CL {
public:
  // What the keys reach: the preview's buttons (the first pane), the strip, the tabs.
  struct Panes {
    std::vector<HWND> previewButtons;
    HWND weightLine = nullptr;
    HWND preview = nullptr;
    PictureListBase_CL* strip = nullptr;
    std::vector<HWND> presetBar;  // its label, list and buttons
    TabParamSetting_CL* tabs = nullptr;
  };

  KeyboardShortcuts_CL() = default;
  virtual ~KeyboardShortcuts_CL();
  KeyboardShortcuts_CL(const KeyboardShortcuts_CL&) = delete;
  KeyboardShortcuts_CL& operator=(const KeyboardShortcuts_CL&) = delete;

  // Takes the keys of `window` (the main window) from now on, and puts its panes in the
  // order Tab visits them: the preview's buttons, the strip, the tabs, then the page shown.
  void Attach(HWND window, const Panes& panes);
  void Detach();

  // The shortcut of a key message to `window` or one of its controls, sent as WM_COMMAND;
  // false when it is none or the window is disabled. In an edit box Delete and Ctrl+A stay
  // the box's own.
  bool Translate(MSG& message) const;
  // Carries out a key's own command (and Esc in the strip); false for any other command.
  bool OnCommand(UINT id) const;
  // The preview's name for a screen reader, with what the line under it says (its weight).
  void NamePreview(const std::wstring& weight) const;
  // Where the context menu opens when it is asked for from the keyboard: at the strip's
  // current photo, else at the control's top-left corner.
  POINT KeyboardMenuPoint(HWND source) const;

private:
  static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);
  // 0 the preview's buttons, 1 the strip, 2 the tabs and the page; -1 elsewhere.
  int PaneOf(HWND focus) const;
  void MovePane(int step) const;
  void Focus(HWND control) const;
  void SelectAll() const;
  void Convert() const;

  HWND window = nullptr;
  Panes panes;
  OwnedAccelerators everywhere;
  OwnedAccelerators inEditBox;
  HHOOK filter = nullptr;
};
