#include "views/PictureListBase.h"

#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>
#include <new>

#include "base/HighContrast.h"
#include "views/PictureListAccessible.h"

namespace {

constexpr Gdiplus::ARGB kSelectionTint = 0x4E5050FF;
constexpr float kFocusPenWidth = 4.0f;
constexpr float kHoverPenWidth = 1.0f;
constexpr Gdiplus::ARGB kSelectionAlpha = 0x4E000000;
constexpr int kMaxLayoutPasses = 4;

constexpr unsigned kBitsPerWord = 32;

// One spare word, as the bit set has always had.
std::size_t WordsFor(unsigned n) { return static_cast<std::size_t>((static_cast<std::uint64_t>(n) + 32) / 32); }

void FillSolid(GpGraphics* graphics, Gdiplus::ARGB colour, float x, float y, float width, float height) {
  GpSolidFillPtr brush;
  if (gp::GdipCreateSolidFill(colour, brush.receive()) != Gdiplus::Ok) return;
  gp::GdipFillRectangle(graphics, brush.get(), x, y, width, height);
}

int ClientWidth(const RECT& r) { return r.right - r.left; }
int ClientHeight(const RECT& r) { return r.bottom - r.top; }

}  // namespace

PictureListBase_CL::PictureListBase_CL() : ControlBase_CL(kPictureListKind) {
  hBar.lineStep = 1;
  hBar.wheelStep = -1;
  vBar.lineStep = 1;
  vBar.wheelStep = -1;
  backBuffer.pixelFormat = PixelFormat24bppRGB;
}

PictureListBase_CL::~PictureListBase_CL() {
  // The tooltip's subclass goes first, then the window stops reaching this object.
  tooltips.RemoveAllTools();
  Unbind();
  if (accessible) {
    accessible->Disconnect();
    accessible->Release();
    accessible = nullptr;
  }
}

void PictureListBase_CL::Unbind() {
  if (!hwnd || !IsWindow(hwnd)) return;
  if (GetWindowLongPtrW(hwnd, GWLP_USERDATA) != reinterpret_cast<LONG_PTR>(this)) return;
  if (GetCapture() == hwnd) ReleaseCapture();
  if (previousProc) SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc));
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
}

HWND PictureListBase_CL::Create(HWND parent, int controlId) {
  if (!CreateControl(0, L"Static", L"", kPictureListStyle, 0, 0, 320, 240, parent, controlId, false))
    return nullptr;
  SetWindowLongPtrW(hwnd, GWL_EXSTYLE, GetWindowLongPtrW(hwnd, GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  vBar.Bind(hwnd, SB_VERT, SIF_ALL);
  hBar.Bind(hwnd, SB_HORZ, SIF_ALL);
  hBar.wheelStep = cellHeight;
  Subclass();
  tooltips.Create(hwnd, tooltipStyle);
  FollowSystemColours();
  return hwnd;
}

// ---- selection -------------------------------------------------------------------------

int PictureListBase_CL::SetItemCount(unsigned n) {
  tooltipItem = -1;
  tooltips.RemoveAllTools();
  selectionBits.reset();
  selectionBits.reset(new (std::nothrow) std::uint32_t[WordsFor(n)]());
  selectedCount = 0;
  if (!selectionBits) {
    count = 0;
    return static_cast<int>(E_FAIL);
  }
  count = n;
  if (hwnd) NotifyWinEvent(EVENT_OBJECT_REORDER, hwnd, OBJID_CLIENT, CHILDID_SELF);
  return 0;
}

unsigned PictureListBase_CL::GetCount() { return count; }

int PictureListBase_CL::SetSelected(int index, int op) {
  if (!IsItem(index) || !selectionBits) return 0;
  std::uint32_t& word = selectionBits[static_cast<unsigned>(index) / kBitsPerWord];
  const std::uint32_t bit = 1u << (static_cast<unsigned>(index) % kBitsPerWord);
  const int was = (word & bit) ? 1 : 0;
  bool now = was != 0;
  switch (op) {
    case kSelectClear: now = false; break;
    case kSelectSet: now = true; break;
    case kSelectToggle: now = !now; break;
    default: return was;
  }
  if (now) word |= bit; else word &= ~bit;
  if (now && !was) ++selectedCount;
  if (!now && was) --selectedCount;
  return was;
}

int PictureListBase_CL::IsSelected(int index) { return SetSelected(index, kSelectQuery); }

void PictureListBase_CL::SelectAll(int op) {
  if (!selectionBits) return;
  const unsigned fullWords = count / kBitsPerWord;
  const unsigned restBits = count % kBitsPerWord;
  const std::uint32_t restMask = restBits ? ((1u << restBits) - 1) : 0;
  switch (op) {
    case kSelectClear:
      std::fill_n(selectionBits.get(), WordsFor(count), 0u);
      selectedCount = 0;
      break;
    case kSelectSet:
      std::fill_n(selectionBits.get(), fullWords, ~0u);
      selectionBits[fullWords] = restMask;
      selectedCount = count;
      break;
    case kSelectToggle:
      for (unsigned w = 0; w < fullWords; ++w) selectionBits[w] = ~selectionBits[w];
      selectionBits[fullWords] ^= restMask;
      selectedCount = count - selectedCount;
      break;
    default:
      break;
  }
}

void PictureListBase_CL::SelectRange(int from, int to, int op) {
  const int low = std::max(std::min(from, to), 0);
  const int high = std::min(std::max(from, to), static_cast<int>(std::min<unsigned>(count, INT_MAX)) - 1);
  for (int i = low; i <= high; ++i) SetSelected(i, op);
  lastClicked = to;
}

int PictureListBase_CL::GetAnchor() { return anchor; }

void PictureListBase_CL::Reserved(int) {}

void PictureListBase_CL::SetPadding(int x, int y) {
  padX = x;
  padY = y;
}

std::wstring PictureListBase_CL::GetItemText(int) { return std::wstring(); }

std::wstring PictureListBase_CL::ItemName(int index) { return GetItemText(index); }

RECT PictureListBase_CL::CellRect(int index) const {
  const int cols = ColumnCount();
  const int left = (index % cols) * cellWidth - hBar.info.nPos;
  const int top = (index / cols) * cellHeight - vBar.info.nPos;
  return RECT{left, top, left + cellWidth, top + cellHeight};
}

void PictureListBase_CL::AnnounceFocusAndSelection() const {
  if (!hwnd) return;
  NotifyWinEvent(EVENT_OBJECT_SELECTIONWITHIN, hwnd, OBJID_CLIENT, CHILDID_SELF);
  if (HasFocus() && IsItem(current)) NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd, OBJID_CLIENT, current + 1);
}

// ---- colours ---------------------------------------------------------------------------

void PictureListBase_CL::FollowSystemColours() {
  highContrast = HighContrastOn();
  Repaint();
}

Gdiplus::ARGB PictureListBase_CL::Background() const {
  return highContrast ? OpaqueArgb(GetSysColor(COLOR_WINDOW)) : backgroundColor;
}

Gdiplus::ARGB PictureListBase_CL::TileColour() const {
  return highContrast ? OpaqueArgb(GetSysColor(COLOR_WINDOW)) : tileColor;
}

Gdiplus::ARGB PictureListBase_CL::CaptionColour() const {
  return highContrast ? OpaqueArgb(GetSysColor(COLOR_WINDOWTEXT)) : captionColor;
}

// ---- layout ----------------------------------------------------------------------------

void PictureListBase_CL::UpdateLayout() {
  // Setting a range may show or hide a bar, which changes the client size and comes back
  // here through WM_SIZE: that call only asks for another pass.
  if (layoutDepth > 0) {
    layoutAgain = true;
    return;
  }
  ++layoutDepth;
  for (int pass = 0; pass < kMaxLayoutPasses; ++pass) {
    layoutAgain = false;
    LayoutOnce();
    if (!layoutAgain) break;
  }
  --layoutDepth;
  RecomputeVisibleCells();
}

void PictureListBase_CL::LayoutOnce() {
  RECT client{};
  if (hwnd) GetClientRect(hwnd, &client);
  long long contentWidth = 0, contentHeight = 0;
  if (count > 0) {
    switch (layoutMode) {
      case kLayoutRow:
        columns = static_cast<int>(std::min<unsigned>(count, INT_MAX));
        contentWidth = static_cast<long long>(cellWidth) * count;
        contentHeight = cellHeight;
        break;
      case kLayoutColumn:
        columns = 1;
        contentWidth = cellWidth;
        contentHeight = static_cast<long long>(cellHeight) * count;
        break;
      default: {
        const int fit = (cellWidth / 2 - padX + client.right - GetSystemMetrics(SM_CXHSCROLL) - 1) / CellWidth();
        columns = std::max(fit, 1);
        const long long rows = (static_cast<long long>(count) + columns - 1) / columns;
        contentWidth = static_cast<long long>(cellWidth) * columns;
        contentHeight = rows * cellHeight;
        break;
      }
    }
  }
  hBar.wheelStep = cellHeight;

  const auto setRange = [](ScrollBar_CL& bar, long long content, int pad, int extent) {
    const long long last = std::clamp<long long>(content + pad - 1, INT_MIN, INT_MAX);
    bar.info.fMask = SIF_ALL;
    bar.info.nMin = 0;
    bar.info.nMax = static_cast<int>(last);
    bar.info.nPage = static_cast<UINT>(std::max(extent, 0));
    // Upper limit first: a page larger than the range leaves the position at 0.
    const int top = bar.info.nMax - static_cast<int>(bar.info.nPage);
    if (bar.info.nPos > top) bar.info.nPos = top;
    if (bar.info.nPos < 0) bar.info.nPos = 0;
    if (bar.hwnd) bar.Apply();
  };
  setRange(hBar, contentWidth, padX, ClientWidth(client));
  setRange(vBar, contentHeight, padY, ClientHeight(client));
  if (hwnd) GetClientRect(hwnd, &clientRect);
}

void PictureListBase_CL::RecomputeVisibleCells() {
  visibleCells.clear();
  if (hBar.info.nPos < 0) hBar.info.nPos = 0;
  if (vBar.info.nPos < 0) vBar.info.nPos = 0;
  const int hPos = hBar.info.nPos;
  const int vPos = vBar.info.nPos;
  const int left = clientRect.left + hPos;
  const int top = clientRect.top + vPos;
  const int w = CellWidth();
  const int h = CellHeight();
  switch (layoutMode) {
    case kLayoutRow:
      for (int i = left / w; i <= (clientRect.right + left - 1) / w; ++i)
        visibleCells.push_back({i, i * w - hPos, -vPos});
      break;
    case kLayoutColumn:
      for (int r = top / h; r <= (clientRect.bottom + top - 1) / h; ++r)
        visibleCells.push_back({r, 0, r * h - vPos});
      break;
    default: {
      const int cols = ColumnCount();
      const long long rowsEnd = (static_cast<long long>(h) + clientRect.bottom + top - 1) / h;
      const long long end = cols * rowsEnd;
      for (long long j = static_cast<long long>(cols) * (top / h) + left / w; j < end; ++j) {
        if (j > INT_MAX) break;
        visibleCells.push_back({static_cast<int>(j), static_cast<int>(j % cols) * w - hPos,
                                static_cast<int>(j / cols) * h - vPos});
      }
      break;
    }
  }
}

int PictureListBase_CL::HitTest(int x, int y) const {
  const long long px = static_cast<long long>(x) + std::max(hBar.info.nPos, 0);
  const long long py = static_cast<long long>(y) + std::max(vBar.info.nPos, 0);
  if (px < 0 || py < 0) return -1;
  long long index = 0;
  switch (layoutMode) {
    case kLayoutRow:
      index = px / CellWidth();
      break;
    case kLayoutColumn:
      index = py / CellHeight();
      break;
    default: {
      const long long column = px / CellWidth();
      if (column >= ColumnCount()) return -1;  // right of the last column: no item
      index = (py / CellHeight()) * ColumnCount() + column;
      break;
    }
  }
  return index > INT_MAX ? INT_MAX : static_cast<int>(index);
}

void PictureListBase_CL::EnsureVisible(int index) {
  if (index < 0) return;
  const int cols = ColumnCount();
  const long long left = static_cast<long long>(index % cols) * cellWidth - hBar.info.nPos;
  const long long top = static_cast<long long>(index / cols) * cellHeight - vBar.info.nPos;
  const long long right = left + cellWidth;
  const long long bottom = top + cellHeight;
  long long dx = right > clientRect.right ? clientRect.right - right : 0;
  if (left + dx < clientRect.left) dx = clientRect.left - left;
  long long dy = bottom > clientRect.bottom ? clientRect.bottom - bottom : 0;
  if (top + dy < clientRect.top) dy = clientRect.top - top;
  const int hBefore = hBar.info.nPos;
  const int vBefore = vBar.info.nPos;
  if (dx != 0) hBar.MoveBy(static_cast<int>(std::clamp<long long>(-dx, INT_MIN / 2, INT_MAX / 2)));
  if (dy != 0) vBar.MoveBy(static_cast<int>(std::clamp<long long>(-dy, INT_MIN / 2, INT_MAX / 2)));
  if (hBar.info.nPos != hBefore || vBar.info.nPos != vBefore || dx != 0 || dy != 0) RecomputeVisibleCells();
}

bool PictureListBase_CL::AutoScroll(int x, int y) {
  const int hBefore = hBar.info.nPos;
  const int vBefore = vBar.info.nPos;
  if (x < clientRect.left) hBar.MoveBy(-hBar.Step());
  else if (x >= clientRect.right) hBar.MoveBy(hBar.Step());
  if (y < clientRect.top) vBar.MoveBy(-vBar.Step());
  else if (y >= clientRect.bottom) vBar.MoveBy(vBar.Step());
  const bool moved = hBar.info.nPos != hBefore || vBar.info.nPos != vBefore;
  if (moved) RecomputeVisibleCells();
  return moved;
}

void PictureListBase_CL::Repaint() {
  if (hwnd) InvalidateRect(hwnd, nullptr, FALSE);
}

// ---- painting --------------------------------------------------------------------------

void PictureListBase_CL::PaintFocus(GpGraphics* graphics, const RECT& cell) {
  const Gdiplus::ARGB colour = highContrast ? OpaqueArgb(GetSysColor(COLOR_HIGHLIGHT)) : focusColor;
  GpPenPtr pen;
  if (gp::GdipCreatePen1(colour, kFocusPenWidth, Gdiplus::UnitWorld, pen.receive()) != Gdiplus::Ok) return;
  gp::GdipDrawRectangle(graphics, pen.get(), static_cast<float>(cell.left + 2), static_cast<float>(cell.top + 2),
                        static_cast<float>(cell.right - cell.left - 4 + padX),
                        static_cast<float>(cell.bottom - cell.top - 4 + padY));
}

// A thin frame inside the cell: where the mouse is, apart from the keyboard's focus frame.
void PictureListBase_CL::PaintHover(GpGraphics* graphics, const RECT& cell) const {
  const Gdiplus::ARGB colour = highContrast ? OpaqueArgb(GetSysColor(COLOR_HOTLIGHT)) : hoverColor;
  GpPenPtr pen;
  if (gp::GdipCreatePen1(colour, kHoverPenWidth, Gdiplus::UnitWorld, pen.receive()) != Gdiplus::Ok) return;
  gp::GdipDrawRectangle(graphics, pen.get(), static_cast<float>(cell.left + 1), static_cast<float>(cell.top + 1),
                        static_cast<float>(cell.right - cell.left - 4), static_cast<float>(cell.bottom - cell.top - 4));
}

void PictureListBase_CL::PaintSelection(GpGraphics* graphics, const RECT& cell) {
  const Gdiplus::ARGB tint =
      highContrast ? (kSelectionAlpha | (OpaqueArgb(GetSysColor(COLOR_HIGHLIGHT)) & 0xFFFFFF)) : kSelectionTint;
  FillSolid(graphics, tint, static_cast<float>(cell.left), static_cast<float>(cell.top),
            static_cast<float>(cell.right - cell.left + padX), static_cast<float>(cell.bottom - cell.top + padY));
}

void PictureListBase_CL::PaintItem(GpGraphics*, const RECT&, int) {}

void PictureListBase_CL::PaintAll() {
  GpBitmap* const target = backBuffer.Bitmap();
  if (!target) return;
  // The whole buffer: it has the client's size even before the first layout. An opaque
  // background goes straight into the pixels, before any graphics is open on them.
  constexpr Gdiplus::ARGB kOpaque = 0xFF000000;
  const Gdiplus::ARGB background = Background();
  const bool filled = (background & kOpaque) == kOpaque && backBuffer.Fill(background);
  GpGraphicsPtr graphics;
  if (gp::GdipGetImageGraphicsContext(target, graphics.receive()) != Gdiplus::Ok) return;
  UINT width = 0, height = 0;
  gp::GdipGetImageWidth(target, &width);
  gp::GdipGetImageHeight(target, &height);
  if (!filled) FillSolid(graphics.get(), background, 0, 0, static_cast<float>(width), static_cast<float>(height));
  if (count == 0) return;
  const bool focused = HasFocus();
  // A copy: a derived painter may change the list (a repaint request, a scroll) meanwhile.
  const std::vector<VisibleCell> cells = visibleCells;
  for (const VisibleCell& cell : cells) {
    if (!IsItem(cell.index)) continue;
    const RECT r{cell.x, cell.y, cell.x + cellWidth, cell.y + cellHeight};
    PaintItem(graphics.get(), r, cell.index);
    if (cell.index == hoverItem) PaintHover(graphics.get(), r);
    if (cell.index == current && focused) PaintFocus(graphics.get(), r);
    if (SetSelected(cell.index, kSelectQuery) == 1) PaintSelection(graphics.get(), r);
  }
}

void PictureListBase_CL::OnPaint() {
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  GpGraphicsPtr graphics;
  if (dc && gp::GdipCreateFromHDC(dc, graphics.receive()) == Gdiplus::Ok) {
    GpBitmap* const buffer = backBuffer.Resize(ClientWidth(client), ClientHeight(client));
    if (buffer) {
      PaintAll();
      UINT width = 0, height = 0;
      gp::GdipGetImageWidth(buffer, &width);
      gp::GdipGetImageHeight(buffer, &height);
      gp::GdipDrawImageRectI(graphics.get(), buffer, 0, 0, static_cast<INT>(width), static_cast<INT>(height));
    } else {
      FillSolid(graphics.get(), Background(), 0, 0, static_cast<float>(ClientWidth(client)),
                static_cast<float>(ClientHeight(client)));
    }
  }
  graphics.reset();
  EndPaint(hwnd, &paint);
}

// ---- input -----------------------------------------------------------------------------

PictureListBase_CL::Modifiers PictureListBase_CL::KeyboardModifiers() {
  Modifiers m;
  m.shift = GetKeyState(VK_SHIFT) < 0;
  m.control = GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_LCONTROL) < 0 || GetKeyState(VK_RCONTROL) < 0;
  return m;
}

PictureListBase_CL::Modifiers PictureListBase_CL::MouseModifiers(WPARAM wParam) {
  Modifiers m;
  m.shift = (wParam & MK_SHIFT) != 0;
  m.control = (wParam & MK_CONTROL) != 0;
  return m;
}

void PictureListBase_CL::Notify(int code, int item, POINT point, Modifiers modifiers) {
  const HWND parent = hwnd ? GetParent(hwnd) : nullptr;
  if (!parent) return;
  NMITEMACTIVATE record{};
  record.hdr.hwndFrom = hwnd;
  record.hdr.idFrom = static_cast<UINT_PTR>(id);
  record.hdr.code = static_cast<UINT>(code);
  record.iItem = item;
  record.ptAction = point;
  record.uKeyFlags = (modifiers.shift ? LVKF_SHIFT : 0u) | (modifiers.control ? LVKF_CONTROL : 0u);
  SendMessageW(parent, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&record));
}

void PictureListBase_CL::ApplyMoveSelection(Modifiers modifiers) {
  if (!IsItem(current)) return;
  if (modifiers.shift) {
    if (!IsItem(anchor)) anchor = current;
    SelectAll(kSelectClear);
    SelectRange(anchor, current, kSelectSet);
  } else if (!modifiers.control) {
    anchor = current;
    SelectAll(kSelectClear);
    SetSelected(current, kSelectSet);
  }
  EnsureVisible(current);
  Repaint();
  AnnounceFocusAndSelection();
}

void PictureListBase_CL::OnKeyDown(UINT key) {
  const Modifiers modifiers = KeyboardModifiers();
  const long long last = static_cast<long long>(count) - 1;
  const long long rowsPerPage = clientRect.bottom / CellHeight();
  const auto moveTo = [&](long long target) {
    current = static_cast<int>(std::clamp<long long>(target, 0, last));
    ApplyMoveSelection(modifiers);
  };
  switch (key) {
    case VK_LEFT: moveTo(static_cast<long long>(current) - 1); break;
    case VK_RIGHT: moveTo(static_cast<long long>(current) + 1); break;
    case VK_UP: moveTo(static_cast<long long>(current) - ColumnCount()); break;
    case VK_DOWN: moveTo(static_cast<long long>(current) + ColumnCount()); break;
    case VK_PRIOR: moveTo(current - rowsPerPage * ColumnCount()); break;
    case VK_NEXT: moveTo(current + rowsPerPage * ColumnCount()); break;
    case VK_HOME: moveTo(0); break;
    case VK_END: moveTo(last); break;
    case VK_RETURN:
      Notify(NM_RETURN, current, POINT{0, 0}, modifiers);
      ApplyMoveSelection(modifiers);
      break;
    case VK_SPACE:
      if (modifiers.control && IsItem(current)) {
        SetSelected(current, kSelectToggle);
        Repaint();
        AnnounceFocusAndSelection();
      }
      break;
    case 'A':
      if (modifiers.control && IsItem(current)) {
        SetSelected(current, kSelectToggle);
        SelectAll(kSelectToggle);
        EnsureVisible(current);
        Repaint();
        AnnounceFocusAndSelection();
      }
      break;
    default:
      break;
  }
  // The preview follows the keyboard. Only a real item is announced: the parent takes
  // iItem as an index into its photos.
  if (IsItem(current)) Notify(NM_CLICK, current, POINT{0, 0}, modifiers);
}

void PictureListBase_CL::SelectByClick(int index, Modifiers modifiers) {
  if (modifiers.shift) {
    if (!IsItem(anchor)) anchor = lastClicked = index;
    SelectAll(kSelectClear);
    SelectRange(anchor, index, kSelectSet);
  } else {
    if (modifiers.control) {
      SetSelected(index, kSelectToggle);
    } else {
      SelectAll(kSelectClear);
      SetSelected(index, kSelectSet);
    }
    anchor = lastClicked = index;
  }
}

void PictureListBase_CL::OnLeftButtonDown(WPARAM wParam, int x, int y) {
  dragging = 1;
  SetCapture(hwnd);
  SetFocus(hwnd);
  const int index = HitTest(x, y);
  if (IsItem(index)) {
    const Modifiers modifiers = MouseModifiers(wParam);
    Notify(NM_CLICK, index, POINT{x, y}, modifiers);
    // The parent may have changed the list while it handled the click.
    if (IsItem(index)) {
      current = index;
      SelectByClick(index, modifiers);
    }
  }
  Repaint();
  AnnounceFocusAndSelection();
}

void PictureListBase_CL::ClickItem(int index) {
  if (!IsItem(index)) return;
  const Modifiers modifiers = KeyboardModifiers();
  Notify(NM_CLICK, index, POINT{0, 0}, modifiers);
  if (!IsItem(index)) return;
  SelectByClick(index, modifiers);
  current = anchor;
  Repaint();
  AnnounceFocusAndSelection();
}

void PictureListBase_CL::UpdateTooltip(int index) {
  if (index == tooltipItem) return;
  tooltipItem = index;
  if (!tooltips.hwnd) return;
  tooltips.RemoveAllTools();
  tooltips.AddTool(hwnd, static_cast<UINT_PTR>(index) + kPictureListToolIdBase, clientRect, GetItemText(index));
}

void PictureListBase_CL::OnMouseMove(int x, int y) {
  mouseX = x;
  mouseY = y;
  bool changed = false;
  const int index = HitTest(x, y);
  const int hover = IsItem(index) ? index : -1;
  if (hover != hoverItem) {
    hoverItem = hover;
    changed = true;
    TRACKMOUSEEVENT leave{sizeof(leave), TME_LEAVE, hwnd, 0};
    TrackMouseEvent(&leave);
  }
  UpdateTooltip(index);
  // Only a drag moves the focus with the mouse.
  if (dragging && IsItem(index) && index != current) current = index;
  if (dragging && anchor != -1 && anchor != current) {
    SelectAll(kSelectClear);
    SelectRange(anchor, current, kSelectSet);
    AutoScroll(x, y);
    changed = true;
  }
  // Painting opens every visible photo's file: only a change is worth it.
  if (changed) Repaint();
}

void PictureListBase_CL::OnScroll(UINT message, WPARAM wParam, LPARAM lParam) {
  ScrollBar_CL& bar = message == WM_HSCROLL ? hBar : vBar;
  bar.HandleMessage(hwnd, message, wParam, lParam);
  RecomputeVisibleCells();
  Repaint();
}

void PictureListBase_CL::OnWheel(WPARAM wParam, LPARAM lParam) {
  ScrollBar_CL* bar = &vBar;
  if (layoutMode == kLayoutRow) bar = &hBar;
  else if (layoutMode == kLayoutWrapped && GetAsyncKeyState(VK_LBUTTON) < 0) bar = &hBar;
  bar->HandleMessage(hwnd, WM_MOUSEWHEEL, wParam, lParam);
  RecomputeVisibleCells();
  Repaint();
}

LRESULT PictureListBase_CL::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  handled = 1;
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_SIZE:
      UpdateLayout();
      Repaint();
      break;
    case WM_SETFOCUS:
      // The focus frame needs an item to stand on.
      if (!IsItem(current) && count > 0) current = IsItem(anchor) ? anchor : 0;
      Notify(NM_SETFOCUS, 0, POINT{0, 0}, KeyboardModifiers());
      Repaint();
      AnnounceFocusAndSelection();
      break;
    case WM_KILLFOCUS:
      Notify(NM_KILLFOCUS, 0, POINT{0, 0}, KeyboardModifiers());
      Repaint();
      break;
    case WM_MOUSELEAVE:
      if (hoverItem != -1) {
        hoverItem = -1;
        Repaint();
      }
      break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      FollowSystemColours();
      break;
    case WM_GETOBJECT:
      if (static_cast<LONG>(lParam) == OBJID_CLIENT) return AccessibleObject(wParam, lParam);
      break;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 0;
    case WM_GETDLGCODE:
      return DialogCode(reinterpret_cast<const MSG*>(lParam));
    case WM_KEYDOWN:
      if (count > 0) OnKeyDown(static_cast<UINT>(wParam));
      break;
    case WM_MOUSEMOVE:
      if (count > 0) OnMouseMove(point.x, point.y);
      break;
    case WM_LBUTTONDOWN:
      if (count > 0) OnLeftButtonDown(wParam, point.x, point.y);
      break;
    case WM_LBUTTONUP:
      // Released whatever the count: the list may have been emptied while the button was down.
      if (dragging || GetCapture() == window) {
        dragging = 0;
        if (GetCapture() == window) ReleaseCapture();
      }
      break;
    case WM_CAPTURECHANGED:
      dragging = 0;
      break;
    case WM_DESTROY:
      // The tooltip's subclass leaves before the window's own procedure is put back.
      tooltips.RemoveAllTools();
      tooltipItem = -1;
      if (accessible) accessible->Disconnect();
      break;
    case WM_LBUTTONDBLCLK:
      Notify(NM_DBLCLK, HitTest(point.x, point.y), point, MouseModifiers(wParam));
      break;
    case WM_RBUTTONDBLCLK:
      Notify(NM_RDBLCLK, HitTest(point.x, point.y), point, MouseModifiers(wParam));
      break;
    case WM_RBUTTONDOWN:
      Notify(NM_RCLICK, HitTest(point.x, point.y), point, MouseModifiers(wParam));
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (count > 0) OnScroll(message, wParam, lParam);
      break;
    case WM_MOUSEWHEEL:
      if (count > 0) OnWheel(wParam, lParam);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Tab, Shift+Tab and Esc stay the dialog's: the list is a stop on the way, never a trap.
LRESULT PictureListBase_CL::DialogCode(const MSG* message) const {
  LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (message && message->message == WM_KEYDOWN && message->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
  return code;
}

LRESULT PictureListBase_CL::AccessibleObject(WPARAM wParam, LPARAM lParam) {
  if (!accessible) accessible = new (std::nothrow) PictureListAccessible_CL(this);
  if (!accessible) return DefWindowProcW(hwnd, WM_GETOBJECT, wParam, lParam);
  return accessible->Result(wParam);
}
