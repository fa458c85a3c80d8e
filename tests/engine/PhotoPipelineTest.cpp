#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "engine/PhotoResize.h"
#include "tests/engine/PipelinePhotos.h"
#include "tests/support/ExifWriter.h"
#include "tests/support/TempFolder.h"

namespace {

void ExpectSize(FittedSize actual, int width, int height) {
  EXPECT_EQ(width, actual.width);
  EXPECT_EQ(height, actual.height);
}

void ExpectPictureSize(const PreparedPhoto& photo, int width, int height) {
  ASSERT_TRUE(photo.picture) << static_cast<int>(photo.failure) << " " << testing::PrintToString(photo.detail);
  EXPECT_EQ(width, vips_image_get_width(photo.picture.get()));
  EXPECT_EQ(height, vips_image_get_height(photo.picture.get()));
}

ConvertSettings SettingsWithChoice(SizeChoice choice) {
  ConvertSettings settings;
  settings.ResizeRadioIndex = choice;
  return settings;
}

PhotoItem ItemFor(const std::wstring& path, int rotation = 0) {
  PhotoItem item;
  item.path = path;
  item.rotation = rotation;
  return item;
}

// A flat grey JPEG, made without drawing each pixel (large photos in a moment).
std::string GreyJpeg(int width, int height) {
  VipsImagePtr black;
  VipsImagePtr grey;
  vips_black(black.receive(), width, height, "bands", 3, nullptr);
  vips_linear1(black.get(), grey.receive(), 1.0, 128.0, "uchar", TRUE, nullptr);
  return JpegOf(grey.get());
}

std::wstring WriteJpeg(const TempFolder& folder, const std::wstring& name, int width, int height) {
  const std::wstring path = folder.File(name);
  EXPECT_TRUE(WriteFileBytes(path, GreyJpeg(width, height)));
  return path;
}

}  // namespace

TEST(FitSize, FitsByTheLongerSideWithTodaysIntegerRules) {
  ExpectSize(FitSize(4000, 3000, 800, 600), 800, 600);
  ExpectSize(FitSize(3000, 4000, 800, 600), 450, 600);
  ExpectSize(FitSize(320, 240, 1600, 1200), 1600, 1200);  // small photos are enlarged
  ExpectSize(FitSize(1000, 1000, 800, 600), 600, 600);    // square: width first, then held by the height
  ExpectSize(FitSize(1200, 800, 500, 500), 500, 333);
  ExpectSize(FitSize(800, 1200, 300, 600), 300, 450);     // portrait held by the width
  ExpectSize(FitSize(4000, 3, 80, 60), 80, 1);             // a thin panorama keeps one row
}

TEST(FitSize, PicturesWithoutPixelsOrBoxesWithoutRoomGiveNothing) {
  ExpectSize(FitSize(0, 0, 800, 600), 0, 0);
  ExpectSize(FitSize(0, 600, 800, 600), 0, 0);
  ExpectSize(FitSize(4000, 3000, -5, 600), 0, 0);  // a negative custom size from a hand-edited file
  ExpectSize(FitSize(3000, 4000, 0, 600), 0, 0);
}

TEST(OutputSize, TheBoxComesFromTheSizeChoice) {
  ExpectSize(OutputSize(4000, 3000, SettingsWithChoice(SizeChoice::Box800x600)), 800, 600);
  ExpectSize(OutputSize(3000, 4000, SettingsWithChoice(SizeChoice::Box160x120)), 90, 120);
  ExpectSize(OutputSize(4000, 3000, SettingsWithChoice(SizeChoice::Keep)), 4000, 3000);

  ConvertSettings settings = SettingsWithChoice(SizeChoice::Custom);
  settings.outputWidth = 500;
  settings.outputHeight = 500;
  ExpectSize(OutputSize(1200, 800, settings), 500, 333);
  settings.outputWidth = 0;
  ExpectSize(OutputSize(1200, 800, settings), 0, 0);
}

TEST(OutputSize, NoEnlargeKeepsPhotosThatAreInsideTheBox) {
  ConvertSettings settings = SettingsWithChoice(SizeChoice::Box800x600);
  ExpectSize(OutputSize(320, 240, settings), 800, 600);
  settings.NoEnlarge = true;
  ExpectSize(OutputSize(320, 240, settings), 320, 240);
  ExpectSize(OutputSize(800, 600, settings), 800, 600);
  ExpectSize(OutputSize(700, 900, settings), 466, 600);  // taller than the box: fitted
  ExpectSize(OutputSize(4000, 3000, settings), 800, 600);
}

TEST(OutputSize, LongEdgeFitsBothOrientationsAndPercentScalesUnlessItWouldEnlarge) {
  ConvertSettings settings = SettingsWithChoice(SizeChoice::LongEdge);
  settings.LongEdge = 1600;
  ExpectSize(OutputSize(4000, 3000, settings), 1600, 1200);
  // "a portrait photo gets the long edge tall"
  ExpectSize(OutputSize(3000, 4000, settings), 1200, 1600);
  ExpectSize(OutputSize(1000, 1000, settings), 1600, 1600);
  settings.NoEnlarge = true;
  ExpectSize(OutputSize(1000, 800, settings), 1000, 800);

  settings = SettingsWithChoice(SizeChoice::Percent);
  settings.ScalePercent = 50;
  ExpectSize(OutputSize(4000, 3000, settings), 2000, 1500);
  // "rounded to the nearest pixel"
  ExpectSize(OutputSize(1001, 3, settings), 501, 2);
  settings.ScalePercent = 1;
  // "never below one pixel"
  ExpectSize(OutputSize(50, 30, settings), 1, 1);
  settings.ScalePercent = 400;
  ExpectSize(OutputSize(300, 200, settings), 1200, 800);
  settings.NoEnlarge = true;
  // "小さい写真は拡大しない still applies"
  ExpectSize(OutputSize(300, 200, settings), 300, 200);
  settings.ScalePercent = 25;
  ExpectSize(OutputSize(300, 200, settings), 75, 50);
}

TEST(PreparePhoto, ComesOutAtExactlyTheOutputSize) {
  const TempFolder folder;
  const struct {
    int width, height;
    SizeChoice choice;
    int outWidth, outHeight;
  } cases[] = {
      {4000, 2667, SizeChoice::Box800x600, 800, 533},  // shrunk on load by 2, then to a size 1/5 cannot hit exactly
      {4001, 2999, SizeChoice::Box800x600, 800, 599}, {3000, 4000, SizeChoice::Box800x600, 450, 600},
      {1024, 768, SizeChoice::Box80x60, 80, 60},
      {300, 200, SizeChoice::Box1600x1200, 1600, 1066},  // enlarged
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " choice " << static_cast<int>(c.choice));
    const std::wstring path = WriteJpeg(folder, L"photo.jpg", c.width, c.height);
    ExpectPictureSize(PreparePhoto(ItemFor(path), SettingsWithChoice(c.choice)), c.outWidth, c.outHeight);
  }
}

TEST(PreparePhoto, KeepSizeKeepsTheUprightSizeOfATurnedPhoto) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"sensor.jpg");
  ASSERT_TRUE(WriteFileBytes(path, WithExifOrientation(GreyJpeg(4000, 3000), 6)));
  ExpectPictureSize(PreparePhoto(ItemFor(path), SettingsWithChoice(SizeChoice::Keep)), 3000, 4000);
  ExpectPictureSize(PreparePhoto(ItemFor(path, 1), SettingsWithChoice(SizeChoice::Keep)), 4000, 3000);
  ExpectPictureSize(PreparePhoto(ItemFor(path, 1), SettingsWithChoice(SizeChoice::Box800x600)), 800, 600);
}

TEST(PreparePhoto, APhotoWithItsOwnEffectIgnoresTheGlobalEffect) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"colour.png");
  const VipsImagePtr orange = PictureOf(40, 30, [](int, int) { return Colour{200, 100, 50}; });
  ASSERT_TRUE(WriteFileBytes(path, PngOf(orange.get())));
  ConvertSettings settings = SettingsWithChoice(SizeChoice::Keep);
  settings.globalEffect.EffectRadioIndex = ColourEffect::Sepia;  // sepia
  PhotoItem item = ItemFor(path);
  item.ownEffect = 1;
  item.effect.EffectRadioIndex = ColourEffect::GreyScale;  // grey

  const Colour grey = PixelOf(PreparePhoto(item, settings).picture.get(), 20, 15);
  EXPECT_NEAR(grey.r, grey.g, 1);
  EXPECT_NEAR(grey.g, grey.b, 1);
  item.ownEffect = 0;
  const Colour sepia = PixelOf(PreparePhoto(item, settings).picture.get(), 20, 15);
  EXPECT_GT(sepia.r, sepia.b + 20);
}

TEST(PreparePhoto, AlphaStaysAsAFourthBand) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"alpha.png");
  const VipsImagePtr half = PictureOf(64, 64, [](int x, int) { return Colour{0, 128, 255, x < 32 ? 0 : 255}; }, true);
  ASSERT_TRUE(WriteFileBytes(path, PngOf(half.get())));
  const PreparedPhoto photo = PreparePhoto(ItemFor(path), SettingsWithChoice(SizeChoice::Box80x60));  // 80 x 60 box
  ExpectPictureSize(photo, 60, 60);
  EXPECT_EQ(4, vips_image_get_bands(photo.picture.get()));
  EXPECT_EQ(0, PixelOf(photo.picture.get(), 5, 30).a);
  const Colour opaque = PixelOf(photo.picture.get(), 55, 30);
  EXPECT_EQ(255, opaque.a);
  EXPECT_NEAR(255, opaque.b, 2);
}

// A photo tagged with an sRGB profile keeps its pixels and its profile (nothing to convert).
TEST(PreparePhoto, AnEmbeddedProfileIsConvertedToSrgbAndAnSrgbOneKeepsThePixels) {
  const TempFolder folder;
  const VipsImagePtr red = PictureOf(32, 32, [](int, int) { return Colour{255, 0, 0}; });
  VipsImagePtr p3;
  ASSERT_EQ(0, vips_icc_transform(red.get(), p3.receive(), "p3", "input_profile", "srgb", nullptr));
  void* data = nullptr;
  size_t size = 0;
  ASSERT_EQ(0, vips_jpegsave_buffer(p3.get(), &data, &size, "Q", 98, nullptr));  // keeps the P3 profile
  const GMemory owned(data);
  const std::wstring path = folder.File(L"p3.jpg");
  ASSERT_TRUE(WriteFileBytes(path, std::string(static_cast<const char*>(data), size)));

  const PreparedPhoto photo = PreparePhoto(ItemFor(path), SettingsWithChoice(SizeChoice::Keep));
  ASSERT_TRUE(photo.picture);
  const Colour back = PixelOf(photo.picture.get(), 16, 16);
  EXPECT_GT(back.r, 245);
  EXPECT_LT(back.g, 12);
  const void* profile = nullptr;
  ASSERT_EQ(0, vips_image_get_blob(photo.picture.get(), VIPS_META_ICC_NAME, &profile, &size));
  EXPECT_TRUE(vips_icc_is_compatible_profile(photo.picture.get(), profile, size));

  const std::string windowsSrgb = WindowsSrgbProfile();
  ASSERT_FALSE(windowsSrgb.empty());
  const VipsImagePtr shades = PictureOf(32, 32, [](int x, int y) { return Colour{x * 8, y * 8, 255 - x * 8}; });
  VipsImagePtr tagged;
  ASSERT_EQ(0, vips_copy(shades.get(), tagged.receive(), nullptr));
  vips_image_set_blob_copy(tagged.get(), VIPS_META_ICC_NAME, windowsSrgb.data(), windowsSrgb.size());
  const std::wstring taggedPath = folder.File(L"srgb.png");
  const std::wstring plainPath = folder.File(L"plain.png");
  ASSERT_EQ(0, vips_pngsave_buffer(tagged.get(), &data, &size, "keep", VIPS_FOREIGN_KEEP_ICC, nullptr));
  const GMemory taggedPng(data);
  ASSERT_TRUE(WriteFileBytes(taggedPath, std::string(static_cast<const char*>(data), size)));
  ASSERT_TRUE(WriteFileBytes(plainPath, PngOf(shades.get())));
  const PreparedPhoto fromTagged = PreparePhoto(ItemFor(taggedPath), SettingsWithChoice(SizeChoice::Keep));
  const PreparedPhoto fromPlain = PreparePhoto(ItemFor(plainPath), SettingsWithChoice(SizeChoice::Keep));
  ASSERT_TRUE(fromTagged.picture && fromPlain.picture);
  for (int y = 0; y < 32; y += 5) {
    for (int x = 0; x < 32; x += 5) {
      const Colour a = PixelOf(fromTagged.picture.get(), x, y);
      const Colour b = PixelOf(fromPlain.picture.get(), x, y);
      EXPECT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b) << "at " << x << "," << y;
    }
  }
  ASSERT_EQ(0, vips_image_get_blob(fromTagged.picture.get(), VIPS_META_ICC_NAME, &profile, &size));
  EXPECT_EQ(std::string(static_cast<const char*>(profile), size), windowsSrgb);
}

// How far the picture's pixels stray from their mean: a flat background gives almost nothing.
double Deviation(const PreparedPhoto& photo) {
  double deviation = -1;
  if (photo.picture) vips_deviate(photo.picture.get(), &deviation, nullptr);
  return deviation;
}

TEST(PreparePhoto, CropToFillCutsExactlyTheBoxAtTheCentreOrAroundTheSubject) {
  const TempFolder folder;
  // A flat grey landscape whose only subject, a bright fine checkerboard, sits at its right edge.
  const std::wstring subject = folder.File(L"subject.png");
  const VipsImagePtr scene = PictureOf(1200, 600, [](int x, int y) {
    if (x < 960 || x >= 1140 || y < 200 || y >= 400) return Colour{100, 100, 100};
    return ((x / 4 + y / 4) % 2) ? Colour{255, 255, 240} : Colour{20, 20, 60};
  });
  ASSERT_TRUE(WriteFileBytes(subject, PngOf(scene.get())));
  ConvertSettings settings = SettingsWithChoice(SizeChoice::Custom);
  settings.outputWidth = 300;
  settings.outputHeight = 300;
  settings.CropToFill = FitOrFill::Fill;
  settings.CropAnchor = FillAnchor::Centre;
  const PreparedPhoto centre = PreparePhoto(ItemFor(subject), settings);
  ExpectPictureSize(centre, 300, 300);
  EXPECT_LT(Deviation(centre), 5.0);  // the centre is all background

  settings.CropAnchor = FillAnchor::Attention;
  const PreparedPhoto eye = PreparePhoto(ItemFor(subject), settings, nullptr, PictureIn::Pipeline);
  ExpectPictureSize(eye, 300, 300);
  EXPECT_GT(Deviation(eye), 25.0);
  // The preview keeps a scaled photo: one cut at the centre is no photo cut around the subject.
  ConvertSettings centred = settings;
  centred.CropAnchor = FillAnchor::Centre;
  const ScaledPhoto kept = ScalePhoto(subject, 0, centred);
  EXPECT_TRUE(IsScaledFor(kept, 0, centred));
  EXPECT_FALSE(IsScaledFor(kept, 0, settings));
  EXPECT_GT(Deviation(FinishPhoto(ScalePhoto(subject, 0, settings), 0, nullptr)), 25.0);

  // Exact sizes for the upright photo: a sensor's landscape stored turned, and turned back.
  const std::wstring turned = folder.File(L"sensor.jpg");
  ASSERT_TRUE(WriteFileBytes(turned, WithExifOrientation(GreyJpeg(4000, 3000), 6)));
  settings.outputWidth = 500;
  settings.outputHeight = 200;
  ExpectPictureSize(PreparePhoto(ItemFor(turned), settings, nullptr, PictureIn::Pipeline), 500, 200);
  settings.CropAnchor = FillAnchor::Centre;
  ExpectPictureSize(PreparePhoto(ItemFor(turned, 1), settings, nullptr, PictureIn::Pipeline), 500, 200);
  ExpectPictureSize(PreparePhoto(ItemFor(turned), SettingsWithChoice(SizeChoice::Box800x600)), 450, 600);  // fitted without fill
  ConvertSettings longEdge = settings;
  longEdge.ResizeRadioIndex = SizeChoice::LongEdge;
  longEdge.LongEdge = 400;
  ExpectSize(OutputSize(3000, 4000, longEdge), 300, 400);  // no box to fill

  // A photo that does not cover the box is enlarged to fill it, or with NoEnlarge cut to the
  // largest part of the box's aspect it holds; a photo one pixel wide and the smallest box too.
  const std::wstring small = WriteJpeg(folder, L"small.jpg", 300, 200);
  const std::wstring thread = folder.File(L"thread.png");
  const VipsImagePtr column = PictureOf(1, 300, [](int, int y) { return Colour{y % 256, 80, 80}; });
  ASSERT_TRUE(WriteFileBytes(thread, PngOf(column.get())));
  settings.outputWidth = 480;
  settings.outputHeight = 480;
  ExpectPictureSize(PreparePhoto(ItemFor(small), settings), 480, 480);
  ExpectPictureSize(PreparePhoto(ItemFor(thread), settings), 480, 480);
  settings.NoEnlarge = true;
  ExpectPictureSize(PreparePhoto(ItemFor(small), settings), 200, 200);
  ExpectSize(OutputSize(200, 300, settings), 200, 200);
  ExpectPictureSize(PreparePhoto(ItemFor(thread), settings), 1, 1);
  settings.outputWidth = 2;
  settings.outputHeight = 2;
  ExpectPictureSize(PreparePhoto(ItemFor(thread), settings), 1, 1);
  settings.NoEnlarge = false;
  ExpectPictureSize(PreparePhoto(ItemFor(thread), settings), 2, 2);
  ExpectPictureSize(PreparePhoto(ItemFor(small), settings), 2, 2);
}

TEST(ThumbnailPhoto, FitsIntoTheBoxTurnedButNeverEnlarged) {
  const TempFolder folder;
  const std::wstring small = WriteJpeg(folder, L"小さい写真.jpg", 100, 50);  // a path beyond the ANSI code page
  const std::wstring large = WriteJpeg(folder, L"large.jpg", 1600, 1200);
  ExpectPictureSize(ThumbnailPhoto(small, 0, 160, 120), 100, 50);
  ExpectPictureSize(ThumbnailPhoto(small, 1, 160, 120), 50, 100);
  ExpectPictureSize(ThumbnailPhoto(large, 0, 160, 120), 160, 120);
  ExpectPictureSize(ThumbnailPhoto(large, 3, 160, 120), 90, 120);
}

TEST(PreparePhoto, ThreadsAtOnceGiveWhatOneThreadGives) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"varied.jpg");
  const VipsImagePtr varied = VariedPicture(1600, 1200);
  ASSERT_TRUE(WriteFileBytes(path, JpegOf(varied.get())));
  const ConvertSettings settings = SettingsWithChoice(SizeChoice::Box800x600);
  const PreparedPhoto alone = PreparePhoto(ItemFor(path), settings);
  ASSERT_TRUE(alone.picture);

  std::vector<PreparedPhoto> results(4);
  std::vector<std::thread> threads;
  for (PreparedPhoto& result : results)
    threads.emplace_back([&result, &path, &settings] {
      for (int i = 0; i < 3; ++i) result = PreparePhoto(ItemFor(path), settings);
    });
  for (std::thread& thread : threads) thread.join();
  for (const PreparedPhoto& result : results) {
    ASSERT_TRUE(result.picture);
    EXPECT_EQ(0.0, MeanDifference(alone.picture.get(), result.picture.get()));
  }
}

TEST(ThumbnailPhoto, StopEndsALongDecodeWithinASecond) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"huge.png");
  ASSERT_TRUE(WriteFileBytes(path, ZeroPng(17000, 17000, 2, 16)));  // 1.7 GB of samples to inflate
  std::atomic<int> stop{0};
  std::chrono::steady_clock::time_point stopped;
  std::thread stopper([&stop, &stopped] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    stopped = std::chrono::steady_clock::now();
    stop = 1;
  });
  const PreparedPhoto photo = ThumbnailPhoto(path, 0, 160, 120, &stop);
  const auto returned = std::chrono::steady_clock::now();
  stopper.join();
  EXPECT_EQ(PhotoFailure::Cancelled, photo.failure);
  EXPECT_FALSE(photo.picture);
  EXPECT_LT(returned - stopped, std::chrono::milliseconds(1000));
  EXPECT_EQ(PhotoFailure::Cancelled, PreparePhoto(ItemFor(path), ConvertSettings(), &stop).failure);
}
