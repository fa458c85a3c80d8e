#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "base/GpOwned.h"
#include "tests/support/TempFolder.h"
#include "tests/toolkit/HostWindow.h"
#include "toolkit/ImageList.h"
#include "toolkit/ToolTips.h"

namespace {

// A 24-bit BMP strip of `cells` cells, each cellWidth x height, written with GDI+.
bool WriteStrip(const std::wstring& path, int cellWidth, int height, int cells) {
  GpBitmapPtr bitmap;
  if (gp::GdipCreateBitmapFromScan0(cellWidth * cells, height, 0, PixelFormat24bppRGB, nullptr,
                                    reinterpret_cast<Gdiplus::GpBitmap**>(bitmap.receive())) != Gdiplus::Ok) {
    return false;
  }
  CLSID bmp{};
  CLSIDFromString(L"{557CF400-1A04-11D3-9A73-0000F81EF32E}", &bmp);
  return gp::GdipSaveImageToFile(bitmap.get(), path.c_str(), &bmp, nullptr) == Gdiplus::Ok;
}

}  // namespace

TEST(ToolTips, AddsToolsWithMarginsAndRemovesThemAll) {
  HostWindow host;
  ToolTips_CL tips;
  ASSERT_NE(tips.Create(host.get(), TTS_ALWAYSTIP | TTS_NOPREFIX), nullptr);
  const RECT area{0, 0, 100, 50};
  tips.AddTool(host.get(), 4096, area, L"一枚目の写真");
  tips.AddTool(host.get(), 4097, area, L"二枚目");
  EXPECT_EQ(SendMessageW(tips.hwnd, TTM_GETTOOLCOUNT, 0, 0), 2);
  EXPECT_EQ(tips.ToolCount(), 2);

  wchar_t text[64] = {};
  TOOLINFOW query{};
  query.cbSize = TTTOOLINFOW_V2_SIZE;
  query.hwnd = host.get();
  query.uId = 4096;
  query.lpszText = text;
  SendMessageW(tips.hwnd, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&query));
  EXPECT_STREQ(text, L"一枚目の写真");
  RECT margin{};
  SendMessageW(tips.hwnd, TTM_GETMARGIN, 0, reinterpret_cast<LPARAM>(&margin));
  EXPECT_EQ(margin.left, 5);
  EXPECT_EQ(margin.bottom, 5);
  EXPECT_EQ(SendMessageW(tips.hwnd, TTM_GETMAXTIPWIDTH, 0, 0), 640);

  tips.RemoveAllTools();
  EXPECT_EQ(SendMessageW(tips.hwnd, TTM_GETTOOLCOUNT, 0, 0), 0);
  EXPECT_EQ(tips.ToolCount(), 0);
  tips.RemoveAllTools();  // nothing left: harmless
}

TEST(ImageList, LoadStripCutsTheBitmapIntoCells) {
  TempFolder folder;
  const std::wstring path = folder.File(L"menu_image.bmp");
  ASSERT_TRUE(WriteStrip(path, 24, 20, 6));
  ImageList_CL list;
  ASSERT_TRUE(list.LoadStrip(path, 24));
  ASSERT_NE(list.Handle(), nullptr);
  EXPECT_EQ(ImageList_GetImageCount(list.Handle()), 6);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(list.Handle(), &cx, &cy);
  EXPECT_EQ(cx, 24);
  EXPECT_EQ(cy, 20);
}

TEST(ImageList, MissingFileOrZeroCellWidthLeavesNoList) {
  TempFolder folder;
  ImageList_CL missing;
  EXPECT_FALSE(missing.LoadStrip(folder.File(L"none.bmp"), 24));
  EXPECT_EQ(missing.Handle(), nullptr);

  const std::wstring path = folder.File(L"strip.bmp");
  ASSERT_TRUE(WriteStrip(path, 24, 20, 2));
  ImageList_CL zeroWidth;
  EXPECT_FALSE(zeroWidth.LoadStrip(path, 0));
  EXPECT_EQ(zeroWidth.Handle(), nullptr);
}

TEST(ImageList, NotOwnedListSurvivesTheObject) {
  TempFolder folder;
  const std::wstring path = folder.File(L"strip.bmp");
  ASSERT_TRUE(WriteStrip(path, 24, 20, 2));
  HIMAGELIST kept = nullptr;
  {
    ImageList_CL list;
    ASSERT_TRUE(list.LoadStrip(path, 24));
    list.notOwned = 1;
    kept = list.Handle();
  }
  EXPECT_EQ(ImageList_GetImageCount(kept), 2);
  ImageList_Destroy(kept);
}
