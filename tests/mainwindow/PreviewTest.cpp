// The preview pane as a real child window: what RenderPreview hands it, how it composes and
// scrolls the picture, the placeholder, unreadable photos and repeated painting.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/OutputNaming.h"
#include "engine/PhotoEncoder.h"
#include "engine/PhotoResize.h"
#include "engine/SaveData.h"
#include "mainwindow/MyPictureImage.h"
#include "mainwindow/PreviewMaker.h"
#include "mainwindow/PreviewWeight.h"
#include "tests/support/ExifWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"
#include "tests/toolkit/HostWindow.h"
#include "mainwindow/MainWindowLinks.h"
#include "mainwindow/WindowState.h"

namespace {

constexpr Gdiplus::ARGB kBlack = 0xFF000000;
constexpr Gdiplus::ARGB kRed = 0xFFFF0000;
constexpr Gdiplus::ARGB kGreen = 0xFF00FF00;
constexpr Gdiplus::ARGB kBlue = 0xFF0000FF;

GpBitmap* AsBitmap(GpImage* image) { return static_cast<GpBitmap*>(image); }

// A photo with some detail for the encoders: bands of colour, a left half and a right half.
GpBitmapPtr BandedPhoto(int width, int height, Gdiplus::ARGB left, Gdiplus::ARGB right) {
  GpBitmapPtr photo = MakeBitmap(width, height, left);
  PaintRect(photo.get(), width / 2, 0, width - width / 2, height, right);
  for (int y = 0; y < height; y += 37) PaintRect(photo.get(), 0, y, width, 9, 0xFF000000 | (y * 2654435761u >> 8));
  return photo;
}

// A photo whose left half is `left` and right half `right`.
GpBitmapPtr HalvesPhoto(int width, int height, Gdiplus::ARGB left, Gdiplus::ARGB right) {
  GpBitmapPtr photo = MakeBitmap(width, height, left);
  PaintRect(photo.get(), width / 2, 0, width - width / 2, height, right);
  return photo;
}

int FileBytes(const std::wstring& path) { return static_cast<int>(ReadFileBytes(path).size()); }
int Channel(Gdiplus::ARGB colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); }

class PreviewPane : public testing::Test {
protected:
  void SetUp() override {
    links.settings = &settings;
    links.state = &windowState;
    preview->Create(parent.get(), kPreviewControlId, 320, 240, 0, 0);
    preview->displayMode = kDisplayActualSize;
    links.previewControl = preview.get();
    links.mainWindow = parent.get();
    settings.Clear();
    settings.ResizeRadioIndex = SizeChoice::Box800x600;  // 800 x 600
    settings.JpegQualityTypeIndex = QualityMode::Fixed;
    settings.JpegQuantization = 90;
    settings.globalEffect = EffectParams{};
  }

  // A photo file of `width` x `height` in `fill`, added to the list; its index.
  int AddPhoto(const std::wstring& name, int width, int height, Gdiplus::ARGB fill = kBlue) {
    const GpBitmapPtr photo = MakeBitmap(width, height, fill);
    EXPECT_TRUE(SaveAs(photo.get(), folder.File(name), kTestFormatPng));
    return AddPath(folder.File(name));
  }
  int AddPath(const std::wstring& path) {
    settings.AddItem(PhotoItem{path, 0, 0, {}, {}});
    return static_cast<int>(settings.items.size()) - 1;
  }
  // Asks for the photo's preview and waits until it is shown.
  void Render(int index) {
    RenderPreview(links, index);
    WaitShown();
  }
  void WaitShown() {
    for (int i = 0; i < 3000 && preview->RenderPending(); ++i) {
      PumpMessages();
      Sleep(5);
    }
    ASSERT_FALSE(preview->RenderPending()) << "the render never came";
  }
  PictureSize Shown() const { return SizeOf(preview->Picture()); }
  // The pane as the next paint composes it.
  Gdiplus::ARGB PaneAt(int x, int y) {
    preview->Draw(preview->backBuffer);
    return PixelAt(preview->backBuffer.Bitmap(), x, y);
  }
  PictureSize Pane() const { return SizeOf(preview->backBuffer.Bitmap()); }

  SaveData_CL settings;
  WindowState windowState;
  MainWindowLinks links;
  TempFolder folder;
  HostWindow parent;
  std::unique_ptr<MyPictureImage_CL> preview = std::make_unique<MyPictureImage_CL>();
};

TEST_F(PreviewPane, RendersThePhotoFittedIntoTheChosenBoxInBothJpegModes) {
  struct Case {
    int width, height;
    SizeChoice sizeChoice;
    int shownWidth, shownHeight;
  };
  // Landscape fills the box width, portrait the box height; "keep size" keeps the photo's size.
  const Case cases[] = {{400, 200, SizeChoice::Box800x600, 800, 400}, {150, 300, SizeChoice::Box800x600, 300, 600}, {123, 77, SizeChoice::Keep, 123, 77}};
  settings.JpegFileSize = 20;
  for (const QualityMode mode : {QualityMode::Fixed, QualityMode::TargetSize}) {
    for (const Case& c : cases) {
      settings.JpegQualityTypeIndex = mode;
      settings.ResizeRadioIndex = c.sizeChoice;
      Render(AddPhoto(L"photo" + std::to_wstring(c.width) + L".png", c.width, c.height));
      EXPECT_TRUE(Shown().width == c.shownWidth && Shown().height == c.shownHeight)
          << "mode " << static_cast<int>(mode) << ": " << c.width << "x" << c.height << " shown " << Shown().width << "x" << Shown().height;
    }
  }
}

TEST_F(PreviewPane, ShowsTheConvertedPixelsCentredInThePane) {
  settings.ResizeRadioIndex = SizeChoice::Box160x120;  // 160 x 120
  settings.globalEffect.EffectRadioIndex = ColourEffect::GreyScale;  // grey scale
  Render(AddPhoto(L"red.png", 80, 60, kRed));
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
    Render(0);
    ASSERT_EQ(Shown().width, 800);
    Render(index);
    EXPECT_EQ(Shown().width, expected.width) << index;
    EXPECT_EQ(Shown().height, expected.height) << index;
  }

  // Without a preview there is nothing to render into.
  links.previewControl = nullptr;
  RenderPreview(links, 0);
  RenderPreview(links, -1);
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
    Render(good);
    ASSERT_NE(PaneAt(pane.width / 2, pane.height / 2), kBlack);
    Render(AddPath(path));
    EXPECT_EQ(PaneAt(pane.width / 2, pane.height / 2), kBlack) << std::string(path.begin(), path.end());
    // The line under the pane says why.
    EXPECT_EQ(preview->WeightText().rfind(FailureText(PhotoFailure::Unreadable), 0), 0u)
        << testing::PrintToString(preview->WeightText());
    SendMessageW(preview->hwnd, WM_PAINT, 0, 0);
  }
  // A missing placeholder file: the same black pane, nothing reported.
  Render(good);
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
    Render(photo);
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

TEST(PreviewFit, WholePictureIsCentredAndNeverEnlarged) {
  struct Case {
    int width, height, paneWidth, paneHeight;
    PictureRect expected;
  };
  const Case cases[] = {
      {800, 600, 320, 240, {0, 0, 320, 240}},         // same shape: fills the pane
      {4032, 3024, 400, 200, {67, 0, 266, 200}},      // wider pane: bars left and right
      {600, 800, 300, 300, {37, 0, 225, 300}},        // portrait
      {200, 100, 320, 240, {60, 70, 200, 100}},       // smaller: actual size, centred
      {201, 101, 320, 241, {59, 70, 201, 101}},       // odd leftovers: the extra pixel right, below
      {320, 240, 320, 240, {0, 0, 320, 240}},         // exactly the pane
      {5000, 3, 333, 101, {0, 50, 333, 1}},           // a sliver keeps a row
      {0, 100, 320, 240, {0, 0, 0, 0}},               // nothing to draw
      {800, 600, 0, 240, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const PictureRect r = FitIntoPane(c.width, c.height, c.paneWidth, c.paneHeight);
    EXPECT_TRUE(r.x == c.expected.x && r.y == c.expected.y && r.width == c.expected.width &&
                r.height == c.expected.height)
        << c.width << "x" << c.height << " in " << c.paneWidth << "x" << c.paneHeight << ": " << r.x << "," << r.y
        << " " << r.width << "x" << r.height;
    EXPECT_LE(r.width, c.width);
    EXPECT_LE(r.x + r.width, c.paneWidth);
    EXPECT_LE(r.y + r.height, c.paneHeight);
  }
  // A stand-in (a thumbnail) may be enlarged to the pane.
  const PictureRect standIn = FitIntoPane(192, 144, 400, 200, true);
  EXPECT_TRUE(standIn.width == 266 && standIn.height == 200 && standIn.x == 67) << standIn.width;
}

TEST_F(PreviewPane, FitModeShowsTheWholeResultWithoutBarsAndADoubleClickSwitchesModes) {
  preview->Resize(400, 300, TRUE);
  settings.ResizeRadioIndex = SizeChoice::Box1600x1200;  // 1600 x 1200
  const GpBitmapPtr photo = HalvesPhoto(1600, 1200, kRed, kBlue);
  ASSERT_TRUE(SaveAs(photo.get(), folder.File(L"big.png"), kTestFormatPng));
  preview->SetDisplayMode(kDisplayFit);
  Render(AddPath(folder.File(L"big.png")));
  ASSERT_EQ(Shown().width, 1600) << "the preview holds the whole result; only the drawing is fitted";
  EXPECT_EQ(GetWindowLongW(preview->hwnd, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0);
  const PictureSize pane = Pane();
  EXPECT_TRUE(pane.width == 400 && pane.height == 300) << pane.width << "x" << pane.height;
  EXPECT_TRUE(ColourNear(PaneAt(5, 150), kRed, 40)) << ColourText(PaneAt(5, 150));
  EXPECT_TRUE(ColourNear(PaneAt(394, 150), kBlue, 40)) << ColourText(PaneAt(394, 150));

  EXPECT_NE(GetClassLongPtrW(preview->hwnd, GCL_STYLE) & CS_DBLCLKS, 0u) << "double clicks reach the pane";
  SendMessageW(preview->hwnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(preview->displayMode, kDisplayActualSize);
  EXPECT_NE(GetWindowLongW(preview->hwnd, GWL_STYLE) & WS_HSCROLL, 0) << "1:1 scrolls again";
  EXPECT_TRUE(ColourNear(PaneAt(5, 100), kRed, 40)) << "the centre of the photo: " << ColourText(PaneAt(5, 100));
  SendMessageW(preview->hwnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(preview->displayMode, kDisplayFit);
}

TEST_F(PreviewPane, CompareShowsTheOriginalLeftOfTheDividerAtTheResultsScaleAndPlace) {
  // Original and result differ in colour but share a green stripe: on both sides of the
  // divider it must lie on the same rows, in either mode.
  GpBitmapPtr original = MakeBitmap(800, 600, kRed);
  GpBitmapPtr result = MakeBitmap(800, 600, kBlue);
  PaintRect(original.get(), 0, 401, 800, 6, kGreen);
  PaintRect(result.get(), 0, 401, 800, 6, kGreen);
  preview->Resize(400, 300, TRUE);
  preview->SetDisplayMode(kDisplayFit);
  preview->SetPicture(std::move(result));
  preview->SetOriginal(std::move(original));
  preview->SetCompare(true);
  ASSERT_TRUE(preview->Comparing());

  const auto greenRows = [&](int x) {
    std::vector<int> rows;
    const PictureSize pane = Pane();
    preview->Draw(preview->backBuffer);
    for (int y = 0; y < pane.height; ++y)
      if (ColourNear(PixelAt(preview->backBuffer.Bitmap(), x, y), kGreen, 60)) rows.push_back(y);
    return rows;
  };
  for (const int mode : {kDisplayFit, kDisplayActualSize}) {
    preview->SetDisplayMode(mode);
    preview->UpdateScrollBars();
    const int divider = preview->DividerX(Pane().width);
    EXPECT_TRUE(ColourNear(PaneAt(divider - 20, 20), kRed, 40)) << mode << ": " << ColourText(PaneAt(divider - 20, 20));
    EXPECT_TRUE(ColourNear(PaneAt(divider + 20, 20), kBlue, 40)) << mode << ": " << ColourText(PaneAt(divider + 20, 20));
    const std::vector<int> left = greenRows(divider - 20);
    ASSERT_FALSE(left.empty()) << mode;
    EXPECT_EQ(left, greenRows(divider + 20)) << mode;
  }

  // A press moves the divider there; Esc ends the view.
  preview->SetDisplayMode(kDisplayFit);
  SendMessageW(preview->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 50));
  SendMessageW(preview->hwnd, WM_LBUTTONUP, 0, MAKELPARAM(300, 50));
  EXPECT_EQ(preview->DividerX(Pane().width), 300);
  EXPECT_TRUE(ColourNear(PaneAt(290, 20), kRed, 40));
  EXPECT_TRUE(ColourNear(PaneAt(310, 20), kBlue, 40));
  SendMessageW(preview->hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(preview->Comparing());
  EXPECT_TRUE(ColourNear(PaneAt(100, 20), kBlue, 40));
}

TEST_F(PreviewPane, WeightLineGivesTheBytesOfTheFileTheConversionWrites) {
  const GpBitmapPtr photo = BandedPhoto(1200, 900, 0xFF3080C0, 0xFFE0A020);
  ASSERT_TRUE(SaveAs(photo.get(), folder.File(L"source.jpg"), kTestFormatJpeg));
  const PhotoItem item{folder.File(L"source.jpg"), 0, 0, {}, {}};
  struct Case {
    OutputTypeChoice outputType;
    QualityMode jpegMode;
    const wchar_t* typeText;
  };
  // One maker for every case, as the preview keeps it: only the encoding is made again.
  const QualityMode fixed = QualityMode::Fixed;
  const Case cases[] = {{kAllJpeg, fixed, L"(JPEG 品質80)"}, {kAllJpeg, QualityMode::TargetSize, L"(JPEG 目標20 KB)"},
                        {kAllPng, fixed, L"(PNG)"},          {kAllBmp, fixed, L"(BMP)"},
                        {kAllWebp, fixed, L"(WebP 品質80)"}, {kAllAvif, fixed, L"(AVIF 品質80)"}};
  PreviewMaker_CL maker;
  for (const Case& c : cases) {
    SaveData_CL settings = this->settings;
    settings.OutputImageType = c.outputType;
    settings.JpegQualityTypeIndex = c.jpegMode;
    settings.JpegQuantization = 80;
    settings.JpegFileSize = 20;
    const std::unique_ptr<PreviewResult> result = maker.Make(PreviewRequest{1, item, settings, false});
    ASSERT_EQ(result->failure, PhotoFailure::None) << c.outputType;
    ASSERT_TRUE(result->picture);

    const PreparedPhoto prepared = PreparePhoto(item, settings);
    const std::wstring written = folder.File(L"out" + std::to_wstring(c.outputType) + std::to_wstring(static_cast<int>(c.jpegMode)));
    ASSERT_EQ(SavePhoto(prepared.picture.get(), written, MapOutputType(item.path, settings).typeCode, settings), S_OK);
    const PreviewWeight& weight = result->weight;
    EXPECT_EQ(static_cast<int>(weight.outputBytes), FileBytes(written)) << c.outputType << "/" << static_cast<int>(c.jpegMode);
    EXPECT_EQ(static_cast<int>(weight.sourceBytes), FileBytes(item.path));
    const std::wstring expected = L"元 1200×900・" + ByteSizeText(weight.sourceBytes) + L" → 800×600・" +
                                  ByteSizeText(weight.outputBytes) + L" " + c.typeText;
    EXPECT_EQ(PreviewWeightText(weight), expected);
  }
  EXPECT_EQ(maker.fileReads, 1);
  EXPECT_EQ(ByteSizeText(873), L"873 B");
  EXPECT_EQ(ByteSizeText(120832), L"118 KB");
  EXPECT_EQ(ByteSizeText(3040870), L"2.9 MB");
}

TEST_F(PreviewPane, EffectQualityAndSameSizeRotationRedoOnlyWhatChanged) {
  const GpBitmapPtr photo = HalvesPhoto(1600, 1200, kRed, kBlue);
  ASSERT_TRUE(SaveAs(photo.get(), folder.File(L"a.png"), kTestFormatPng));
  ASSERT_TRUE(SaveAs(photo.get(), folder.File(L"b.png"), kTestFormatPng));
  PhotoItem item{folder.File(L"a.png"), 0, 0, {}, {}};
  SaveData_CL settings = this->settings;
  PreviewMaker_CL maker;
  const auto make = [&] {
    std::unique_ptr<PreviewResult> result = maker.Make(PreviewRequest{1, item, settings, true});
    EXPECT_TRUE(result->picture && result->original);
    return result;
  };
  const auto leftColour = [](const std::unique_ptr<PreviewResult>& result) {
    return PixelAt(result->picture.get(), 40, 20);
  };
  EXPECT_TRUE(ColourNear(leftColour(make()), kRed, 40));

  settings.globalEffect.EffectRadioIndex = ColourEffect::GreyScale;  // grey scale
  const Gdiplus::ARGB grey = leftColour(make());
  EXPECT_NEAR(Channel(grey, 16), Channel(grey, 0), 8) << ColourText(grey);
  settings.JpegQuantization = 20;
  make();
  item.rotation = 2;  // upside down: the same size, the halves swapped
  const std::unique_ptr<PreviewResult> turned = make();
  EXPECT_TRUE(ColourNear(PixelAt(turned->original.get(), 40, 20), kBlue, 40)) << "the original turns too";
  EXPECT_EQ(maker.fileReads, 1) << "the scaled photo was kept";

  item.rotation = 1;  // a quarter turn: 600 x 800 into 800 x 600 is another scaling
  EXPECT_EQ(SizeOf(make()->picture.get()).width, 450);
  EXPECT_EQ(maker.fileReads, 2);
  item.path = folder.File(L"b.png");
  make();
  EXPECT_EQ(maker.fileReads, 3);
}

TEST_F(PreviewPane, BurstOfThirtyRequestsEndsWithTheLastOnesPictureAndSkipsMost) {
  const int photo = AddPhoto(L"burst.png", 1600, 1200, kRed);
  settings.globalEffect.CheckBriteness = true;
  for (int i = 0; i < 30; ++i) {
    // Every request but the last brightens; the last turns the photo grey.
    settings.globalEffect.ValueBriteness = 51 + i;
    if (i == 29) settings.globalEffect = EffectParams{ColourEffect::GreyScale, false, 50, false, 0};
    RenderPreview(links, photo);
  }
  WaitShown();
  const Gdiplus::ARGB shown = PixelAt(AsBitmap(preview->Picture()), 400, 300);
  EXPECT_NEAR(Channel(shown, 16), Channel(shown, 8), 8) << "the last request's grey: " << ColourText(shown);
  EXPECT_LT(preview->worker.renders.load(), 30) << "requests overtaken while waiting are dropped";
  EXPECT_FALSE(preview->WeightText().empty());
}

}  // namespace
