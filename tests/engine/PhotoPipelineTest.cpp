#include <gtest/gtest.h>

#include <cmath>

#include "base/LogFile.h"
#include "engine/PhotoEffects.h"
#include "engine/PhotoEncoder.h"
#include "engine/PhotoResize.h"
#include "tests/support/ExifWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"

namespace {

constexpr Gdiplus::ARGB kWhite = 0xFFFFFFFF;
constexpr Gdiplus::ARGB kRed = 0xFFFF0000;

// --- fit ------------------------------------------------------------------------------

PictureSize Fitted(int width, int height, int boxWidth, int boxHeight) {
  GpBitmapPtr result = FitToBox(MakeBitmap(width, height, kWhite), boxWidth, boxHeight);
  return SizeOf(result.get());
}

void ExpectSize(PictureSize actual, int width, int height) {
  EXPECT_EQ(width, actual.width);
  EXPECT_EQ(height, actual.height);
}

// A settings record that keeps the photo's size and applies no effect.
SaveData_CL KeepSizeSettings() {
  SaveData_CL settings;
  settings.fitWidth = -2;
  settings.fitHeight = -2;
  return settings;
}

PhotoItem ItemFor(const std::wstring& path) {
  PhotoItem item;
  item.path = path;
  return item;
}

// --- orientation ----------------------------------------------------------------------

enum class Corner { TopLeft, TopRight, BottomRight, BottomLeft, None };

const char* CornerName(Corner corner) {
  static const char* const names[] = {"top left", "top right", "bottom right", "bottom left", "none"};
  return names[static_cast<int>(corner)];
}

constexpr int kMarkedWidth = 64;
constexpr int kMarkedHeight = 48;
constexpr int kMarker = 16;

// 64 x 48 white with a red 16 x 16 square in the top left corner.
GpBitmapPtr MarkedPicture() {
  GpBitmapPtr bitmap = MakeBitmap(kMarkedWidth, kMarkedHeight, kWhite);
  PaintRect(bitmap.get(), 0, 0, kMarker, kMarker, kRed);
  return bitmap;
}

// The one corner that holds the red marker, or None.
Corner MarkerCorner(GpBitmap* bitmap) {
  const PictureSize size = SizeOf(bitmap);
  const int inset = kMarker / 2;
  const struct {
    Corner corner;
    int x;
    int y;
  } probes[] = {{Corner::TopLeft, inset, inset},
                {Corner::TopRight, size.width - 1 - inset, inset},
                {Corner::BottomRight, size.width - 1 - inset, size.height - 1 - inset},
                {Corner::BottomLeft, inset, size.height - 1 - inset}};
  Corner found = Corner::None;
  for (const auto& probe : probes) {
    if (!ColourNear(PixelAt(bitmap, probe.x, probe.y), kRed, 40)) continue;
    if (found != Corner::None) return Corner::None;
    found = probe.corner;
  }
  return found;
}

struct Turn {
  int orientation;
  int rotation;
  Corner corner;  // where the marker ends up
  bool across;    // width and height swapped
};

// Where each EXIF orientation puts the stored top left corner once the photo is upright.
constexpr Turn kExifTurns[] = {
    {0, 0, Corner::TopLeft, false},     {1, 0, Corner::TopLeft, false},    {2, 0, Corner::TopRight, false},
    {3, 0, Corner::BottomRight, false}, {4, 0, Corner::BottomLeft, false}, {5, 0, Corner::TopLeft, true},
    {6, 0, Corner::TopRight, true},     {7, 0, Corner::BottomRight, true}, {8, 0, Corner::BottomLeft, true},
    {9, 0, Corner::TopLeft, false},
};

// The user's rotation is added after the EXIF correction.
constexpr Turn kUserTurns[] = {
    {1, 1, Corner::TopRight, true},      // plain quarter turn
    {2, 1, Corner::BottomRight, true},   // mirrored first, then turned (the other order gives top left)
    {3, 2, Corner::TopLeft, false},      // two half turns cancel
    {6, 3, Corner::TopLeft, false},      // a quarter and three quarters make a whole turn
    {4, 1, Corner::TopLeft, true},       // flipped upside down, then turned
};

void ExpectTurned(GpImage* image, const std::wstring& path, const Turn& turn) {
  SCOPED_TRACE(testing::Message() << "orientation " << turn.orientation << ", rotation " << turn.rotation);
  GpBitmapPtr upright = OrientPhoto(image, turn.rotation, path);
  ASSERT_TRUE(upright);
  const PictureSize size = SizeOf(upright.get());
  EXPECT_EQ(turn.across ? kMarkedHeight : kMarkedWidth, size.width);
  EXPECT_EQ(turn.across ? kMarkedWidth : kMarkedHeight, size.height);
  EXPECT_STREQ(CornerName(turn.corner), CornerName(MarkerCorner(upright.get())));
}

GpImagePtr LoadWithColourManagement(const std::wstring& path) {
  GpImagePtr image;
  if (gp::GdipLoadImageFromFileICM(path.c_str(), image.receive()) != Gdiplus::Ok) image.reset();
  return image;
}

void ExpectJpegTurns(const Turn& turn) {
  static const std::string jpeg = [] {
    GpBitmapPtr marked = MarkedPicture();
    return JpegBytes(marked.get());
  }();
  const TempFolder folder;
  const std::wstring path = folder.File(L"marked.jpg");
  ASSERT_TRUE(WriteFileBytes(path, WithExifOrientation(jpeg, turn.orientation, turn.orientation % 2 == 0)));
  GpImagePtr image = LoadWithColourManagement(path);
  ASSERT_TRUE(image);
  ExpectTurned(image.get(), path, turn);
}

// The marked picture as an uncompressed TIFF whose IFD0 carries the orientation.
std::string MarkedTiff(int orientation) {
  std::string rgb;
  for (int y = 0; y < kMarkedHeight; ++y)
    for (int x = 0; x < kMarkedWidth; ++x)
      rgb += (x < kMarker && y < kMarker) ? std::string("\xFF\x00\x00", 3) : std::string("\xFF\xFF\xFF");
  return UncompressedTiff(kMarkedWidth, kMarkedHeight, rgb, orientation);
}

bool PlatformExposesOrientation(GpImage* image) {
  UINT size = 0;
  return gp::GdipGetPropertyItemSize(image, 0x0112, &size) == Gdiplus::Ok && size > 0;
}

// --- effects --------------------------------------------------------------------------

struct Rgb {
  double r, g, b;
};

// Four pixels: an orange, a dark blue-grey, the orange at half alpha, and white.
constexpr Gdiplus::ARGB kSwatch[] = {0xFFC86432, 0xFF0A141E, 0x80C86432, 0xFFFFFFFF};

GpBitmapPtr Swatch() {
  GpBitmapPtr bitmap = MakeBitmap(4, 1, 0);
  for (int i = 0; i < 4; ++i) PaintRect(bitmap.get(), i, 0, 1, 1, kSwatch[i]);
  return bitmap;
}

Rgb Channels(Gdiplus::ARGB c) { return {double((c >> 16) & 0xFF), double((c >> 8) & 0xFF), double(c & 0xFF)}; }

int Clamp255(double v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(std::lround(v)); }

Gdiplus::ARGB Compose(Gdiplus::ARGB alphaFrom, Rgb c) {
  return (alphaFrom & 0xFF000000) | Clamp255(c.r) << 16 | Clamp255(c.g) << 8 | Clamp255(c.b);
}

// Expects every swatch pixel after `params` to equal `expected` of the original pixel.
template <typename Expected>
void ExpectSwatchEffect(const EffectParams& params, Expected expected, int tolerance = 2) {
  GpBitmapPtr result = ApplyEffects(Swatch(), params);
  ASSERT_TRUE(result);
  for (int i = 0; i < 4; ++i) {
    const Gdiplus::ARGB want = expected(kSwatch[i]);
    const Gdiplus::ARGB got = PixelAt(result.get(), i, 0);
    EXPECT_TRUE(ColourNear(got, want, tolerance))
        << "pixel " << i << ": got " << ColourText(got) << ", want " << ColourText(want);
  }
}

EffectParams Effect(int colour, int brightnessOn, int brightness, int contrastOn, int contrast) {
  return {colour, brightnessOn, brightness, contrastOn, contrast};
}

}  // namespace

TEST(FitToBox, FitsPresetAndCustomBoxesByTheLongerSide) {
  ExpectSize(Fitted(4000, 3000, 800, 600), 800, 600);
  ExpectSize(Fitted(3000, 4000, 800, 600), 450, 600);
  ExpectSize(Fitted(320, 240, 1600, 1200), 1600, 1200);  // small photos are enlarged
  ExpectSize(Fitted(1000, 1000, 800, 600), 600, 600);    // square: width first, then held by the height
  ExpectSize(Fitted(1200, 800, 500, 500), 500, 333);
  ExpectSize(Fitted(800, 1200, 300, 600), 300, 450);     // portrait held by the width
}

TEST(FitToBox, PicturesWithoutPixelsOrBoxesWithoutRoomGiveNothing) {
  const FittedSize empty = FitSize(0, 0, 800, 600);
  EXPECT_EQ(0, empty.width);
  EXPECT_EQ(0, empty.height);
  EXPECT_EQ(0, FitSize(0, 600, 800, 600).width);
  EXPECT_EQ(0, FitSize(600, 0, 800, 600).width);
  EXPECT_EQ(0, FitSize(4000, 3000, -5, 600).width);  // a negative custom size from a hand-edited file
  EXPECT_EQ(0, FitSize(3000, 4000, 0, 600).width);
  EXPECT_FALSE(FitToBox(GpBitmapPtr{}, 800, 600));
  EXPECT_FALSE(FitToBox(MakeBitmap(40, 30, kWhite), 0, 0));
}

TEST(FitToBox, AThinPanoramaKeepsOneRow) {
  const FittedSize size = FitSize(4000, 3, 80, 60);
  EXPECT_EQ(80, size.width);
  EXPECT_EQ(1, size.height);
}

TEST(PreparePhoto, KeepSizeUsesTheUnturnedSizeAsTheBox) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"sensor.jpg");
  GpBitmapPtr sensor = MakeBitmap(4000, 3000, 0xFF808080);
  ASSERT_TRUE(WriteFileBytes(path, WithExifOrientation(JpegBytes(sensor.get(), 50), 6)));
  GpBitmapPtr result = PreparePhoto(ItemFor(path), KeepSizeSettings());
  ExpectSize(SizeOf(result.get()), 2250, 3000);
}

TEST(PreparePhoto, CustomSizeUsesTheOutputWidthAndHeight) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"wide.png");
  GpBitmapPtr wide = MakeBitmap(1200, 800, 0xFF204060);
  ASSERT_TRUE(SaveAs(wide.get(), path, kTestFormatPng));
  SaveData_CL settings;
  settings.fitWidth = -1;
  settings.fitHeight = 7;  // only the width decides which box applies
  settings.outputWidth = 500;
  settings.outputHeight = 500;
  GpBitmapPtr result = PreparePhoto(ItemFor(path), settings);
  ExpectSize(SizeOf(result.get()), 500, 333);

  settings.fitWidth = 320;
  settings.fitHeight = 240;
  result = PreparePhoto(ItemFor(path), settings);
  ExpectSize(SizeOf(result.get()), 320, 213);
}

TEST(PreparePhoto, UserRotationTurnsThePhotoBeforeFitting) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"marked.png");
  GpBitmapPtr marked = MarkedPicture();
  ASSERT_TRUE(SaveAs(marked.get(), path, kTestFormatPng));
  SaveData_CL settings;
  settings.fitWidth = 96;
  settings.fitHeight = 128;
  PhotoItem item = ItemFor(path);
  item.rotation = 1;
  GpBitmapPtr result = PreparePhoto(item, settings);
  ExpectSize(SizeOf(result.get()), 96, 128);
  EXPECT_STREQ(CornerName(Corner::TopRight), CornerName(MarkerCorner(result.get())));
}

TEST(OrientPhoto, JpegMarkerLandsWhereTheExifOrientationPutsIt) {
  for (const Turn& turn : kExifTurns) ExpectJpegTurns(turn);
}

TEST(OrientPhoto, UserRotationIsAddedAfterTheExifCorrection) {
  for (const Turn& turn : kUserTurns) ExpectJpegTurns(turn);
}

TEST(OrientPhoto, TiffMarkerFollowsTheOrientationTheGraphicsLibraryReports) {
  const TempFolder folder;
  const std::wstring probePath = folder.File(L"probe.tif");
  ASSERT_TRUE(WriteFileBytes(probePath, MarkedTiff(6)));
  {
    GpImagePtr probe = LoadPicture(probePath);
    ASSERT_TRUE(probe) << "the platform cannot read an uncompressed TIFF";
    if (!PlatformExposesOrientation(probe.get()))
      GTEST_SKIP() << "this GDI+ exposes no orientation property for TIFF files";
  }
  for (const Turn& turn : kExifTurns) {
    const std::wstring path = folder.File(L"marked" + std::to_wstring(turn.orientation) + L".tif");
    ASSERT_TRUE(WriteFileBytes(path, MarkedTiff(turn.orientation)));
    GpImagePtr image = LoadPicture(path);
    ASSERT_TRUE(image);
    ExpectTurned(image.get(), L"", turn);
  }
}

TEST(OrientPhoto, AnImageWithoutPixelsGivesNothing) {
  EXPECT_FALSE(OrientPhoto(nullptr, 1));
}

TEST(PhotoEffects, GreyScaleGivesEqualChannels) {
  ExpectSwatchEffect(Effect(1, 0, 50, 0, 0), [](Gdiplus::ARGB c) {
    const Rgb in = Channels(c);
    const double grey = 0.298912 * in.r + 0.586611 * in.g + 0.114478 * in.b;
    return Compose(c, {grey, grey, grey});
  });
}

TEST(PhotoEffects, BrightnessZeroGivesBlackAndKeepsAlpha) {
  ExpectSwatchEffect(Effect(0, 1, 0, 0, 0), [](Gdiplus::ARGB c) { return Compose(c, {0, 0, 0}); });
}

TEST(PhotoEffects, NeutralSlidersLeaveThePixelsAlone) {
  ExpectSwatchEffect(Effect(0, 1, 50, 1, 0), [](Gdiplus::ARGB c) { return c; });
}

TEST(PhotoEffects, SepiaThenDoubleBrightnessClamps) {
  ExpectSwatchEffect(Effect(2, 1, 100, 0, 0), [](Gdiplus::ARGB c) {
    const Rgb in = Channels(c);
    const Rgb sepia = {0.393 * in.r + 0.769 * in.g + 0.189 * in.b, 0.349 * in.r + 0.686 * in.g + 0.168 * in.b,
                       0.272 * in.r + 0.534 * in.g + 0.131 * in.b};
    return Compose(c, {2 * sepia.r, 2 * sepia.g, 2 * sepia.b});
  });
}

TEST(PhotoEffects, FullContrastStretchesAboutMiddleGrey) {
  ExpectSwatchEffect(Effect(0, 0, 50, 1, 100), [](Gdiplus::ARGB c) {
    const Rgb in = Channels(c);
    const auto stretch = [](double v) { return (2.0 * v / 255.0 - 0.5) * 255.0; };
    return Compose(c, {stretch(in.r), stretch(in.g), stretch(in.b)});
  });
}

TEST(PhotoEffects, NothingSwitchedOnReturnsTheSameBitmap) {
  GpBitmapPtr bitmap = Swatch();
  GpBitmap* const original = bitmap.get();
  GpBitmapPtr result = ApplyEffects(std::move(bitmap), Effect(0, 0, 0, 0, 100));
  EXPECT_EQ(original, result.get());
  result = ApplyEffects(std::move(result), Effect(7, 0, 0, 0, 0));  // unknown colour effect
  EXPECT_EQ(original, result.get());
}

TEST(PreparePhoto, APhotoWithItsOwnEffectIgnoresTheGlobalEffect) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"colour.png");
  GpBitmapPtr colour = MakeBitmap(40, 30, 0xFFC86432);
  ASSERT_TRUE(SaveAs(colour.get(), path, kTestFormatPng));
  SaveData_CL settings = KeepSizeSettings();
  settings.globalEffect = Effect(2, 0, 50, 0, 0);
  PhotoItem item = ItemFor(path);
  item.ownEffect = 1;
  item.effect = Effect(1, 0, 50, 0, 0);

  GpBitmapPtr own = PreparePhoto(item, settings);
  ASSERT_TRUE(own);
  const Rgb grey = Channels(PixelAt(own.get(), 20, 15));
  EXPECT_NEAR(grey.r, grey.g, 1);
  EXPECT_NEAR(grey.g, grey.b, 1);

  item.ownEffect = 0;
  GpBitmapPtr global = PreparePhoto(item, settings);
  ASSERT_TRUE(global);
  const Rgb sepia = Channels(PixelAt(global.get(), 20, 15));
  EXPECT_GT(sepia.r, sepia.b + 20);
}

TEST(FitToBox, ABitmapTooLargeToMakeIsLoggedAndGivesNothing) {
  const TempFolder folder;
  const std::wstring previousLog = theLog.logPath;
  theLog.logPath = folder.File(L"log.txt");
  GpBitmapPtr result = FitToBox(MakeBitmap(40, 30, kWhite), 2000000000, 1500000000);
  GpBitmapPtr tooLarge = FitToBox(MakeBitmap(40, 30, kWhite), 40000, 30000);  // 4.8 GB of pixels
  theLog.logPath = previousLog;
  EXPECT_FALSE(result);
  EXPECT_FALSE(tooLarge);
  const std::string log = ReadFileBytes(folder.File(L"log.txt"));
  const std::wstring message = L"ビットマップ生成失敗";
  const std::string messageBytes(reinterpret_cast<const char*>(message.data()), message.size() * sizeof(wchar_t));
  EXPECT_NE(std::string::npos, log.find(messageBytes));
}
