#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <string>

#include "base/Inifile.h"
#include "base/Messages.h"
#include "base/Owned.h"
#include "tests/support/TempFolder.h"
#include "toolkit/SplitManager.h"

namespace {

constexpr UINT kSplitterMoved = WM_SPLITTER_MOVED;
constexpr int kWidth = 800;
constexpr int kHeight = 600;

std::wstring Describe(const RECT& r) {
  return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
         std::to_wstring(r.bottom);
}

// One split node with two leaf children.
struct PairSplit : SplitManager_CL {
  PairSplit(int vertical, int fromNearEdge, int position) : SplitManager_CL(kSplitterMoved) {
    SplitManager_CL& manager = *this;
    manager.AddNode(nullptr, L"Split", vertical, fromNearEdge);
    manager.AddNode(nullptr, L"A", 0, 0);
    manager.AddNode(nullptr, L"B", 0, 0);
    manager.SetChildren(0, 1, 2);
    manager.nodes[0].position = position;
  }
};

// The main window's tree: thumbnail strip below, preview and tab host side by side above.
void BuildMainTree(SplitManager_CL& manager, HWND strip, HWND preview, HWND tabs) {
  manager.AddNode(nullptr, L"Root(V)", 1, 0);
  manager.AddNode(nullptr, L"LT(H)  ", 0, 0);
  manager.AddNode(strip, L"SplitA", 0, 0);
  manager.AddNode(preview, L"SplitB", 0, 0);
  manager.AddNode(tabs, L"SplitC", 0, 0);
  manager.SetChildren(0, 1, 2);
  manager.SetChildren(1, 3, 4);
}

void Relayout(SplitManager_CL& manager, RECT area) {
  manager.ClearPlacements();
  manager.ComputeLayout(area);
}

bool NoNegativeSizes(const SplitManager_CL& manager) {
  for (const SplitNode& node : manager.nodes)
    if (node.rect.right < node.rect.left || node.rect.bottom < node.rect.top) return false;
  return true;
}

}  // namespace

// --- layout arithmetic ----------------------------------------------------------------

TEST(SplitLayout, BarCountsFromEitherEdgeInBothOrientations) {
  struct Case {
    int vertical, fromNearEdge, position;
    const wchar_t* first;
    const wchar_t* second;
  };
  const Case cases[] = {
      {0, 0, 100, L"0,0,696,600", L"700,0,800,600"},
      {0, 1, 100, L"0,0,100,600", L"104,0,800,600"},
      {1, 0, 170, L"0,0,800,426", L"0,430,800,600"},
      {1, 1, 170, L"0,0,800,170", L"0,174,800,600"},
  };
  for (const Case& c : cases) {
    PairSplit manager(c.vertical, c.fromNearEdge, c.position);
    manager.ComputeLayout({0, 0, kWidth, kHeight});
    EXPECT_EQ(Describe(manager.nodes[1].rect), c.first);
    EXPECT_EQ(Describe(manager.nodes[2].rect), c.second);
  }
}

TEST(SplitLayout, BarWithoutPositionIsCentredAtTheFirstLayout) {
  PairSplit sideBySide(0, 0, SplitNode::unset);
  sideBySide.ComputeLayout({0, 0, kWidth, kHeight});
  EXPECT_EQ(sideBySide.nodes[0].position, 398);
  EXPECT_EQ(Describe(sideBySide.nodes[1].rect), L"0,0,398,600");
  EXPECT_EQ(Describe(sideBySide.nodes[2].rect), L"402,0,800,600");

  PairSplit stacked(1, 1, SplitNode::unset);
  stacked.ComputeLayout({0, 0, kWidth, kHeight});
  EXPECT_EQ(stacked.nodes[0].position, 298);
  EXPECT_EQ(Describe(stacked.nodes[1].rect), L"0,0,800,298");
}

TEST(SplitLayout, SecondChildKeepsItsSizeWhenTheWindowGrows) {
  SplitManager_CL manager(kSplitterMoved);
  BuildMainTree(manager, nullptr, nullptr, nullptr);
  manager.nodes[0].position = 170;
  manager.nodes[1].position = 300;
  manager.ComputeLayout({0, 0, kWidth, kHeight});
  EXPECT_EQ(Describe(manager.nodes[2].rect), L"0,430,800,600");
  EXPECT_EQ(Describe(manager.nodes[3].rect), L"0,0,496,426");
  EXPECT_EQ(Describe(manager.nodes[4].rect), L"500,0,800,426");

  Relayout(manager, {0, 0, 1000, 700});
  EXPECT_EQ(Describe(manager.nodes[2].rect), L"0,530,1000,700");
  EXPECT_EQ(Describe(manager.nodes[4].rect), L"700,0,1000,526");
}

TEST(SplitLayout, BarPastTheEdgeIsClampedInsideTheNodeAndThePositionKept) {
  for (const int fromNearEdge : {0, 1}) {
    for (const int position : {-500, 5000, INT_MIN, INT_MAX}) {
      SCOPED_TRACE(std::to_string(fromNearEdge) + " " + std::to_string(position));
      PairSplit manager(0, fromNearEdge, position);
      manager.ComputeLayout({10, 0, 210, 100});
      const RECT& first = manager.nodes[1].rect;
      const RECT& second = manager.nodes[2].rect;
      EXPECT_GE(first.right, 10);
      EXPECT_LE(first.right + 4, 210);
      EXPECT_EQ(second.left, first.right + 4);
      EXPECT_EQ(second.right, 210);
      EXPECT_EQ(manager.nodes[0].position, position);
    }
  }
}

TEST(SplitLayout, AreaNarrowerThanTheBarGivesNoNegativeSizes) {
  SplitManager_CL manager(kSplitterMoved);
  BuildMainTree(manager, nullptr, nullptr, nullptr);
  manager.nodes[0].position = 170;
  manager.nodes[1].position = 300;
  for (const RECT area : {RECT{0, 0, 3, 2}, RECT{0, 0, 0, 0}, RECT{50, 50, 10, 10}}) {
    Relayout(manager, area);
    EXPECT_TRUE(NoNegativeSizes(manager)) << Describe(area);
  }
}

TEST(SplitLayout, LinksBackwardsOrToItselfAreRefused) {
  PairSplit manager(0, 0, 10);
  EXPECT_FALSE(manager.SetChildren(1, 0, 2));
  EXPECT_FALSE(manager.SetChildren(1, 2, 2));
  EXPECT_FALSE(manager.SetChildren(0, 1, 7));
  EXPECT_FALSE(manager.nodes[1].IsSplit());

  // A cycle made by hand in the public fields must not recurse forever.
  manager.nodes[2].first = 0;
  manager.nodes[2].second = 1;
  manager.ComputeLayout({0, 0, 100, 100});
  EXPECT_EQ(manager.HitTest(0, 99, 99), 2);
}

// --- stored text ----------------------------------------------------------------------

class SplitterStore : public ::testing::Test {
protected:
  void SetUp() override {
    savedPath = theIniFile.filePath;
    theIniFile.SetFileName(folder.File(L"Glimmerset.ini"));
    BuildMainTree(manager, nullptr, nullptr, nullptr);
  }
  void TearDown() override { theIniFile.filePath = savedPath; }

  void Store(const std::wstring& text) { theIniFile.WriteString(L"Window", L"SpliterRect", text); }

  TempFolder folder;
  std::wstring savedPath;
  SplitManager_CL manager{kSplitterMoved};
};

TEST_F(SplitterStore, SaveThenLoadRestoresEveryNodeIncludingTrailingBlanks) {
  manager.nodes[0].position = 170;
  manager.nodes[1].position = 300;
  manager.ComputeLayout({0, 0, kWidth, kHeight});
  manager.SaveLayout(L"Window", L"SpliterRect");
  EXPECT_EQ(theIniFile.ReadString(L"Window", L"SpliterRect", L""),
            L"Root(V), 0, 0, 800, 600, 170, LT(H)  , 0, 0, 800, 426, 300, SplitA, 0, 430, 800, 600, -1, "
            L"SplitB, 0, 0, 496, 426, -1, SplitC, 500, 0, 800, 426, -1");

  SplitManager_CL restored(kSplitterMoved);
  BuildMainTree(restored, nullptr, nullptr, nullptr);
  restored.LoadLayout(L"Window", L"SpliterRect");
  for (size_t i = 0; i < manager.nodes.size(); ++i) {
    SCOPED_TRACE(manager.nodes[i].name);
    EXPECT_EQ(Describe(restored.nodes[i].rect), Describe(manager.nodes[i].rect));
    EXPECT_EQ(restored.nodes[i].position, manager.nodes[i].position);
  }
}

TEST_F(SplitterStore, UnknownNameIsSkippedAndTheOthersApplied) {
  Store(L"Gone, 1, 2, 3, 4, 55, LT(H)  , 0, 0, 10, 10, 77, LT(H), 0, 0, 1, 1, 88, Root(V), 0, 0, 9, 9, 66");
  manager.LoadLayout(L"Window", L"SpliterRect");
  EXPECT_EQ(manager.nodes[0].position, 66);
  EXPECT_EQ(manager.nodes[1].position, 77);
  EXPECT_EQ(Describe(manager.nodes[1].rect), L"0,0,10,10");
  EXPECT_EQ(manager.nodes[2].position, SplitNode::unset);
}

TEST_F(SplitterStore, TextEndingEarlyUpdatesOnlyTheCompletedNodes) {
  Store(L"Root(V), 0, 0, 800, 600, 170, LT(H)  , 0, 0, 800");
  manager.LoadLayout(L"Window", L"SpliterRect");
  EXPECT_EQ(manager.nodes[0].position, 170);
  EXPECT_EQ(manager.nodes[1].position, SplitNode::unset);
  EXPECT_EQ(Describe(manager.nodes[1].rect), L"0,0,0,0");
}

TEST_F(SplitterStore, HandEditedGarbageLaysOutInsideTheWindow) {
  for (const std::wstring text :
       {L"Root(V), x, -, 99999999999, ,, LT(H)  , 1, 2, 3, 4, -2147483648",
        L"Root(V),,,,,-7,LT(H)  ,,,,,abc", L",,,,,,,,,,,", L"\t\r\n Root(V)\t, 0, 0, 0, 0, 2147483647"}) {
    SplitManager_CL fresh(kSplitterMoved);
    BuildMainTree(fresh, nullptr, nullptr, nullptr);
    Store(text);
    fresh.LoadLayout(L"Window", L"SpliterRect");
    fresh.ComputeLayout({0, 0, kWidth, kHeight});
    EXPECT_TRUE(NoNegativeSizes(fresh));
    for (const SplitNode& node : fresh.nodes) {
      EXPECT_GE(node.rect.left, 0);
      EXPECT_LE(node.rect.right, kWidth);
      EXPECT_GE(node.rect.top, 0);
      EXPECT_LE(node.rect.bottom, kHeight);
    }
  }
}

// --- dragging a bar in a real window --------------------------------------------------

namespace {

// A plain top-level window with three static panes, laid out by the manager. It passes every
// message to the splitter's mouse hook and lays out again on the splitter's notification.
class SplitterHost {
public:
  SplitterHost() : manager(kSplitterMoved) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &SplitterHost::Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"GlimmersetSplitterTestHost";
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&windowClass);
    window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP | WS_CLIPCHILDREN, 0, 0,
                             kWidth, kHeight, nullptr, nullptr, windowClass.hInstance, this);
    for (HWND& pane : panes)
      pane = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, window, nullptr,
                             windowClass.hInstance, nullptr);
    BuildMainTree(manager, panes[0], panes[1], panes[2]);
    manager.nodes[0].position = 170;
    manager.nodes[1].position = 300;
    Layout();
    // Shown without activation: Wine then leaves the window to no window manager, and
    // hiding or destroying it does not wait for one.
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(window);
  }
  ~SplitterHost() { DestroyWindow(window); }
  SplitterHost(const SplitterHost&) = delete;
  SplitterHost& operator=(const SplitterHost&) = delete;

  void Layout() {
    RECT client{};
    GetClientRect(window, &client);
    manager.ClearPlacements();
    manager.ComputeLayout(client);
    manager.ApplyPlacements();
  }

  void Mouse(UINT message, int x, int y) { SendMessageW(window, message, message == WM_MOUSEMOVE ? 0 : MK_LBUTTON, MAKELPARAM(x, y)); }

  RECT PaneRect(int index) const {
    RECT r{};
    GetWindowRect(panes[index], &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  LONG ClipStyles() const { return GetWindowLongW(window, GWL_STYLE) & (WS_CLIPCHILDREN | WS_CLIPSIBLINGS); }

  HWND window = nullptr;
  HWND panes[3]{};  // strip, preview, tab host
  SplitManager_CL manager;
  int notifications = 0;

private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* host = reinterpret_cast<SplitterHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (host) {
      if (message == kSplitterMoved) {
        ++host->notifications;
        host->Layout();
      }
      host->manager.HandleMouse(message, lParam, hwnd);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
};

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

}  // namespace

TEST(SplitterDrag, SizingCursorOnlyOverTheGapsBetweenPanes) {
  SplitterHost host;
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  SetCursor(arrow);
  host.Mouse(WM_MOUSEMOVE, 100, 100);
  EXPECT_EQ(GetCursor(), arrow);
  host.Mouse(WM_MOUSEMOVE, 497, 100);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEWE));
  host.Mouse(WM_MOUSEMOVE, 100, 428);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZENS));
}

TEST(SplitterDrag, DragCapturesTheMouseAndEndsWithTheNotification) {
  SplitterHost host;
  EXPECT_EQ(Describe(host.PaneRect(0)), L"0,430,800,600");
  EXPECT_EQ(Describe(host.PaneRect(2)), L"500,0,800,426");
  host.Mouse(WM_LBUTTONDOWN, 497, 100);
  EXPECT_TRUE(host.manager.Dragging());
  EXPECT_EQ(GetCapture(), host.window);
  // The platform keeps WS_CLIPSIBLINGS on a top-level window whatever is asked.
  EXPECT_EQ(host.ClipStyles() & WS_CLIPCHILDREN, 0);

  host.Mouse(WM_MOUSEMOVE, 450, 120);
  host.Mouse(WM_MOUSEMOVE, 397, 140);
  EXPECT_EQ(host.manager.dragLine[0].x, 395);
  EXPECT_EQ(host.manager.dragLine[1].y, 426);
  EXPECT_EQ(host.notifications, 0);

  host.Mouse(WM_LBUTTONUP, 397, 140);
  EXPECT_FALSE(host.manager.Dragging());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(host.ClipStyles(), WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
  PumpMessages();
  EXPECT_EQ(host.notifications, 1);
  EXPECT_EQ(host.manager.nodes[1].position, 401);
  EXPECT_EQ(Describe(host.PaneRect(1)), L"0,0,395,426");
  EXPECT_EQ(Describe(host.PaneRect(2)), L"399,0,800,426");
}

TEST(SplitterDrag, StripDraggedBelowTheWindowStaysInside) {
  SplitterHost host;
  host.Mouse(WM_LBUTTONDOWN, 100, 428);
  host.Mouse(WM_MOUSEMOVE, 100, 2000);
  host.Mouse(WM_LBUTTONUP, 100, 2000);
  PumpMessages();
  EXPECT_EQ(host.notifications, 1);
  // The position never becomes the "not set" marker, which would re-centre the bar.
  EXPECT_NE(host.manager.nodes[0].position, SplitNode::unset);
  EXPECT_EQ(Describe(host.PaneRect(0)), L"0,600,800,600");
  EXPECT_EQ(Describe(host.PaneRect(1)), L"0,0,496,596");

  host.Mouse(WM_LBUTTONDOWN, 100, 597);
  host.Mouse(WM_MOUSEMOVE, 100, 603);
  host.Mouse(WM_LBUTTONUP, 100, 603);
  PumpMessages();
  EXPECT_EQ(Describe(host.PaneRect(1)), L"0,0,496,596");
}

TEST(SplitterDrag, ButtonEventsOutsideABarDoNothing) {
  SplitterHost host;
  host.Mouse(WM_LBUTTONUP, 497, 100);
  host.Mouse(WM_LBUTTONDOWN, 100, 100);
  EXPECT_FALSE(host.manager.Dragging());
  EXPECT_EQ(GetCapture(), nullptr);
  host.Mouse(WM_LBUTTONUP, 100, 100);
  PumpMessages();
  EXPECT_EQ(host.notifications, 0);
  EXPECT_EQ(host.manager.nodes[1].position, 300);
}

TEST(SplitterDrag, LosingTheCaptureEndsTheDrag) {
  SplitterHost host;
  HWND other = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  host.Mouse(WM_LBUTTONDOWN, 497, 100);
  host.Mouse(WM_MOUSEMOVE, 300, 100);
  SetCapture(other);
  EXPECT_FALSE(host.manager.Dragging());
  EXPECT_EQ(host.ClipStyles(), WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
  EXPECT_EQ(GetCapture(), other);
  PumpMessages();
  EXPECT_EQ(host.notifications, 1);
  ReleaseCapture();
  DestroyWindow(other);
}

TEST(SplitterDrag, DragLineIsDrawnAndErasedAgain) {
  SplitterHost host;
  PumpMessages();
  const WindowDc dc(host.window);
  const COLORREF before = GetPixel(dc.get(), 300, 200);
  if (before == CLR_INVALID) GTEST_SKIP() << "the window's pixels cannot be read back here";

  host.Mouse(WM_LBUTTONDOWN, 497, 100);
  host.Mouse(WM_MOUSEMOVE, 302, 100);  // the line now runs at x = 300
  EXPECT_NE(GetPixel(dc.get(), 300, 200), before);
  host.Mouse(WM_MOUSEMOVE, 350, 100);
  EXPECT_EQ(GetPixel(dc.get(), 300, 200), before);
  host.Mouse(WM_LBUTTONUP, 350, 100);
  EXPECT_EQ(GetPixel(dc.get(), 348, 200), before);
}
