#include <gtest/gtest.h>

#include <vector>

#include "engine/PhotoEncoder.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"

namespace {

// A stand-in encoder: records the qualities asked for and answers sizes from a rule.
class StandInEncoder {
public:
  explicit StandInEncoder(std::function<uint64_t(int)> sizeAt) : sizeAt(std::move(sizeAt)) {}

  JpegSizeProbe Probe() {
    return [this](int quality, uint64_t& bytes) {
      qualities.push_back(quality);
      bytes = sizeAt(quality);
      return S_OK;
    };
  }

  std::vector<int> qualities;

private:
  std::function<uint64_t(int)> sizeAt;
};

constexpr uint64_t kTarget = 100 * 1024;

// A picture of fine detail, whose JPEG size depends strongly on the quality.
GpBitmapPtr DetailedPicture(int width, int height) {
  GpBitmapPtr bitmap = MakeBitmap(width, height, 0xFF000000);
  const Gdiplus::GpRect rect(0, 0, width, height);
  Gdiplus::BitmapData data{};
  if (gp::GdipBitmapLockBits(bitmap.get(), &rect, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data) !=
      Gdiplus::Ok)
    return bitmap;
  uint32_t seed = 12345;
  for (UINT y = 0; y < data.Height; ++y) {
    auto* line = reinterpret_cast<Gdiplus::ARGB*>(static_cast<BYTE*>(data.Scan0) + y * data.Stride);
    for (UINT x = 0; x < data.Width; ++x) {
      seed = seed * 1103515245u + 12345u;
      const uint32_t noise = (seed >> 16) & 0x3F;
      line[x] = 0xFF000000 | ((x * 255 / data.Width + noise) & 0xFF) << 16 | ((y * 255 / data.Height) & 0xFF) << 8 |
                (noise * 3 & 0xFF);
    }
  }
  gp::GdipBitmapUnlockBits(bitmap.get(), &data);
  return bitmap;
}

std::string Head(const std::wstring& path, size_t count) { return ReadFileBytes(path).substr(0, count); }

PictureSize FileSize(const std::wstring& path) {
  GpImagePtr image = LoadPicture(path);
  return SizeOf(image.get());
}

}  // namespace

TEST(JpegTargetSearch, TooBigAtEveryQualityWalksDownToOne) {
  StandInEncoder encoder([](int) { return kTarget * 10; });
  const JpegSearchResult result = SearchJpegQuality(kTarget, encoder.Probe());
  EXPECT_EQ((std::vector<int>{100, 50, 25, 12, 5, 1}), encoder.qualities);
  EXPECT_EQ(S_OK, result.result);
  EXPECT_EQ(1, result.quality);
}

TEST(JpegTargetSearch, SmallAtFullQualityStopsAfterOneEncoding) {
  StandInEncoder encoder([](int) { return uint64_t{20 * 1024}; });
  const JpegSearchResult result = SearchJpegQuality(kTarget, encoder.Probe());
  EXPECT_EQ((std::vector<int>{100}), encoder.qualities);
  EXPECT_EQ(100, result.quality);
}

TEST(JpegTargetSearch, HalvesTowardsTheTargetInAtMostEightEncodings) {
  // Size grows by 1000 bytes a quality step; the target sits at quality 80.
  StandInEncoder encoder([](int quality) { return uint64_t(quality) * 1000; });
  const JpegSearchResult result = SearchJpegQuality(80000, encoder.Probe());
  EXPECT_EQ((std::vector<int>{100, 50, 75, 88, 81, 77, 79, 80}), encoder.qualities);
  EXPECT_EQ(80, result.quality);
}

TEST(JpegTargetSearch, StopsAsSoonAsASizeIsWithin512BytesInclusive) {
  StandInEncoder below([](int quality) { return quality == 50 ? kTarget - 512 : kTarget * 2; });
  EXPECT_EQ(50, SearchJpegQuality(kTarget, below.Probe()).quality);
  EXPECT_EQ((std::vector<int>{100, 50}), below.qualities);

  StandInEncoder above([](int quality) { return quality == 50 ? kTarget + 512 : kTarget * 2; });
  EXPECT_EQ(50, SearchJpegQuality(kTarget, above.Probe()).quality);

  StandInEncoder justOutside([](int quality) { return quality == 50 ? kTarget + 513 : kTarget * 2; });
  SearchJpegQuality(kTarget, justOutside.Probe());
  EXPECT_EQ((std::vector<int>{100, 50, 25, 12, 5, 1}), justOutside.qualities);
}

TEST(JpegTargetSearch, ATargetBelowTheToleranceDoesNotWrapAround) {
  // 300 bytes is within 512 of a 100-byte target; the lower bound must not underflow.
  StandInEncoder encoder([](int) { return uint64_t{300}; });
  EXPECT_EQ(100, SearchJpegQuality(100, encoder.Probe()).quality);
  EXPECT_EQ(1u, encoder.qualities.size());
}

TEST(JpegTargetSearch, AFailedEncodingEndsTheSearchWithItsError) {
  std::vector<int> qualities;
  const JpegSearchResult result = SearchJpegQuality(kTarget, [&](int quality, uint64_t& bytes) {
    qualities.push_back(quality);
    bytes = kTarget * 2;
    return qualities.size() == 2 ? E_OUTOFMEMORY : S_OK;
  });
  EXPECT_EQ(E_OUTOFMEMORY, result.result);
  EXPECT_EQ(2u, qualities.size());
}

TEST(SavePhoto, WritesEachTypeWithItsOwnEncoder) {
  const TempFolder folder;
  GpBitmapPtr bitmap = MakeBitmap(120, 80, 0xFF336699);
  const SaveData_CL settings;
  struct Case {
    OutputFormat type;
    const wchar_t* name;
    std::string magic;
  };
  const Case cases[] = {{OutputFormat::Bmp, L"out.bmp", "BM"}, {OutputFormat::Jpeg, L"out.jpg", "\xFF\xD8\xFF"}, {OutputFormat::Png, L"out.png", "\x89PNG"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << static_cast<int>(c.type));
    const std::wstring path = folder.File(c.name);
    EXPECT_EQ(S_OK, SavePhoto(bitmap.get(), path, c.type, settings));
    EXPECT_EQ(c.magic, Head(path, c.magic.size()));
    const PictureSize size = FileSize(path);
    EXPECT_EQ(120, size.width);
    EXPECT_EQ(80, size.height);
  }
}

TEST(SavePhoto, UnknownJpegModeOrTypeWritesNothing) {
  const TempFolder folder;
  GpBitmapPtr bitmap = MakeBitmap(20, 20, 0xFF336699);
  SaveData_CL settings;
  settings.JpegQualityTypeIndex = 2;
  EXPECT_EQ(E_FAIL, SavePhoto(bitmap.get(), folder.File(L"a.jpg"), OutputFormat::Jpeg, settings));
  EXPECT_FALSE(FileExists(folder.File(L"a.jpg")));
  EXPECT_EQ(E_FAIL, SavePhoto(bitmap.get(), folder.File(L"b.gif"), static_cast<OutputFormat>(3), SaveData_CL{}));
  EXPECT_FALSE(FileExists(folder.File(L"b.gif")));
  EXPECT_EQ(E_FAIL, SavePhoto(nullptr, folder.File(L"c.png"), OutputFormat::Png, SaveData_CL{}));
  EXPECT_FALSE(FileExists(folder.File(L"c.png")));

  // BMP and PNG do not look at the JPEG settings.
  EXPECT_EQ(S_OK, SavePhoto(bitmap.get(), folder.File(L"d.bmp"), OutputFormat::Bmp, settings));
  EXPECT_EQ(S_OK, SavePhoto(bitmap.get(), folder.File(L"e.png"), OutputFormat::Png, settings));
}

TEST(SavePhoto, OutOfRangeQualityAndNegativeTargetStillWriteAJpeg) {
  const TempFolder folder;
  GpBitmapPtr bitmap = MakeBitmap(40, 30, 0xFF336699);
  SaveData_CL settings;
  settings.JpegQuantization = 500;
  EXPECT_EQ(S_OK, SavePhoto(bitmap.get(), folder.File(L"high.jpg"), OutputFormat::Jpeg, settings));
  settings.JpegQuantization = -3;
  EXPECT_EQ(S_OK, SavePhoto(bitmap.get(), folder.File(L"low.jpg"), OutputFormat::Jpeg, settings));
  settings.JpegQualityTypeIndex = 1;
  settings.JpegFileSize = -100;
  EXPECT_EQ(S_OK, SavePhoto(bitmap.get(), folder.File(L"target.jpg"), OutputFormat::Jpeg, settings));
  EXPECT_EQ(40, FileSize(folder.File(L"target.jpg")).width);
}

TEST(JpegRoundTrip, GivesBackThePictureAsTheFileWouldHoldIt) {
  GpBitmapPtr result = JpegRoundTrip(MakeBitmap(120, 80, 0xFF336699), 80);
  ASSERT_TRUE(result);
  EXPECT_EQ(120, SizeOf(result.get()).width);
  EXPECT_EQ(80, SizeOf(result.get()).height);
  EXPECT_TRUE(ColourNear(PixelAt(result.get(), 60, 40), 0xFF336699, 6)) << ColourText(PixelAt(result.get(), 60, 40));

  GpBitmapPtr target = JpegTargetRoundTrip(MakeBitmap(120, 80, 0xFF336699), 2048);
  ASSERT_TRUE(target);
  EXPECT_EQ(80, SizeOf(target.get()).height);
  EXPECT_TRUE(ColourNear(PixelAt(target.get(), 60, 40), 0xFF336699, 12));

  EXPECT_FALSE(JpegRoundTrip(GpBitmapPtr{}, 80));
  EXPECT_FALSE(JpegTargetRoundTrip(GpBitmapPtr{}, 2048));
}

TEST(JpegQuality, TargetSizeLandsWithin512BytesWhereTheEncoderHonoursQuality) {
  GpBitmapPtr picture = DetailedPicture(640, 480);
  const std::string low = JpegBytes(picture.get(), 10);
  const std::string high = JpegBytes(picture.get(), 95);
  ASSERT_FALSE(low.empty());
  if (low.size() == high.size())
    GTEST_SKIP() << "this platform's JPEG encoder ignores the quality parameter (" << low.size()
                 << " bytes at 10 and at 95), so a target size cannot be reached";
  EXPECT_LT(low.size(), high.size());

  const TempFolder folder;
  const uint64_t target = JpegBytes(picture.get(), 60).size();
  const std::wstring path = folder.File(L"target.jpg");
  ASSERT_EQ(S_OK, SaveJpegTargetSize(picture.get(), path, target));
  const uint64_t written = ReadFileBytes(path).size();
  EXPECT_LE(written, target + 512);
  EXPECT_GE(written + 512, target);
}
