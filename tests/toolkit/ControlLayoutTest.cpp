#include <gtest/gtest.h>
#include <windows.h>

#include "tests/toolkit/HostWindow.h"
#include "toolkit/ControlLayout.h"

namespace {

RECT At(const ControlFactory_CL& f, int index) { return RectInClient(f.At(index)->hwnd); }

}  // namespace

TEST(ControlLayout, StackVerticallyKeepsEachXAndStopsAtMinusOne) {
  HostWindow host;
  ControlFactory_CL f;
  const int a = f.AddCheckBox(host.get(), L"一", 8, 16);
  const int b = f.AddStaticText(host.get(), L"二", 30, 200);
  const int c = f.AddButton(host.get(), L"三", 12);
  const int untouched = f.AddStaticText(host.get(), L"四", 40, 300);
  const int ha = At(f, a).bottom - At(f, a).top;
  const int hb = At(f, b).bottom - At(f, b).top;
  const int hc = At(f, c).bottom - At(f, c).top;

  const int end = StackVertically({a, b, c, -1, untouched}, f, 68, 4);
  EXPECT_EQ(At(f, a).top, 68);
  EXPECT_EQ(At(f, a).left, 8);
  EXPECT_EQ(At(f, b).top, 68 + ha + 4);
  EXPECT_EQ(At(f, b).left, 30);
  EXPECT_EQ(At(f, c).top, 68 + ha + 4 + hb + 4);
  EXPECT_EQ(end, 68 + ha + hb + hc + 12);
  EXPECT_EQ(At(f, untouched).top, 300) << "nothing after -1 moves";
  EXPECT_EQ(StackVertically({99}, f, 0, 0), 0) << "an index the factory does not have is skipped";
}

TEST(ControlLayout, AlignPairBottomRightPutsTwoButtonsInTheCorner) {
  HostWindow host;
  MoveWindow(host.get(), 0, 0, 360, 160, FALSE);
  ControlFactory_CL f;
  f.AddStaticText(host.get(), L"質問", 8, 8);
  const int first = f.AddButton(host.get(), L"　サイトへ移動する　", 0);
  f.AddButton(host.get(), L"後日通知する　", 0);
  AlignPairBottomRight(f, first, host.get());

  RECT client{};
  GetClientRect(host.get(), &client);
  const RECT one = At(f, first);
  const RECT two = At(f, first + 1);
  EXPECT_EQ(two.right, client.right - 4);
  EXPECT_EQ(two.bottom, client.bottom - 4);
  EXPECT_EQ(one.right, two.left - 4);
  EXPECT_EQ(one.top, two.top);
  AlignPairBottomRight(f, first + 1, host.get());  // no partner: nothing happens
  EXPECT_EQ(At(f, first + 1).left, two.left);
}

TEST(ControlLayout, EncloseControlGrowsTheGroupExtentOnlyOutward) {
  HostWindow host;
  ControlFactory_CL f;
  const int group = f.AddGroupBox(host.get(), L"枠", 50, 20, 10);
  const int inner = f.AddCheckBox(host.get(), L"中身", 5, 40);
  GroupBox_CL& box = *f.As<GroupBox_CL>(group);
  EncloseControl(*f.At(inner), box);
  const RECT c = At(f, inner);
  EXPECT_EQ(box.extentWidth, c.right - 0);
  EXPECT_EQ(box.extentHeight, c.bottom - 10);

  box.extentWidth = 1000;
  box.extentHeight = 1000;
  EncloseControl(*f.At(inner), box);
  EXPECT_EQ(box.extentWidth, 1000);
  EXPECT_EQ(box.extentHeight, 1000);
}
