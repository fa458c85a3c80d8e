#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "tests/toolkit/HostWindow.h"
#include "toolkit/ControlFactory.h"

namespace {

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)); }
DWORD ExStyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)); }

SIZE SizeOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// Text measured as the factory measures it: the stock GUI font on the screen.
SIZE Measure(const std::wstring& text) {
  StaticText_CL probe;
  return probe.TextSize(text);
}

struct Expected {
  int index;
  int kind;
  const wchar_t* windowClass;
  DWORD style;
};

}  // namespace

TEST(ControlFactory, EachAddCreatesItsClassAndStyleWithTheNextId) {
  HostWindow host;
  ControlFactory_CL f;
  const Expected expected[] = {
      {f.AddStaticText(host.get(), L"ラベル", 3, 4), 1, L"Static", 0x56000000},
      {f.AddButton(host.get(), L"OK", 5), 2, L"Button", 0x56010000},
      {f.AddCheckBox(host.get(), L"チェック", 6, 7), 3, L"Button", 0x56010003},
      {f.AddRadioButton(host.get(), L"一つ目", 8, 9, true), 23, L"Button", 0x56030009},
      {f.AddRadioButton(host.get(), L"二つ目", 8, 30, false), 23, L"Button", 0x56010009},
      {f.AddEdit(host.get(), 10), 4, L"Edit", 0x56010000},
      {f.AddGroupBox(host.get(), L"枠", 200, 100, 40), 18, L"Button", 0x56000007},
      {f.AddProgressBar(host.get(), 300, 20), 19, L"msctls_progress32", 0x56000000},
      {f.AddTrackBar(host.get()), 11, L"msctls_trackbar32", 0x56010030},
  };
  ASSERT_EQ(f.Count(), 9);
  for (int n = 0; n < 9; ++n) {
    const Expected& e = expected[n];
    SCOPED_TRACE(n);
    EXPECT_EQ(e.index, n) << "the index in creation order";
    ControlBase_CL* const c = f.At(n);
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->hwnd, nullptr);
    EXPECT_EQ(c->kind, e.kind);
    EXPECT_EQ(c->id, 4352 + n);
    EXPECT_EQ(GetDlgCtrlID(c->hwnd), 4352 + n);
    EXPECT_EQ(GetParent(c->hwnd), host.get());
    EXPECT_EQ(_wcsicmp(ClassOf(c->hwnd).c_str(), e.windowClass), 0) << ClassOf(c->hwnd).c_str();
    EXPECT_EQ(StyleOf(c->hwnd), e.style) << std::hex << StyleOf(c->hwnd);
  }
  EXPECT_EQ(f.nextId, 4352 + 9);
  EXPECT_TRUE(ExStyleOf(f.At(5)->hwnd) & WS_EX_CLIENTEDGE) << "the edit box has a client edge";
  EXPECT_EQ(f.As<RadioButton_CL>(3)->firstInGroup, 1);
  EXPECT_EQ(f.As<RadioButton_CL>(4)->firstInGroup, 0);
  EXPECT_EQ(f.At(1)->GetText(), L"OK");
  EXPECT_EQ(f.At(6)->GetText(), L"枠");
  EXPECT_EQ(f.At(5)->GetText(), L"") << "the edit box starts empty";
  const std::wstring longText(5000, L'写');
  SetWindowTextW(f.At(5)->hwnd, longText.c_str());
  EXPECT_EQ(f.At(5)->GetText(), longText);
  EXPECT_EQ(f.At(2)->IsChecked(), BST_UNCHECKED);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(f.At(1)->hwnd, WM_GETFONT, 0, 0)),
            GetStockObject(DEFAULT_GUI_FONT));
}

TEST(ControlFactory, SizesAndPlacesControlsByTheirText) {
  HostWindow host;
  ControlFactory_CL f;
  const SIZE caption = Measure(L"変換開始");
  const SIZE W = Measure(L"W");
  const SIZE M = Measure(L"M");
  const SIZE fullW = Measure(L"\xFF37");
  const SIZE label = Measure(L"ラベル");

  const HWND button = f.At(f.AddButton(host.get(), L"変換開始", 12))->hwnd;
  EXPECT_EQ(SizeOf(button).cx, caption.cx + 8);
  EXPECT_EQ(SizeOf(button).cy, caption.cy + 8);
  EXPECT_EQ(RectInClient(button).left, 12);
  EXPECT_EQ(RectInClient(button).top, 0) << "buttons start on the top line";

  const HWND check = f.At(f.AddCheckBox(host.get(), L"ラベル", 3, 50))->hwnd;
  EXPECT_EQ(SizeOf(check).cx, label.cx + 32);
  EXPECT_EQ(SizeOf(check).cy, label.cy);
  EXPECT_EQ(RectInClient(check).top, 50);

  const HWND text = f.At(f.AddStaticText(host.get(), L"ラベル", 7, 60))->hwnd;
  EXPECT_EQ(SizeOf(text).cx, label.cx);
  EXPECT_EQ(RectInClient(text).left, 7);

  const HWND edit = f.At(f.AddEdit(host.get(), 10))->hwnd;
  EXPECT_EQ(SizeOf(edit).cx, 10 * W.cx + 6);
  EXPECT_EQ(SizeOf(edit).cy, M.cy + 6);

  const HWND emptyRadio = f.At(f.AddRadioButton(host.get(), L"", 0, 0, true))->hwnd;
  EXPECT_EQ(SizeOf(emptyRadio).cx, fullW.cx) << "an empty caption is one fullwidth W wide";
  EXPECT_EQ(SizeOf(emptyRadio).cy, fullW.cy + 2);
  const HWND radio = f.At(f.AddRadioButton(host.get(), L"ラベル", 0, 0, false))->hwnd;
  EXPECT_EQ(SizeOf(radio).cx, fullW.cx + label.cx + W.cx);

  const HWND group = f.At(f.AddGroupBox(host.get(), L"", 210, 90, 33))->hwnd;
  EXPECT_EQ(SizeOf(group).cx, 210);
  EXPECT_EQ(SizeOf(group).cy, 90);
  EXPECT_EQ(RectInClient(group).left, 0);
  EXPECT_EQ(RectInClient(group).top, 33);

  const HWND slider = f.At(f.AddTrackBar(host.get()))->hwnd;
  EXPECT_EQ(SizeOf(slider).cx, 100);
  EXPECT_EQ(SizeOf(slider).cy, 22);
  EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 100);
}

TEST(ControlFactory, KeepsAControlWhoseWindowCouldNotBeMade) {
  ControlFactory_CL f;
  // A child window needs a parent: creation fails.
  const int index = f.AddButton(nullptr, L"OK", 0);
  EXPECT_EQ(index, 0);
  ASSERT_NE(f.At(index), nullptr);
  EXPECT_EQ(f.At(index)->hwnd, nullptr);
  EXPECT_EQ(f.At(index)->id, 4352);
  EXPECT_EQ(f.AddButton(nullptr, L"OK", 0), 1);
  EXPECT_EQ(f.At(1)->id, 4353) << "the failed control still used its identifier";
  EXPECT_EQ(f.At(2), nullptr);
  EXPECT_EQ(f.At(-1), nullptr);
  EXPECT_EQ(f.As<CheckBox_CL>(0), nullptr) << "a button is not a check box";
  EXPECT_NE(f.As<Button_CL>(0), nullptr);
}

TEST(ControlFont, ScaledFontIsTheStockFontTimesTheFactorTruncatedWithWeight100) {
  HostWindow host;
  ControlFactory_CL f;
  ControlBase_CL& button = *f.At(f.AddButton(host.get(), L"変換開始", 0));
  LOGFONTW stock{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(stock), &stock);

  button.SetFontScale(2.5f, 96);
  LOGFONTW scaled{};
  ASSERT_NE(GetObjectW(button.font, sizeof(scaled), &scaled), 0);
  EXPECT_EQ(scaled.lfHeight, static_cast<LONG>(stock.lfHeight * 2.5f));
  EXPECT_EQ(scaled.lfWidth, static_cast<LONG>(stock.lfWidth * 2.5f));
  EXPECT_EQ(scaled.lfWeight, 100);
  if (stock.lfHeight == -11) {
    EXPECT_EQ(scaled.lfHeight, -27);
  }
  if (stock.lfHeight == 11) {
    EXPECT_EQ(scaled.lfHeight, 27);
  }
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(button.hwnd, WM_GETFONT, 0, 0)), button.font);

  // Scaling again replaces the font and deletes the previous one.
  const HFONT first = button.font;
  button.SetFontScale(2.0f, 96);
  EXPECT_NE(button.font, first);
  EXPECT_EQ(GetObjectType(first), 0u) << "the replaced font is deleted";
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(button.hwnd, WM_GETFONT, 0, 0)), button.font);
}

TEST(TabControl, CreatesTheTabAndAppendsTabsInOrder) {
  HostWindow host;
  ControlFactory_CL f;
  auto tab = std::make_unique<Tab_CL>();
  Tab_CL& t = *tab;
  ASSERT_NE(t.CreateTab(host.get(), f.TakeId()), nullptr);
  f.Adopt(std::move(tab));
  EXPECT_EQ(t.id, 4352);
  EXPECT_EQ(t.kind, 13);
  EXPECT_EQ(_wcsicmp(ClassOf(t.hwnd).c_str(), L"SysTabControl32"), 0);
  EXPECT_TRUE(StyleOf(t.hwnd) & TCS_MULTILINE);
  EXPECT_TRUE(ExStyleOf(t.hwnd) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(SizeOf(t.hwnd).cx, 320);
  EXPECT_EQ(SizeOf(t.hwnd).cy, 240);

  EXPECT_EQ(t.InsertTab(L"変換後画像タイプ／変換サイズ", -1, -1, 0), 0);
  EXPECT_EQ(t.InsertTab(L"エフェクト", -1, -1, 0), 1);
  EXPECT_EQ(t.InsertTab(L"保存", -1, -1, 7), 2);
  ASSERT_EQ(SendMessageW(t.hwnd, TCM_GETITEMCOUNT, 0, 0), 3);
  wchar_t text[64] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(t.hwnd, TCM_GETITEMW, 2, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(text, L"保存");
  EXPECT_EQ(item.lParam, 7);
}
