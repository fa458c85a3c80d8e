#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "tests/support/HeldKeys.h"
#include "tests/views/PictureListTestParent.h"
#include "tests/views/TestImages.h"
#include "views/PictureListBase.h"

namespace {

constexpr int kCellWidth = 196;
constexpr int kCellHeight = 164;
constexpr WPARAM kWheelTowardUser = static_cast<WPARAM>(static_cast<WORD>(-WHEEL_DELTA)) << 16;

// A strip as the main window sets it up: one row of 196 x 164 cells, 10 items.
class PictureListTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(list.Create(parent.hwnd));
    list.backgroundColor = 0xFFC8C8C8;
    list.thumbWidth = 192;
    list.thumbHeight = 144;
    list.cellWidth = kCellWidth;
    list.cellHeight = kCellHeight;
    list.layoutMode = kLayoutRow;
    MoveWindow(list.hwnd, 0, 0, 700, 200, FALSE);
    ASSERT_EQ(list.SetItemCount(10), 0);
    list.UpdateLayout();
  }

  // A left click in the middle of the item's cell, with the modifier flags of the mouse message.
  void Click(int index, WPARAM modifiers = 0) {
    const int x = index * kCellWidth + kCellWidth / 2 - list.hBar.info.nPos;
    const LPARAM point = MAKELPARAM(x, kCellHeight / 2);
    SendMessageW(list.hwnd, WM_LBUTTONDOWN, MK_LBUTTON | modifiers, point);
    SendMessageW(list.hwnd, WM_LBUTTONUP, modifiers, point);
  }
  void Key(UINT key) { SendMessageW(list.hwnd, WM_KEYDOWN, key, 1); }

  std::vector<int> Selected() {
    std::vector<int> selected;
    for (int i = 0; i < static_cast<int>(list.GetCount()); ++i)
      if (list.IsSelected(i)) selected.push_back(i);
    return selected;
  }
  std::vector<PictureListTestParent::Note> Clicks() const { return parent.NotesWithCode(NM_CLICK); }

  PictureListTestParent parent;
  PictureListBase_CL list;
};

}  // namespace

TEST_F(PictureListTest, OneRowOfTenItemsScrollsOverItsWholeWidth) {
  SCROLLINFO info{sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(list.hwnd, SB_HORZ, &info);
  RECT client{};
  GetClientRect(list.hwnd, &client);
  EXPECT_EQ(info.nMin, 0);
  EXPECT_EQ(info.nMax, 1961) << "10 cells of 196 plus padX 2, less one";
  EXPECT_EQ(static_cast<int>(info.nPage), client.right);
  EXPECT_EQ(list.columns, 10);

  // Visible: the cells from 0 up to the one cut by the right edge.
  ASSERT_FALSE(list.visibleCells.empty());
  EXPECT_EQ(list.visibleCells.front().index, 0);
  EXPECT_EQ(list.visibleCells.back().index, (client.right - 1) / kCellWidth);

  SendMessageW(list.hwnd, WM_HSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(list.hBar.info.nPos, client.right);
  EXPECT_EQ(list.visibleCells.front().index, client.right / kCellWidth);
  EXPECT_EQ(list.visibleCells.front().x, (client.right / kCellWidth) * kCellWidth - client.right);
  EXPECT_EQ(list.HitTest(0, 10), client.right / kCellWidth);

  // Laying out again (every resize does) keeps the strip where it is.
  list.UpdateLayout();
  list.UpdateLayout();
  EXPECT_EQ(list.hBar.info.nPos, client.right);
  EXPECT_EQ(GetScrollPos(list.hwnd, SB_HORZ), client.right);
}

TEST_F(PictureListTest, ShiftClickWithoutAnchorSelectsOnlyThatItemThenARangeFromIt) {
  ASSERT_EQ(list.GetAnchor(), -1);
  Click(5, MK_SHIFT);
  EXPECT_EQ(Selected(), std::vector<int>({5}));
  EXPECT_EQ(list.GetAnchor(), 5);

  Click(2, MK_SHIFT);
  EXPECT_EQ(Selected(), std::vector<int>({2, 3, 4, 5}));
  EXPECT_EQ(list.GetAnchor(), 5) << "the anchor stays";
  EXPECT_EQ(list.selectedCount, 4u);

  ASSERT_EQ(Clicks().size(), 2u);
  EXPECT_EQ(Clicks()[1].item, 2);
  EXPECT_EQ(Clicks()[1].keyFlags, static_cast<UINT>(LVKF_SHIFT));
  EXPECT_EQ(Clicks()[1].point.x, 2 * kCellWidth + kCellWidth / 2);
}

TEST_F(PictureListTest, CtrlClickTogglesOneItemAndKeepsTheOthers) {
  Click(1);
  Click(3, MK_CONTROL);
  EXPECT_EQ(Selected(), std::vector<int>({1, 3}));
  Click(1, MK_CONTROL);
  EXPECT_EQ(Selected(), std::vector<int>({3}));
  EXPECT_EQ(Clicks().back().keyFlags, static_cast<UINT>(LVKF_CONTROL));
  Click(6);
  EXPECT_EQ(Selected(), std::vector<int>({6})) << "a plain click selects only its item";
  EXPECT_EQ(list.GetAnchor(), 6);
}

TEST_F(PictureListTest, ArrowHomeAndEndKeysStopAtTheFirstAndTheLastItem) {
  Click(0);
  Key(VK_LEFT);
  EXPECT_EQ(list.current, 0);
  EXPECT_EQ(Selected(), std::vector<int>({0}));
  ASSERT_FALSE(Clicks().empty());
  EXPECT_EQ(Clicks().back().item, 0);

  list.ClickItem(9);
  EXPECT_EQ(list.current, 9);
  Key(VK_RIGHT);
  EXPECT_EQ(list.current, 9);
  EXPECT_EQ(Selected(), std::vector<int>({9}));
  Key(VK_LEFT);
  EXPECT_EQ(list.current, 8);
  EXPECT_EQ(Selected(), std::vector<int>({8})) << "a plain move selects the new item";

  // The focused cell is scrolled into view.
  RECT client{};
  GetClientRect(list.hwnd, &client);
  EXPECT_LE(8 * kCellWidth - list.hBar.info.nPos, client.right - kCellWidth);
  EXPECT_GE(8 * kCellWidth - list.hBar.info.nPos, 0);
  Key(VK_HOME);
  EXPECT_EQ(Selected(), std::vector<int>({0})) << "Home goes to the first item";
  Key(VK_END);
  EXPECT_EQ(Selected(), std::vector<int>({9})) << "End to the last";
}

TEST_F(PictureListTest, MovesWithShiftExtendAndWithCtrlOnlyMoveTheFocus) {
  Click(3);
  {
    const HeldKeys shift(true, false);
    Key(VK_RIGHT);
    Key(VK_RIGHT);
  }
  EXPECT_EQ(Selected(), std::vector<int>({3, 4, 5}));
  EXPECT_EQ(Clicks().back().keyFlags, static_cast<UINT>(LVKF_SHIFT));
  {
    const HeldKeys control(false, true);
    Key(VK_LEFT);
    Key(VK_LEFT);
    Key(VK_LEFT);
    EXPECT_EQ(list.current, 2);
    EXPECT_EQ(Selected(), std::vector<int>({3, 4, 5}));
    Key(VK_SPACE);
  }
  EXPECT_EQ(Selected(), std::vector<int>({2, 3, 4, 5})) << "Ctrl+Space toggles the focused item";
  Key(VK_SPACE);
  EXPECT_EQ(Selected(), std::vector<int>({2, 3, 4, 5})) << "Space alone does nothing";
}

TEST_F(PictureListTest, CtrlATwiceSelectsEverythingAndThenOnlyTheFocusedItem) {
  Click(4);
  const HeldKeys control(false, true);
  Key('A');
  EXPECT_EQ(Selected().size(), 10u);
  EXPECT_EQ(list.selectedCount, 10u);
  Key('A');
  EXPECT_EQ(Selected(), std::vector<int>({4}));
  EXPECT_EQ(list.selectedCount, 1u);
}

TEST_F(PictureListTest, EveryKeyAnnouncesTheFocusedItemAsAClick) {
  Click(3);
  parent.notes.clear();
  const UINT keys[] = {VK_RIGHT, VK_F2, 'X', VK_SHIFT, VK_RETURN, VK_SPACE, VK_INSERT};
  for (UINT key : keys) {
    const std::size_t before = Clicks().size();
    Key(key);
    ASSERT_EQ(Clicks().size(), before + 1) << "key " << key;
    EXPECT_EQ(Clicks().back().item, 4) << "key " << key;
    EXPECT_EQ(Clicks().back().point.x, 0);
    EXPECT_EQ(Clicks().back().point.y, 0);
  }
  const auto returns = parent.NotesWithCode(NM_RETURN);
  ASSERT_EQ(returns.size(), 1u);
  EXPECT_EQ(returns[0].item, 4);
}

TEST_F(PictureListTest, EmptyListIgnoresClicksKeysWheelAndScrolling) {
  SendMessageW(list.hwnd, WM_HSCROLL, SB_LINEDOWN, 0);
  Click(2);
  const int position = list.hBar.info.nPos;
  ASSERT_EQ(position, 1);
  ASSERT_EQ(list.current, 2);

  ASSERT_EQ(list.SetItemCount(0), 0);
  parent.notes.clear();
  Click(1);
  Click(1, MK_SHIFT);
  SendMessageW(list.hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  for (UINT key : {UINT{VK_LEFT}, UINT{VK_RIGHT}, UINT{VK_RETURN}, UINT{VK_SPACE}, UINT{'A'}}) Key(key);
  {
    const HeldKeys control(false, true);
    Key('A');
  }
  SendMessageW(list.hwnd, WM_MOUSEWHEEL, kWheelTowardUser, 0);
  SendMessageW(list.hwnd, WM_HSCROLL, SB_PAGEDOWN, 0);
  SendMessageW(list.hwnd, WM_VSCROLL, SB_LINEDOWN, 0);

  EXPECT_TRUE(Clicks().empty());
  EXPECT_TRUE(parent.NotesWithCode(NM_RETURN).empty());
  EXPECT_EQ(list.hBar.info.nPos, position);
  EXPECT_EQ(list.current, 2) << "focus is kept for the next count";
  EXPECT_EQ(list.selectedCount, 0u);
  EXPECT_EQ(list.dragging, 0);
  EXPECT_EQ(GetCapture(), nullptr);

  // Painting and laying out an empty list.
  list.UpdateLayout();
  SendMessageW(list.hwnd, WM_PAINT, 0, 0);
  EXPECT_EQ(list.hBar.info.nPos, 0);
  list.ClickItem(0);
  EXPECT_TRUE(Clicks().empty());
}

TEST_F(PictureListTest, NoLayoutDividesByZero) {
  // Zero-sized window, zero-sized cells, every mode, with and without items.
  MoveWindow(list.hwnd, 0, 0, 0, 0, FALSE);
  list.cellWidth = 0;
  list.cellHeight = 0;
  for (int mode : {kLayoutRow, kLayoutColumn, kLayoutWrapped}) {
    for (unsigned n : {0u, 5u}) {
      list.layoutMode = mode;
      ASSERT_EQ(list.SetItemCount(n), 0);
      list.UpdateLayout();
      SendMessageW(list.hwnd, WM_PAINT, 0, 0);
      list.HitTest(5, 5);
      list.EnsureVisible(3);
      for (UINT key : {UINT{VK_DOWN}, UINT{VK_NEXT}, UINT{VK_PRIOR}}) Key(key);
      SendMessageW(list.hwnd, WM_MOUSEWHEEL, kWheelTowardUser, 0);
      Click(1);
      SendMessageW(list.hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-20, 300));
      SendMessageW(list.hwnd, WM_LBUTTONUP, 0, 0);
    }
  }
  SUCCEED();
}

TEST_F(PictureListTest, DraggingSelectsFromThePressedItemToTheOneUnderTheMouse) {
  const auto at = [&](int index) { return MAKELPARAM(index * kCellWidth + 20, 20); };
  list.current = 5;
  SendMessageW(list.hwnd, WM_MOUSEMOVE, 0, at(2));
  EXPECT_EQ(list.hoverItem, 2) << "the hover mark follows the mouse";
  EXPECT_EQ(list.current, 5) << "the focus does not";
  SendMessageW(list.hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at(2));
  EXPECT_EQ(GetCapture(), list.hwnd);
  SendMessageW(list.hwnd, WM_MOUSEMOVE, MK_LBUTTON, at(3));
  EXPECT_EQ(Selected(), std::vector<int>({2, 3}));
  // Past the right edge the strip scrolls toward the pointer.
  RECT client{};
  GetClientRect(list.hwnd, &client);
  SendMessageW(list.hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.right + 10, 20));
  EXPECT_EQ(list.hBar.info.nPos, kCellHeight) << "by the wheel step";
  SendMessageW(list.hwnd, WM_LBUTTONUP, 0, at(3));
  EXPECT_EQ(list.dragging, 0);
  EXPECT_EQ(GetCapture(), nullptr);
  const std::vector<int> afterDrag = Selected();
  SendMessageW(list.hwnd, WM_MOUSEMOVE, 0, at(1));
  EXPECT_EQ(Selected(), afterDrag) << "moving without the button selects nothing";
}

TEST_F(PictureListTest, SelectionBitsStayWithinTheItems) {
  ASSERT_EQ(list.SetItemCount(40), 0);
  list.SelectAll(kSelectSet);
  EXPECT_EQ(list.selectedCount, 40u);
  EXPECT_EQ(list.IsSelected(40), 0);
  EXPECT_EQ(list.IsSelected(-1), 0);
  EXPECT_EQ(list.SetSelected(40, kSelectSet), 0);
  EXPECT_EQ(list.selectedCount, 40u) << "an index past the items changes nothing";
  list.SetSelected(33, kSelectClear);
  list.SelectAll(kSelectToggle);
  EXPECT_EQ(list.selectedCount, 1u);
  EXPECT_EQ(list.IsSelected(33), 1);
  EXPECT_EQ(list.SetSelected(33, kSelectToggle), 1);
  EXPECT_EQ(list.selectedCount, 0u);

  list.anchor = 30;
  ASSERT_EQ(list.SetItemCount(5), 0);
  EXPECT_EQ(list.GetAnchor(), 30) << "kept across a new count";
  list.SelectRange(30, 2, kSelectSet);
  EXPECT_EQ(Selected(), std::vector<int>({2, 3, 4}));
  EXPECT_EQ(list.lastClicked, 2);
}

TEST_F(PictureListTest, PaintingShowsBackgroundFocusFrameAndSelectionTint) {
  Click(1);
  Click(2, MK_CONTROL);
  list.current = 2;
  SendMessageW(list.hwnd, WM_PAINT, 0, 0);
  GpBitmap* const buffer = list.backBuffer.Bitmap();
  ASSERT_NE(buffer, nullptr);
  const Gdiplus::ARGB background = PixelAt(buffer, kCellWidth / 2, kCellHeight + 4);
  EXPECT_EQ(background & 0xFFFFFF, 0xC8C8C8u);
  const Gdiplus::ARGB tinted = PixelAt(buffer, kCellWidth + kCellWidth / 2, kCellHeight / 2);
  EXPECT_NE(tinted & 0xFFFFFF, 0xC8C8C8u) << "selected cell 1 is tinted";
  EXPECT_GT(tinted & 0xFF, (tinted >> 16) & 0xFF) << "with blue";
  const Gdiplus::ARGB plain = PixelAt(buffer, 3 * kCellWidth + kCellWidth / 2, kCellHeight / 2);
  EXPECT_EQ(plain & 0xFFFFFF, 0xC8C8C8u);
  // The focus frame of cell 2, drawn before the tint: yellow under blue.
  const Gdiplus::ARGB frame = PixelAt(buffer, 2 * kCellWidth + 3, kCellHeight / 2);
  const int red = (frame >> 16) & 0xFF, green = (frame >> 8) & 0xFF, blue = frame & 0xFF;
  EXPECT_TRUE(red > 150 && green > 150 && blue < 130) << std::hex << frame;
}
