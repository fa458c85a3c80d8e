// The preview pane as a real child window: what RenderPreview hands it, how it composes and
// scrolls the picture, the placeholder, unreadable photos and repeated painting.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/SaveData.h"
#include "mainwindow/TheSaveData.h"
#include "mainwindow/MyPictureImage.h"
#include "tests/support/ExifWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"
#include "tests/toolkit/HostWindow.h"
#include "mainwindow/MainWindowLinks.h"

namespace {

constexpr Gdiplus::ARGB kBlack = 0xFF000000;
constexpr Gdiplus::ARGB kRed = 0xFFFF0000;
constexpr Gdiplus::ARGB kGreen = 0xFF00FF00;
constexpr Gdiplus::ARGB kBlue = 0xFF0000FF;

GpBitmap* AsBitmap(GpImage* image) { return static_cast<GpBitmap*>(image); }
int Channel(Gdiplus::ARGB colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); }

class PreviewPane : public testing::Test {
protected:
  void SetUp() override {
    saved = theSaveData;
    preview->Create(parent.get(), kPreviewControlId, 320, 240, 0, 0);
    preview->displayMode = kDisplayActualSize;
    theMainWindowLinks.previewControl = preview.get();
    theMainWindowLinks.mainWindow = parent.get();
    theSaveData.Clear();
    theSaveData.ResizeRadioIndex = 3;  // 800 x 600
    theSaveData.JpegQualityTypeIndex = 0;
    theSaveData.JpegQuantization = 90;
    theSaveData.globalEffect = EffectParams{};
  }
  void TearDown() override {
    theSaveData = saved;
    const size_t index = static_cast<size_t>(theSaveData.currentIndex);  // -1 wraps past the end
    theSaveData.currentItem = index < theSaveData.items.size() ? &theSaveData.items[index] : nullptr;
  }

  // A photo file of `width` x `height` in `fill`, added to the list; its index.
  int AddPhoto(const std::wstring& name, int width, int height, Gdiplus::ARGB fill = kBlue) {
    const GpBitmapPtr photo = MakeBitmap(width, height, fill);
    EXPECT_TRUE(SaveAs(photo.get(), folder.File(name), kTestFormatPng));
    return AddPath(folder.File(name));
  }
  int AddPath(const std::wstring& path) {
    theSaveData.AddItem(PhotoItem{path, 0, 0, {}});
    return static_cast<int>(theSaveData.items.size()) - 1;
  }
  PictureSize Shown() const { return SizeOf(preview->Picture()); }
  // The pane as the next paint composes it.
  Gdiplus::ARGB PaneAt(int x, int y) {
    preview->Draw(preview->backBuffer);
    return PixelAt(preview->backBuffer.Bitmap(), x, y);
  }
  PictureSize Pane() const { return SizeOf(preview->backBuffer.Bitmap()); }

  SaveData_CL saved;
  TempFolder folder;
  HostWindow parent;
  std::unique_ptr<MyPictureImage_CL> preview = std::make_unique<MyPictureImage_CL>();
};

TEST_F(PreviewPane, RendersThePhotoFittedIntoTheChosenBoxInBothJpegModes) {
  struct Case {
    int width, height, sizeChoice, shownWidth, shownHeight;
  };
  // Landscape fills the box width, portrait the box height; "keep size" keeps the photo's size.
  const Case cases[] = {{400, 200, 3, 800, 400}, {150, 300, 3, 300, 600}, {123, 77, kSizeChoiceKeep, 123, 77}};
  theSaveData.JpegFileSize = 20;
  for (const int mode : {0, 1}) {
    for (const Case& c : cases) {
      theSaveData.JpegQualityTypeIndex = mode;
      theSaveData.ResizeRadioIndex = c.sizeChoice;
      RenderPreview(AddPhoto(L"photo" + std::to_wstring(c.width) + L".png", c.width, c.height));
      EXPECT_TRUE(Shown().width == c.shownWidth && Shown().height == c.shownHeight)
          << "mode " << mode << ": " << c.width << "x" << c.height << " shown " << Shown().width << "x" << Shown().height;
    }
  }
}

TEST_F(PreviewPane, ShowsTheConvertedPixelsCentredInThePane) {
  theSaveData.ResizeRadioIndex = 7;  // 160 x 120
  theSaveData.globalEffect.EffectRadioIndex = 1;  // grey scale
  RenderPreview(AddPhoto(L"red.png", 80, 60, kRed));
  ASSERT_EQ(Shown().width, 160);

  const Gdiplus::ARGB converted = PixelAt(AsBitmap(preview->Picture()), 80, 60);
  EXPECT_NEAR(Channel(converted, 16), Channel(converted, 8), 6) << ColourText(converted);
  EXPECT_NEAR(Channel(converted, 8), Channel(converted, 0), 6) << ColourText(converted);
  EXPECT_GT(Channel(converted, 8), 30) << "red turned grey, not black: " << ColourText(converted);

  // Smaller than the pane and no scroll bar shown: centred on black.
  const PictureSize pane = Pane();
  ASSERT_GT(pane.width, 160);
  EXPECT_TRUE(ColourNear(PaneAt(pane.width / 2, pane.height / 2), converted, 6));
  EXPECT_EQ(PaneAt(1, 1), kBlack);
  EXPECT_EQ(PaneAt(pane.width - 2, pane.height - 2), kBlack);
}

TEST_F(PreviewPane, ShowsThePlaceholderWithoutACurrentPhotoOrForAnIndexOutOfRange) {
  const GpImagePtr placeholder = LoadPicture(PlaceholderPicturePath());
  ASSERT_TRUE(placeholder) << "Glimmerset.jpg belongs beside the executable";
  const PictureSize expected = SizeOf(placeholder.get());
  AddPhoto(L"photo.png", 40, 30);

  for (const int index : {-1, 1, 7, -5}) {
    RenderPreview(0);
    ASSERT_EQ(Shown().width, 800);
    RenderPreview(index);
    EXPECT_EQ(Shown().width, expected.width) << index;
    EXPECT_EQ(Shown().height, expected.height) << index;
  }

  // Without a preview there is nothing to render into.
  theMainWindowLinks.previewControl = nullptr;
  RenderPreview(0);
  RenderPreview(-1);
}

TEST_F(PreviewPane, UnreadablePhotoOrPictureFileShowsABlackPane) {
  ASSERT_TRUE(WriteFileBytes(folder.File(L"garbage.jpg"), "this is not a picture at all"));
  ASSERT_TRUE(WriteFileBytes(folder.File(L"empty.jpg"), ""));
  const std::string jpeg = JpegBytes(MakeBitmap(64, 48, kRed).get());
  ASSERT_TRUE(WriteFileBytes(folder.File(L"cut.jpg"), jpeg.substr(0, 30)));
  const int good = AddPhoto(L"good.png", 100, 80, kGreen);
  const std::wstring unreadable[] = {folder.File(L"garbage.jpg"), folder.File(L"empty.jpg"), folder.File(L"cut.jpg"),
                                     folder.File(L"missing.jpg")};
  const PictureSize pane = Pane();
  for (const std::wstring& path : unreadable) {
    RenderPreview(good);
    ASSERT_NE(PaneAt(pane.width / 2, pane.height / 2), kBlack);
    RenderPreview(AddPath(path));
    EXPECT_EQ(PaneAt(pane.width / 2, pane.height / 2), kBlack) << std::string(path.begin(), path.end());
    SendMessageW(preview->hwnd, WM_PAINT, 0, 0);
  }
  // A missing placeholder file: the same black pane, nothing reported.
  RenderPreview(good);
  preview->LoadFile(folder.File(L"no-placeholder.jpg"), 0);
  EXPECT_EQ(preview->Picture(), nullptr);
  EXPECT_EQ(PaneAt(pane.width / 2, pane.height / 2), kBlack);
}

TEST_F(PreviewPane, LoadedFileIsTurnedByItsExifOrientationAndThenByTheRotation) {
  const std::string jpeg = JpegBytes(MakeBitmap(40, 20, kRed).get());
  ASSERT_TRUE(WriteFileBytes(folder.File(L"turned.jpg"), WithExifOrientation(jpeg, 6)));
  ASSERT_TRUE(WriteFileBytes(folder.File(L"plain.jpg"), jpeg));

  preview->LoadFile(folder.File(L"turned.jpg"), 0);
  EXPECT_EQ(Shown().width, 20);
  EXPECT_EQ(Shown().height, 40);
  preview->LoadFile(folder.File(L"turned.jpg"), 1);
  EXPECT_EQ(Shown().width, 40);
  preview->LoadFile(folder.File(L"plain.jpg"), 3);
  EXPECT_EQ(Shown().width, 20);
  EXPECT_EQ(preview->loadRotation, 3);
}

TEST_F(PreviewPane, LargePictureStartsAtItsCentreAndScrollsWithTheBars) {
  preview->Resize(600, 400, TRUE);
  preview->SetPicture(MakeBitmap(4000, 3000, kBlue));
  preview->UpdateScrollBars();
  RECT client{};
  GetClientRect(preview->hwnd, &client);
  const int cw = client.right;
  const int ch = client.bottom;
  ASSERT_LT(cw, 600) << "a vertical bar takes room";
  // Mark the pixels that should appear in the pane's top-left corner.
  PaintRect(AsBitmap(preview->Picture()), (4000 - cw) / 2, (3000 - ch) / 2, 10, 10, kGreen);

  for (const int bar : {SB_HORZ, SB_VERT}) {
    SCROLLINFO info{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(preview->hwnd, bar, &info));
    const int picture = bar == SB_HORZ ? 4000 : 3000;
    const int page = bar == SB_HORZ ? cw : ch;
    EXPECT_EQ(info.nMax, picture);
    EXPECT_EQ(static_cast<int>(info.nPage), page);
    EXPECT_EQ(info.nPos, (picture - page) / 2);
  }
  EXPECT_EQ(PaneAt(0, 0), kGreen);
  EXPECT_EQ(PaneAt(9, 9), kGreen);
  EXPECT_EQ(PaneAt(10, 10), kBlue);

  SendMessageW(preview->hwnd, WM_HSCROLL, SB_LINEDOWN, 0);
  SendMessageW(preview->hwnd, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(GetScrollPos(preview->hwnd, SB_HORZ), (4000 - cw) / 2 + 1);
  EXPECT_EQ(PaneAt(8, 8), kGreen);
  EXPECT_EQ(PaneAt(9, 9), kBlue);
}

TEST_F(PreviewPane, RepeatedRenderingAndPaintingLeaksNeitherBitmapsNorGdiObjects) {
  const int photo = AddPhoto(L"photo.png", 400, 300);
  const auto renderAndPaint = [&] {
    RenderPreview(photo);
    SendMessageW(preview->hwnd, WM_PAINT, 0, 0);
  };
  renderAndPaint();
  ASSERT_EQ(Shown().width, 800);
  const auto committed = [] {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return static_cast<long long>(counters.PagefileUsage);
  };
  const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const long long memoryBefore = committed();

  for (int i = 0; i < 200; ++i) renderAndPaint();

  // Each render makes several 800 x 600 bitmaps (about 1.9 MB each): a leak shows at once.
  EXPECT_LT(committed() - memoryBefore, 64LL * 1024 * 1024);
  if (gdiBefore == 0) GTEST_SKIP() << "GDI object count not available here (memory was checked)";
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore + 2);
}

}  // namespace
