#include <gtest/gtest.h>
#include <windows.h>

#include "base/HighDpiHelper.h"

namespace {

LONG CharacterHeight(HFONT font) {
  const WindowDc screen(nullptr);
  const SelectedObject selected(screen.get(), font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen.get(), &metrics);
  return metrics.tmHeight;
}

}  // namespace

TEST(HighDpiHelper, LengthsAndFontsFollowTheDpiAndTheSystemDpiKeepsTheStockFont) {
  EXPECT_EQ(HighDpiHelper_CL::Scale(360, 144), 540);
  EXPECT_EQ(HighDpiHelper_CL::Scale(166, 120), 208) << "rounded, not truncated";
  EXPECT_EQ(HighDpiHelper_CL::Unscale(HighDpiHelper_CL::Scale(700, 168), 168), 700);
  EXPECT_EQ(HighDpiHelper_CL::ValidDpi(0), 96) << "a DPI from a damaged message is not taken";
  EXPECT_EQ(HighDpiHelper_CL::ValidDpi(288), 288);

  HighDpiHelper_CL window;
  const HWND desktop = GetDesktopWindow();
  window.InitForWindow(desktop);
  EXPECT_EQ(window.ScaleX(96), HighDpiHelper_CL::WindowDpi(desktop));
  EXPECT_EQ(HighDpiHelper_CL::WindowDpi(nullptr), HighDpiHelper_CL::SystemDpi());

  const int system = HighDpiHelper_CL::SystemDpi();
  const LONG stock = CharacterHeight(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  EXPECT_EQ(CharacterHeight(HighDpiHelper_CL::MakeGuiFont(system).get()), stock);
  const LONG doubled = CharacterHeight(HighDpiHelper_CL::MakeGuiFont(2 * system).get());
  EXPECT_GE(doubled, 2 * stock - 2);
  EXPECT_LE(doubled, 2 * stock + 2);
}
