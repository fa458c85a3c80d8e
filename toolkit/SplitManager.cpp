#include "toolkit/SplitManager.h"

#include <algorithm>
#include <climits>

#include "base/Inifile.h"
#include "base/Owned.h"
#include "base/ShellHelpers.h"

namespace {

constexpr LONG clipStyles = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

Placement PlacementOf(const SplitNode& node) {
  Placement placement;
  placement.window = node.window;
  placement.rect = node.rect;
  placement.name = node.name;
  placement.showFlags = node.showFlags;
  return placement;
}

bool Holds(const RECT& r, int x, int y) { return r.left <= x && x < r.right && r.top <= y && y < r.bottom; }

LONG Clip(long long value) {
  return static_cast<LONG>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Where the bar of a split node starts along its axis, kept inside [nearEdge, farEdge - bar]
// (or at nearEdge when the node is narrower than its bar).
long long SplitCoordinate(const SplitNode& node, long long nearEdge, long long farEdge, long long bar) {
  long long split = node.fromNearEdge ? node.position : farEdge - bar - node.position;
  split = std::min(split, farEdge - bar);
  return std::max(split, nearEdge);
}

}  // namespace

SplitManager_CL::SplitManager_CL(UINT message) : notifyMessage(message) {}

SplitManager_CL::~SplitManager_CL() = default;

void SplitManager_CL::AddNode(HWND window, std::wstring name, int vertical, int fromNearEdge) {
  SplitNode node;
  node.window = window;
  node.name = std::move(name);
  node.vertical = vertical;
  node.fromNearEdge = fromNearEdge;
  node.barWidth = barWidth;
  nodes.push_back(std::move(node));
}

bool SplitManager_CL::SetChildren(int node, int first, int second) {
  if (!ValidIndex(node) || !ValidIndex(first) || !ValidIndex(second)) return false;
  if (first <= node || second <= node || first == second) return false;
  nodes[node].first = first;
  nodes[node].second = second;
  return true;
}

int SplitManager_CL::FindNode(const std::wstring& name) const {
  for (size_t i = 0; i < nodes.size(); ++i)
    if (nodes[i].name == name) return static_cast<int>(i);
  return SplitNode::noNode;
}

// --- stored text ---------------------------------------------------------------------

bool NextLayoutToken(std::wstring& text, std::wstring& token) {
  if (text.empty()) return false;
  size_t start = 0;
  while (start < text.size() && text[start] <= L' ') ++start;
  const size_t comma = text.find(L',', start);
  if (comma == std::wstring::npos) {
    token = text.substr(start);
    text.clear();
  } else {
    token = text.substr(start, comma - start);
    text.erase(0, comma + 1);
  }
  return true;
}

std::wstring SplitManager_CL::LayoutText() const {
  std::wstring text;
  for (const SplitNode& node : nodes) {
    if (!text.empty()) text += L", ";
    text += node.name;
    for (const long value : {node.rect.left, node.rect.top, node.rect.right, node.rect.bottom, LONG{node.position}})
      text += L", " + IntToText(static_cast<int>(value));
  }
  return text;
}

void SplitManager_CL::ApplyLayoutText(std::wstring text) {
  std::wstring name;
  while (NextLayoutToken(text, name)) {
    int values[5] = {};
    for (int& value : values) {
      std::wstring token;
      if (!NextLayoutToken(text, token)) return;
      value = TextToInt(token);
    }
    const int index = FindNode(name);
    if (index == SplitNode::noNode) continue;
    nodes[index].rect = RECT{values[0], values[1], values[2], values[3]};
    nodes[index].position = values[4];
  }
}

void SplitManager_CL::LoadLayout(std::wstring section, std::wstring key) {
  ApplyLayoutText(theIniFile.ReadString(std::move(section), std::move(key), L""));
}

void SplitManager_CL::SaveLayout(std::wstring section, std::wstring key) const {
  theIniFile.WriteString(std::move(section), std::move(key), LayoutText());
}

// --- layout --------------------------------------------------------------------------

void SplitManager_CL::ClearPlacements() { placements.clear(); }

void SplitManager_CL::ComputeLayout(RECT area) {
  if (nodes.empty()) return;
  area.right = std::max(area.right, area.left);
  area.bottom = std::max(area.bottom, area.top);
  Layout(0, area);
}

void SplitManager_CL::Layout(int index, RECT area) {
  SplitNode& node = nodes[index];
  node.rect = area;
  if (node.window) placements.push_back(PlacementOf(node));

  RECT firstArea = area;
  RECT secondArea = area;
  if (node.IsSplit()) {
    const bool stacked = node.vertical != 0;
    const long long nearEdge = stacked ? area.top : area.left;
    const long long farEdge = stacked ? area.bottom : area.right;
    const long long bar = std::max(node.barWidth, 0);
    if (node.position == SplitNode::unset) node.position = Clip((farEdge - bar) / 2);
    const long long split = SplitCoordinate(node, nearEdge, farEdge, bar);
    const LONG firstEnd = Clip(split);
    const LONG secondStart = Clip(std::min(split + bar, farEdge));
    if (stacked) {
      firstArea.bottom = firstEnd;
      secondArea.top = secondStart;
    } else {
      firstArea.right = firstEnd;
      secondArea.left = secondStart;
    }
  }
  // Only links to later nodes are followed, so a hand-made cycle cannot recurse forever.
  const int first = node.first;
  const int second = node.second;
  if (ValidIndex(first) && first > index) Layout(first, firstArea);
  if (ValidIndex(second) && second > index) Layout(second, secondArea);
}

void SplitManager_CL::ApplyPlacements() const {
  std::vector<const Placement*> movable;
  for (const Placement& placement : placements)
    if (placement.window && IsWindow(placement.window)) movable.push_back(&placement);
  if (movable.empty()) return;

  HDWP batch = BeginDeferWindowPos(static_cast<int>(movable.size()));
  for (const Placement* p : movable) {
    if (!batch) break;
    batch = DeferWindowPos(batch, p->window, HWND_BOTTOM, p->rect.left, p->rect.top,
                           std::max<LONG>(p->rect.right - p->rect.left, 0),
                           std::max<LONG>(p->rect.bottom - p->rect.top, 0), p->showFlags);
  }
  if (batch && EndDeferWindowPos(batch)) return;
  // The batch could not be built: move the panes one by one instead.
  for (const Placement* p : movable)
    SetWindowPos(p->window, HWND_BOTTOM, p->rect.left, p->rect.top,
                 std::max<LONG>(p->rect.right - p->rect.left, 0),
                 std::max<LONG>(p->rect.bottom - p->rect.top, 0), p->showFlags);
}

// --- mouse ---------------------------------------------------------------------------

int SplitManager_CL::HitTest(int index, int x, int y) const {
  if (!ValidIndex(index)) return SplitNode::noNode;
  const SplitNode& node = nodes[index];
  for (const int child : {node.first, node.second}) {
    if (child <= index) continue;
    const int hit = HitTest(child, x, y);
    if (hit != SplitNode::noNode) return hit;
  }
  return Holds(node.rect, x, y) ? index : SplitNode::noNode;
}

void SplitManager_CL::TrackMouse(int x, int y) {
  SplitNode& node = nodes[dragNode];
  const int half = node.barWidth / 2;
  const RECT& r = node.rect;
  long long position = 0;
  if (!node.vertical) {
    const int lineX = node.fromNearEdge ? x - half : x + half - node.barWidth;
    position = node.fromNearEdge ? lineX : static_cast<long long>(r.right) - half - x;
    dragLine[0] = POINT{lineX, r.top};
    dragLine[1] = POINT{lineX, r.bottom};
  } else {
    const int lineY = node.fromNearEdge ? y - half : y + half - node.barWidth;
    position = node.fromNearEdge ? lineY : static_cast<long long>(r.bottom) - half - y;
    dragLine[0] = POINT{r.left, lineY};
    dragLine[1] = POINT{r.right, lineY};
  }
  // Past the edge the layout clamps anyway; below 0 the value would collide with the
  // "no position yet" marker and re-centre the bar, so it is kept at 0.
  node.position = Clip(std::max<long long>(position, 0));
}

void SplitManager_CL::DrawDragLine(HWND window) const {
  const int width = ValidIndex(dragNode) ? nodes[dragNode].barWidth : barWidth;
  const WindowDc dc(window);
  if (!dc.get()) return;
  const GdiPen pen(CreatePen(PS_SOLID, width, GetSysColor(COLOR_BTNSHADOW)));
  if (!pen) return;
  const SelectedObject selected(dc.get(), pen.get());
  const int previousMode = SetROP2(dc.get(), R2_XORPEN);
  MoveToEx(dc.get(), dragLine[0].x, dragLine[0].y, nullptr);
  LineTo(dc.get(), dragLine[1].x, dragLine[1].y);
  SetROP2(dc.get(), previousMode);
}

void SplitManager_CL::BeginDrag(int node, int x, int y, HWND window) {
  dragNode = node;
  SetCapture(window);
  // The feedback line is drawn across the panes.
  SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) & ~clipStyles);
  TrackMouse(x, y);
  DrawDragLine(window);
}

void SplitManager_CL::EndDrag(HWND window) {
  DrawDragLine(window);  // erases the line: XOR twice restores the screen
  dragNode = SplitNode::noNode;
  SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) | clipStyles);
  if (GetCapture() == window) ReleaseCapture();
  PostMessageW(window, notifyMessage, 0, 0);
}

LRESULT SplitManager_CL::HandleMouse(UINT message, LPARAM lParam, HWND window) {
  if (nodes.empty()) return 0;
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_MOUSEMOVE:
      if (Dragging()) {
        DrawDragLine(window);
        TrackMouse(x, y);
        DrawDragLine(window);
      } else {
        const int hit = HitTest(0, x, y);
        if (ValidIndex(hit) && nodes[hit].IsSplit())
          SetCursor(LoadCursorW(nullptr, nodes[hit].vertical ? IDC_SIZENS : IDC_SIZEWE));
      }
      break;
    case WM_LBUTTONDOWN:
      if (!Dragging()) {
        const int hit = HitTest(0, x, y);
        if (ValidIndex(hit) && nodes[hit].IsSplit()) BeginDrag(hit, x, y, window);
      }
      break;
    case WM_LBUTTONUP:
      if (Dragging()) EndDrag(window);
      break;
    case WM_CAPTURECHANGED:
      // Capture taken away mid-drag (another window, a system dialog): end the drag here,
      // or the clip styles would stay off and later mouse moves would keep drawing lines.
      if (Dragging() && reinterpret_cast<HWND>(lParam) != window) EndDrag(window);
      break;
    default:
      break;
  }
  return 0;
}
