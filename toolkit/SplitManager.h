#pragma once
// Divides a window's client area between child windows with a binary tree of splits, lets
// the user drag the bars between the panes and keeps the bar positions in the settings file.
//
// The owner adds every node first (the first one is the root), then links them, passes
// every window message to HandleMouse and, on each resize and on the notification posted
// at the end of a drag, runs ClearPlacements, ComputeLayout and ApplyPlacements.
#include <windows.h>

#include <string>
#include <vector>

// One node of the tree. Children are indices into the manager's node list (noNode: none);
// a node is a split node only when both children are set.
struct SplitNode {
  static constexpr int noNode = -1;
  static constexpr int unset = -1;  // position before a layout or a drag gave it one

  HWND window = nullptr;  // pane shown in rect; none for pure split nodes
  RECT rect{};            // client coordinates, set by every layout
  std::wstring name;      // unique; used in the stored text
  UINT showFlags = SWP_NOZORDER | SWP_SHOWWINDOW;
  int vertical = 0;       // 1: children stacked top/bottom (horizontal bar); 0: side by side
  int fromNearEdge = 0;   // 1: position counts from left/top; 0: size of the second child
  int barWidth = 0;
  int position = unset;
  int first = noNode;     // left or top child
  int second = noNode;    // right or bottom child

  bool IsSplit() const { return first != noNode && second != noNode; }
};

// One pane to move: copied from a node, or built by the owner for an extra pane.
struct Placement {
  HWND window = nullptr;
  RECT rect{};
  std::wstring name;
  UINT showFlags = SWP_NOZORDER | SWP_SHOWWINDOW;
};

// A window at left, top, right, bottom; a right or bottom edge before its left or top is taken
// as the left or top (an empty rectangle, never a negative one).
inline Placement PlacementAt(HWND window, int left, int top, int right, int bottom) {
  Placement placement;
  placement.window = window;
  placement.rect = RECT{left, top, right > left ? right : left, bottom > top ? bottom : top};
  return placement;
}

class SplitManager_CL {
public:
  static constexpr int defaultBarWidth = 4;

  explicit SplitManager_CL(UINT notifyMessage);
  virtual ~SplitManager_CL();
  SplitManager_CL(const SplitManager_CL&) = delete;
  SplitManager_CL& operator=(const SplitManager_CL&) = delete;

  void AddNode(HWND window, std::wstring name, int vertical, int fromNearEdge);
  // Links two children to a node. Children must come after their parent in the list (so the
  // links form a tree without cycles) and differ from each other; false leaves node alone.
  bool SetChildren(int node, int first, int second);
  // Index of the first node whose name equals name exactly, or SplitNode::noNode.
  int FindNode(const std::wstring& name) const;

  // Applies the stored text (see SaveLayout) to the nodes it names.
  void LoadLayout(std::wstring section, std::wstring key);
  // "name, left, top, right, bottom, position" for every node in list order, all joined
  // by ", ".
  void SaveLayout(std::wstring section, std::wstring key) const;
  std::wstring LayoutText() const;
  void ApplyLayoutText(std::wstring text);

  void ClearPlacements();
  // Lays the tree out from the root into the rectangle and appends a placement for every
  // node with a window. Bars are clamped inside their node; no rectangle gets a negative size.
  void ComputeLayout(RECT area);
  // Moves every placed pane in one batch.
  void ApplyPlacements() const;

  // Deepest node under the point, searched from node; SplitNode::noNode when none holds it.
  int HitTest(int node, int x, int y) const;
  // Splitter mouse hook for every message of the owner window; always 0.
  LRESULT HandleMouse(UINT message, LPARAM lParam, HWND window);
  bool Dragging() const { return dragNode != SplitNode::noNode; }

  int barWidth = defaultBarWidth;
  std::vector<SplitNode> nodes;
  std::vector<Placement> placements;
  int dragNode = SplitNode::noNode;
  POINT dragLine[2]{};
  UINT notifyMessage = 0;

private:
  bool ValidIndex(int index) const { return index >= 0 && index < static_cast<int>(nodes.size()); }
  void Layout(int node, RECT area);
  // Sets the drag node's position from the mouse point and dragLine to the feedback line.
  void TrackMouse(int x, int y);
  void DrawDragLine(HWND window) const;
  void BeginDrag(int node, int x, int y, HWND window);
  void EndDrag(HWND window);
};

// Splits off the next comma-separated token: leading characters up to code 32 are skipped,
// trailing blanks are kept. False when text is empty.
bool NextLayoutToken(std::wstring& text, std::wstring& token);
