#pragma once
// The list control of the picture strip: a window of equal cells laid out in one row, one
// column or rows wrapped to the width, with a focus frame, a multiple selection held in a
// bit set, scrolling, keyboard and mouse handling in the manner of the platform's list view,
// and WM_NOTIFY notifications (NMITEMACTIVATE records) to its parent. What a cell shows is
// left to PaintItem of a derived class. Everything is drawn into an off-screen bitmap first
// and copied in one piece, so the strip never flickers.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/GpOwned.h"
#include "toolkit/ControlBase.h"
#include "toolkit/ScrollBar.h"
#include "toolkit/ToolTips.h"
#include "views/BackBuffer.h"

constexpr int kPictureListKind = 8;
// The id of a strip made without one (the main window gives its own).
constexpr int kPictureListId = 4661;
constexpr DWORD kPictureListStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL |
                                    WS_HSCROLL | WS_TABSTOP | SS_GRAYFRAME;
constexpr int kPictureListToolIdBase = 4096;     // tool identifier = item index + this

// Layout modes.
constexpr int kLayoutRow = 0;      // one horizontal row
constexpr int kLayoutColumn = 1;   // one vertical column
constexpr int kLayoutWrapped = 2;  // rows wrapped to the width

// Selection operations of SetSelected / SelectRange / SelectAll.
constexpr int kSelectClear = 0;
constexpr int kSelectSet = 1;
constexpr int kSelectToggle = 2;
constexpr int kSelectQuery = 3;

class PictureListAccessible_CL;

class PictureListBase_CL : public ControlBase_CL {
public:
  // A cell that intersects the client area: its item index and its top-left corner.
  struct VisibleCell {
    std::int32_t index;
    std::int32_t x;
    std::int32_t y;
  };

  PictureListBase_CL();

  // The list's window logic; every message is marked handled, and what the list does not
  // handle itself goes to DefWindowProcW.
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  ~PictureListBase_CL() override;

  virtual void PaintFocus(GpGraphics* graphics, const RECT& cell);
  virtual void PaintSelection(GpGraphics* graphics, const RECT& cell);
  // One cell's content; nothing in the base.
  virtual void PaintItem(GpGraphics* graphics, const RECT& cell, int index);
  // Paints every visible cell into the back buffer.
  virtual void PaintAll();
  // SetSelected(i, op) for every i between from and to (inclusive, either order, limited to
  // the items); lastClicked = to.
  virtual void SelectRange(int from, int to, int op);
  // Empties the selection and sizes the bit set for n items: 0, or E_FAIL (and an empty
  // list) when it cannot be allocated. anchor, current and lastClicked are kept.
  virtual int SetItemCount(unsigned n);
  virtual unsigned GetCount();
  // kSelectClear, kSelectSet or kSelectToggle for every item.
  virtual void SelectAll(int op);
  // Answers 1 when the item was selected before the operation, else 0. An index outside
  // the items is never selected and changes nothing.
  virtual int SetSelected(int index, int op);
  virtual int IsSelected(int index);
  virtual int GetAnchor();
  virtual void Reserved(int value);
  virtual void SetPadding(int x, int y);
  // Text of the item's tooltip; empty in the base.
  virtual std::wstring GetItemText(int index);
  // What a screen reader calls the item; the tooltip's text in the base.
  virtual std::wstring ItemName(int index);
  // Columns, scroll ranges and visible cells for the current count, mode and client size.
  virtual void UpdateLayout();

  // Creates the list window (and its tooltip) as a child of parent.
  HWND Create(HWND parent, int controlId = kPictureListId);
  // What a left click on the item does, with the keyboard's Shift and Ctrl state; then the
  // item becomes the focused one. Ignored for an index outside the items.
  void ClickItem(int index);
  // The index of the cell under a client point; -1 left of or above the content, and
  // possibly >= count: the caller checks.
  int HitTest(int x, int y) const;
  // Scrolls so that the item's cell lies inside the client area.
  void EnsureVisible(int index);
  // Lists the cells that intersect the client area at the current scroll positions.
  void RecomputeVisibleCells();
  // Invalidates the client area without erasing.
  void Repaint();
  // The item's cell in the list's client coordinates.
  RECT CellRect(int index) const;
  // Whether the keyboard focus is on the list: only then is the focus frame drawn.
  bool HasFocus() const { return hwnd && GetFocus() == hwnd; }
  // Tells screen readers where the focus is and that the selection changed.
  void AnnounceFocusAndSelection() const;
  // The user's high-contrast choice, read again (after WM_SYSCOLORCHANGE, WM_SETTINGCHANGE).
  void FollowSystemColours();
  bool IsItem(int index) const { return index >= 0 && static_cast<unsigned>(index) < count; }
  // The colours painted with: the fields below, or the system's while high contrast is on.
  Gdiplus::ARGB Background() const;
  Gdiplus::ARGB TileColour() const;
  Gdiplus::ARGB CaptionColour() const;

  ScrollBar_CL hBar;
  ScrollBar_CL vBar;
  BackBuffer_CL backBuffer;
  RECT clientRect{};
  std::vector<VisibleCell> visibleCells;
  int columns = 1;
  int dragging = 0;
  Gdiplus::ARGB backgroundColor = 0xFFFFFFFF;
  Gdiplus::ARGB focusColor = 0xFFFFFF00;
  Gdiplus::ARGB hoverColor = 0xFFFFFFFF;   // the thin frame of the item under the mouse
  Gdiplus::ARGB tileColor = 0xFF000000;
  Gdiplus::ARGB captionColor = 0xFFFFFFFF;
  bool highContrast = false;
  std::wstring accessibleName;  // what a screen reader calls the whole list
  int padX = 2;
  int padY = 2;
  std::unique_ptr<std::uint32_t[]> selectionBits;
  unsigned count = 0;
  unsigned selectedCount = 0;
  int anchor = -1;
  int lastClicked = -1;
  int current = -1;
  int hoverItem = -1;  // the item under the mouse, -1 for none
  int mouseX = 0;
  int mouseY = 0;
  int layoutMode = kLayoutWrapped;
  int thumbWidth = 160;
  int thumbHeight = 120;
  int cellWidth = 200;
  int cellHeight = 140;
  ToolTips_CL tooltips;
  DWORD tooltipStyle = TTS_ALWAYSTIP | TTS_NOPREFIX;
  int tooltipItem = -1;

protected:
  // Modifier keys of an input event.
  struct Modifiers {
    bool shift = false;
    bool control = false;
  };
  static Modifiers KeyboardModifiers();
  static Modifiers MouseModifiers(WPARAM wParam);

  // Sends a WM_NOTIFY with an NMITEMACTIVATE record to the parent.
  void Notify(int code, int item, POINT point, Modifiers modifiers);
  // Cell pitch, never below 1, for every division.
  int CellWidth() const { return cellWidth > 0 ? cellWidth : 1; }
  int CellHeight() const { return cellHeight > 0 ? cellHeight : 1; }
  int ColumnCount() const { return columns > 0 ? columns : 1; }

private:
  void OnPaint();
  void OnKeyDown(UINT key);
  void OnLeftButtonDown(WPARAM wParam, int x, int y);
  void OnMouseMove(int x, int y);
  void OnScroll(UINT message, WPARAM wParam, LPARAM lParam);
  void OnWheel(WPARAM wParam, LPARAM lParam);
  // The selection after the focus moved by the keyboard.
  void ApplyMoveSelection(Modifiers modifiers);
  // The click on an item, shared by the mouse and ClickItem.
  void SelectByClick(int index, Modifiers modifiers);
  void UpdateTooltip(int index);
  // Moves the scroll positions toward a point outside the client area; true if one moved.
  bool AutoScroll(int x, int y);
  void LayoutOnce();
  void Unbind();
  void PaintHover(GpGraphics* graphics, const RECT& cell) const;
  // WM_GETOBJECT: the list's accessible object for OBJID_CLIENT.
  LRESULT AccessibleObject(WPARAM wParam, LPARAM lParam);
  // What the dialog manager leaves to the list: arrows, characters, Enter.
  LRESULT DialogCode(const MSG* message) const;

  PictureListAccessible_CL* accessible = nullptr;  // one reference, given up with the window

  int layoutDepth = 0;
  bool layoutAgain = false;
};
