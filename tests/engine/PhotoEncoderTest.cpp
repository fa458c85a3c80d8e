#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
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

using Pixels = std::vector<unsigned char>;

// An 8-bit picture of `bands` bands (1 grey, 3 RGB, 4 RGBA) from its pixels, row by row.
VipsImagePtr PictureOf(const Pixels& pixels, int width, int height, int bands) {
  const VipsImagePtr raw(vips_image_new_from_memory_copy(pixels.data(), pixels.size(), width, height, bands,
                                                         VIPS_FORMAT_UCHAR));
  VipsImagePtr tagged;
  const VipsInterpretation space = bands < 3 ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB;
  if (!raw || vips_copy(raw.get(), tagged.receive(), "interpretation", space, nullptr) != 0) return {};
  return tagged;
}

// A picture of fine detail, whose JPEG size depends strongly on the quality.
VipsImagePtr DetailedPicture(int width, int height) {
  Pixels pixels;
  uint32_t seed = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245u + 12345u;
      const uint32_t noise = (seed >> 16) & 0x3F;
      pixels.push_back(static_cast<unsigned char>(x * 255 / width + noise));
      pixels.push_back(static_cast<unsigned char>(y * 255 / height));
      pixels.push_back(static_cast<unsigned char>(noise * 3));
    }
  }
  return PictureOf(pixels, width, height, 3);
}

// Gradients and a few sharp edges: a picture every lossy type holds well.
VipsImagePtr SmoothPicture(int width, int height) {
  Pixels pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool inBox = x > width / 4 && x < width / 2 && y > height / 4 && y < height * 3 / 4;
      pixels.push_back(static_cast<unsigned char>(inBox ? 230 : x * 255 / width));
      pixels.push_back(static_cast<unsigned char>(inBox ? 40 : y * 255 / height));
      pixels.push_back(static_cast<unsigned char>(inBox ? 60 : 128));
    }
  }
  return PictureOf(pixels, width, height, 3);
}

std::string Text(const VipsBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The picture a file's bytes hold, decoded into memory by libvips.
VipsImagePtr Decoded(const std::string& file) {
  const VipsImagePtr lazy(vips_image_new_from_buffer(file.data(), file.size(), "", nullptr));
  return VipsImagePtr(lazy ? vips_image_copy_memory(lazy.get()) : nullptr);
}

Pixels PixelsOf(VipsImage* picture) {
  size_t size = 0;
  const GMemory memory(vips_image_write_to_memory(picture, &size));
  const auto* begin = static_cast<const unsigned char*>(memory.get());
  return memory ? Pixels(begin, begin + size) : Pixels{};
}

// The mean absolute difference of two pictures' samples; a large number when they cannot be compared.
double MeanDifference(VipsImage* a, VipsImage* b) {
  VipsImagePtr difference;
  VipsImagePtr absolute;
  double mean = 1e9;
  if (a == nullptr || b == nullptr || vips_subtract(a, b, difference.receive(), nullptr) != 0 ||
      vips_abs(difference.get(), absolute.receive(), nullptr) != 0 || vips_avg(absolute.get(), &mean, nullptr) != 0)
    return 1e9;
  return mean;
}

ConvertSettings FixedQuality(int quality) {
  ConvertSettings settings;
  settings.JpegQualityTypeIndex = QualityMode::Fixed;
  settings.JpegQuantization = quality;
  return settings;
}

ConvertSettings TargetKBytes(int kbytes) {
  ConvertSettings settings;
  settings.JpegQualityTypeIndex = QualityMode::TargetSize;
  settings.JpegFileSize = kbytes;
  return settings;
}

std::string Encoded(VipsImage* picture, OutputFormat type, const ConvertSettings& settings) {
  VipsBytes bytes;
  if (FAILED(EncodePhoto(picture, type, settings, bytes))) return {};
  return Text(bytes);
}

uint32_t U16At(const std::string& bytes, size_t at) {
  return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}
uint32_t U32At(const std::string& bytes, size_t at) { return U16At(bytes, at) | U16At(bytes, at + 2) << 16; }

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

TEST(SavePhoto, WritesEachTypeInItsOwnFormat) {
  const TempFolder folder;
  const VipsImagePtr picture = SmoothPicture(120, 80);
  ASSERT_TRUE(picture);
  struct Case {
    OutputFormat type;
    const wchar_t* name;
    std::string magic;
    double largestDifference;  // mean over all samples, decoded against the picture
  };
  const Case cases[] = {{OutputFormat::Jpeg, L"out.jpg", "\xFF\xD8\xFF", 3},
                        {OutputFormat::Png, L"out.png", "\x89PNG", 0},
                        {OutputFormat::Webp, L"out.webp", "RIFF", 3},
                        {OutputFormat::Avif, L"out.avif", std::string("\0\0\0", 3), 3},
                        {OutputFormat::Bmp, L"out.bmp", "BM", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << static_cast<int>(c.type));
    const std::wstring path = folder.File(c.name);
    ASSERT_EQ(S_OK, SavePhoto(picture.get(), path, c.type, FixedQuality(80)));
    const std::string file = ReadFileBytes(path);
    EXPECT_EQ(c.magic, file.substr(0, c.magic.size()));
    if (c.type == OutputFormat::Webp) {
      EXPECT_EQ("WEBP", file.substr(8, 4));
    }
    if (c.type == OutputFormat::Avif) {
      EXPECT_EQ("ftypavif", file.substr(4, 8));
    }
    const GpImagePtr platform = LoadPicture(path);
    if (c.type != OutputFormat::Webp && c.type != OutputFormat::Avif) {  // the platform reads neither
      EXPECT_EQ(120, SizeOf(platform.get()).width);
      EXPECT_EQ(80, SizeOf(platform.get()).height);
    }
    if (c.type == OutputFormat::Bmp) continue;  // libvips has no BMP reader; the BMP tests read it back
    const VipsImagePtr decoded = Decoded(file);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(120, decoded.get()->Xsize);
    EXPECT_EQ(3, decoded.get()->Bands);
    EXPECT_LE(MeanDifference(decoded.get(), picture.get()), c.largestDifference);
  }
}

TEST(SavePhoto, UnknownJpegModeOrTypeOrNoPictureWritesNothing) {
  const TempFolder folder;
  const VipsImagePtr picture = SmoothPicture(20, 20);
  ConvertSettings unknownMode;
  unknownMode.JpegQualityTypeIndex = static_cast<QualityMode>(2);
  EXPECT_EQ(E_FAIL, SavePhoto(picture.get(), folder.File(L"a.jpg"), OutputFormat::Jpeg, unknownMode));
  EXPECT_FALSE(FileExists(folder.File(L"a.jpg")));
  EXPECT_EQ(E_FAIL, SavePhoto(picture.get(), folder.File(L"b.gif"), static_cast<OutputFormat>(7), ConvertSettings{}));
  EXPECT_FALSE(FileExists(folder.File(L"b.gif")));
  EXPECT_EQ(E_POINTER, SavePhoto(nullptr, folder.File(L"c.png"), OutputFormat::Png, ConvertSettings{}));
  EXPECT_FALSE(FileExists(folder.File(L"c.png")));

  // The other types do not look at the JPEG mode.
  EXPECT_EQ(S_OK, SavePhoto(picture.get(), folder.File(L"d.bmp"), OutputFormat::Bmp, unknownMode));
  EXPECT_EQ(S_OK, SavePhoto(picture.get(), folder.File(L"e.png"), OutputFormat::Png, unknownMode));
  EXPECT_EQ(S_OK, SavePhoto(picture.get(), folder.File(L"f.webp"), OutputFormat::Webp, unknownMode));
}

TEST(SavePhoto, WritesLongPathsAndLeavesNoFileWhenTheWriteFails) {
  const TempFolder folder;
  const VipsImagePtr picture = SmoothPicture(16, 16);
  std::wstring path = L"\\\\?\\" + folder.Path();
  for (int level = 0; level < 3; ++level) {
    path += L"\\" + std::wstring(100, static_cast<wchar_t>(L'a' + level));
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
  }
  path += L"\\写真.jpg";
  ASSERT_GT(path.size(), static_cast<size_t>(MAX_PATH));
  ASSERT_EQ(S_OK, SavePhoto(picture.get(), path, OutputFormat::Jpeg, FixedQuality(80)));
  EXPECT_EQ(Encoded(picture.get(), OutputFormat::Jpeg, FixedQuality(80)), ReadFileBytes(path));

  const std::wstring missingFolder = folder.File(L"missing\\out.jpg");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND),
            SavePhoto(picture.get(), missingFolder, OutputFormat::Jpeg, FixedQuality(80)));
  EXPECT_FALSE(FileExists(missingFolder));
  // A folder where the file should go: it is neither written into nor removed.
  const std::wstring taken = folder.File(L"taken.jpg");
  ASSERT_TRUE(CreateDirectoryW(taken.c_str(), nullptr));
  EXPECT_TRUE(FAILED(SavePhoto(picture.get(), taken, OutputFormat::Jpeg, FixedQuality(80))));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(taken.c_str()));
}

TEST(JpegQuality, HigherQualityIsLargerAndCloserToThePicture) {
  const VipsImagePtr picture = DetailedPicture(320, 240);
  const std::string low = Encoded(picture.get(), OutputFormat::Jpeg, FixedQuality(30));
  const std::string high = Encoded(picture.get(), OutputFormat::Jpeg, FixedQuality(95));
  ASSERT_FALSE(low.empty());
  EXPECT_LT(low.size() * 2, high.size());
  EXPECT_LT(MeanDifference(Decoded(high).get(), picture.get()), MeanDifference(Decoded(low).get(), picture.get()));

  // WebP follows the same setting.
  EXPECT_LT(Encoded(picture.get(), OutputFormat::Webp, FixedQuality(30)).size(),
            Encoded(picture.get(), OutputFormat::Webp, FixedQuality(95)).size());
}

TEST(JpegQuality, MozjpegMakesSmallerFilesOfTheSameLookAndKeepsChromaWholeFromNinety) {
  const VipsImagePtr picture = DetailedPicture(800, 600);
  const std::string ours = Encoded(picture.get(), OutputFormat::Jpeg, FixedQuality(80));
  // libjpeg's plain encoding at the same quality: standard tables, no trellis.
  void* data = nullptr;
  size_t size = 0;
  ASSERT_EQ(0, vips_jpegsave_buffer(picture.get(), &data, &size, "Q", 80, "keep", VIPS_FOREIGN_KEEP_NONE, nullptr));
  const GMemory plainData(data);
  const std::string plain(static_cast<const char*>(data), size);
  ASSERT_FALSE(ours.empty());
  const double oursError = MeanDifference(Decoded(ours).get(), picture.get());
  const double plainError = MeanDifference(Decoded(plain).get(), picture.get());
  std::printf("quality 80: ours %zu bytes (mean error %.3f), plain %zu bytes (mean error %.3f)\n", ours.size(),
              oursError, plain.size(), plainError);
  EXPECT_LT(ours.size(), plain.size() * 9 / 10);
  EXPECT_LE(oursError, plainError * 1.05) << "the quality number keeps its look";

  const auto chroma = [](const std::string& file) {
    const VipsImagePtr header(vips_image_new_from_buffer(file.data(), file.size(), "", nullptr));
    const char* value = nullptr;
    if (!header || vips_image_get_string(header.get(), "jpeg-chroma-subsample", &value) != 0) return std::string{};
    return std::string(value);
  };
  EXPECT_EQ(chroma(ours), "4:2:0");
  EXPECT_EQ(chroma(Encoded(picture.get(), OutputFormat::Jpeg, FixedQuality(90))), "4:4:4");
}

TEST(JpegQuality, QualitiesOutsideTheRangeTakeTheNearestEnd) {
  const VipsImagePtr picture = DetailedPicture(400, 300);  // more than 512 bytes even at quality 1
  EXPECT_EQ(Encoded(picture.get(), OutputFormat::Jpeg, FixedQuality(100)),
            Encoded(picture.get(), OutputFormat::Jpeg, FixedQuality(500)));
  EXPECT_EQ(Encoded(picture.get(), OutputFormat::Jpeg, FixedQuality(1)),
            Encoded(picture.get(), OutputFormat::Jpeg, FixedQuality(-3)));
  // A negative target asks for the smallest file: the search walks down to quality 1.
  EXPECT_EQ(Encoded(picture.get(), OutputFormat::Jpeg, FixedQuality(1)),
            Encoded(picture.get(), OutputFormat::Jpeg, TargetKBytes(-100)));
}

TEST(JpegQuality, TargetSizeLandsWithin512Bytes) {
  const VipsImagePtr picture = DetailedPicture(800, 600);
  // A size the encoder can reach: that of quality 60, to the nearest KByte.
  const size_t atSixty = Encoded(picture.get(), OutputFormat::Jpeg, FixedQuality(60)).size();
  const int kbytes = static_cast<int>((atSixty + 512) / 1024);
  const int64_t target = int64_t{kbytes} * 1024;

  const std::string file = Encoded(picture.get(), OutputFormat::Jpeg, TargetKBytes(kbytes));
  ASSERT_FALSE(file.empty());
  EXPECT_LE(static_cast<int64_t>(file.size()), target + 512);
  EXPECT_GE(static_cast<int64_t>(file.size()), target - 512);

  // WebP takes the quality, not the target.
  ConvertSettings webpTarget = TargetKBytes(kbytes);
  webpTarget.JpegQuantization = 40;
  EXPECT_EQ(Encoded(picture.get(), OutputFormat::Webp, FixedQuality(40)),
            Encoded(picture.get(), OutputFormat::Webp, webpTarget));
}

TEST(JpegRoundTrip, GivesBackThePictureTheFileHolds) {
  const VipsImagePtr picture = DetailedPicture(120, 80);
  const VipsImagePtr fixed = JpegRoundTrip(picture.get(), 70);
  ASSERT_TRUE(fixed);
  EXPECT_EQ(120, fixed.get()->Xsize);
  EXPECT_EQ(80, fixed.get()->Ysize);
  EXPECT_EQ(PixelsOf(Decoded(Encoded(picture.get(), OutputFormat::Jpeg, FixedQuality(70))).get()),
            PixelsOf(fixed.get()));

  const VipsImagePtr target = JpegTargetRoundTrip(picture.get(), 4 * 1024);
  ASSERT_TRUE(target);
  EXPECT_EQ(PixelsOf(Decoded(Encoded(picture.get(), OutputFormat::Jpeg, TargetKBytes(4))).get()),
            PixelsOf(target.get()));

  EXPECT_FALSE(JpegRoundTrip(nullptr, 80));
  EXPECT_FALSE(JpegTargetRoundTrip(nullptr, 2048));
}

TEST(BmpEncoding, RowsArePaddedToFourBytesAndStoredBottomUp) {
  // 5 x 3: a row is 15 bytes of pixels and one of padding.
  Pixels rgb;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      rgb.insert(rgb.end(), {static_cast<unsigned char>(x * 50), static_cast<unsigned char>(y * 100), 7});
  const VipsImagePtr picture = PictureOf(rgb, 5, 3, 3);
  const std::string bmp = Encoded(picture.get(), OutputFormat::Bmp, ConvertSettings{});
  ASSERT_EQ(54u + 16 * 3, bmp.size());
  EXPECT_EQ(bmp.size(), U32At(bmp, 2));  // bfSize
  EXPECT_EQ(54u, U32At(bmp, 10));        // pixels right behind the headers
  EXPECT_EQ(5u, U32At(bmp, 18));
  EXPECT_EQ(3u, U32At(bmp, 22));  // positive height: bottom-up
  EXPECT_EQ(24u, U16At(bmp, 28));
  EXPECT_EQ(0u, U32At(bmp, 30));  // uncompressed
  EXPECT_EQ(48u, U32At(bmp, 34));
  // The first stored row is the bottom one (y = 2), blue first; its padding byte is 0.
  EXPECT_EQ(std::string("\x07\xC8\x00\x07\xC8\x32", 6), bmp.substr(54, 6));
  EXPECT_EQ('\0', bmp[54 + 15]);

  const TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder.File(L"rows.bmp"), bmp));
  GpImagePtr read = LoadPicture(folder.File(L"rows.bmp"));
  ASSERT_TRUE(read);
  auto* bitmap = static_cast<GpBitmap*>(read.get());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(0xFF000000u | (x * 50u) << 16 | (y * 100u) << 8 | 7u, PixelAt(bitmap, x, y)) << x << "," << y;
}

TEST(BmpEncoding, AlphaIsFlattenedOnWhiteAsInJpegAndGreyBecomesRgb) {
  // Opaque red, half-transparent red, transparent black, transparent green.
  const Pixels rgba = {255, 0, 0, 255, 255, 0, 0, 128, 0, 0, 0, 0, 0, 255, 0, 0};
  const VipsImagePtr picture = PictureOf(rgba, 4, 1, 4);
  const std::string bmp = Encoded(picture.get(), OutputFormat::Bmp, ConvertSettings{});
  ASSERT_EQ(54u + 12, bmp.size());
  const std::string row = bmp.substr(54, 12);
  EXPECT_EQ(std::string("\x00\x00\xFF", 3), row.substr(0, 3));
  EXPECT_NEAR(127, static_cast<unsigned char>(row[3]), 1);
  EXPECT_NEAR(127, static_cast<unsigned char>(row[4]), 1);
  EXPECT_EQ('\xFF', row[5]);
  EXPECT_EQ(std::string(6, '\xFF'), row.substr(6, 6));

  const VipsImagePtr clear = PictureOf(Pixels(16 * 16 * 4, 0), 16, 16, 4);
  const VipsImagePtr jpeg = Decoded(Encoded(clear.get(), OutputFormat::Jpeg, FixedQuality(90)));
  ASSERT_TRUE(jpeg);
  double darkest = 0;
  vips_min(jpeg.get(), &darkest, nullptr);
  EXPECT_GE(darkest, 250);

  const VipsImagePtr grey = PictureOf(Pixels{0, 90, 255, 17}, 4, 1, 1);
  EXPECT_EQ(std::string("\x00\x00\x00ZZZ\xFF\xFF\xFF\x11\x11\x11", 12),
            Encoded(grey.get(), OutputFormat::Bmp, ConvertSettings{}).substr(54));
}

TEST(BmpEncoding, FileSizesBeyondFourGigabytesAreRefused) {
  EXPECT_EQ(58u, BmpFileSize(1, 1));
  EXPECT_EQ(54u + 16 * 3, BmpFileSize(5, 3));
  EXPECT_EQ(0u, BmpFileSize(0, 10));
  EXPECT_EQ(0u, BmpFileSize(10, -1));
  // 21845 pixels make a row of 65535 bytes, padded to 65536.
  EXPECT_EQ(54u + 65536ull * 65535, BmpFileSize(21845, 65535));
  EXPECT_EQ(0u, BmpFileSize(21845, 65536));
  EXPECT_EQ(0u, BmpFileSize(INT_MAX, INT_MAX));
}

TEST(StrictSizeLimit, SearchFindsTheHighestQualityThatFitsOrNone) {
  // Sizes grow by 1000 bytes a quality step.
  StandInEncoder encoder([](int quality) { return uint64_t(quality) * 1000; });
  const JpegSearchResult found = SearchQualityWithin(80500, 1, 100, encoder.Probe());
  EXPECT_EQ(80, found.quality);
  EXPECT_LE(encoder.qualities.size(), 7u);

  StandInEncoder overEverywhere([](int) { return kTarget * 2; });
  const JpegSearchResult none = SearchQualityWithin(kTarget, 1, 100, overEverywhere.Probe());
  EXPECT_EQ(0, none.quality);
  EXPECT_EQ(1, overEverywhere.qualities.back()) << "the last encoding is the smallest, which sizes the next step";
  EXPECT_EQ(kTarget * 2, none.lastBytes);
}

// Every type keeps under the limit; the picture is made smaller (same aspect) only when its
// smallest encoding is over, and then not so far that the file ends far below the limit.
TEST(StrictSizeLimit, NoEncodingIsOverTheLimitAndPicturesAreMadeSmallerOnlyWhenTheyMustBe) {
  const VipsImagePtr noisy = DetailedPicture(1600, 1200);
  struct Case {
    OutputFormat type;
    int kbytes;
    bool smaller;
  };
  const Case cases[] = {{OutputFormat::Jpeg, 400, false}, {OutputFormat::Jpeg, 12, true},
                        {OutputFormat::Webp, 300, false}, {OutputFormat::Webp, 4, true},
                        {OutputFormat::Avif, 300, false},
                        {OutputFormat::Png, 300, true},   {OutputFormat::Bmp, 500, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << static_cast<int>(c.type) << ", " << c.kbytes << " KB");
    ConvertSettings settings = TargetKBytes(c.kbytes);
    settings.TargetStrict = true;
    VipsBytes bytes;
    EncodedSize given;
    ASSERT_EQ(S_OK, EncodePhoto(noisy.get(), c.type, settings, bytes, &given));
    const uint64_t limit = uint64_t(c.kbytes) * 1024;
    EXPECT_LE(bytes.size, limit);
    EXPECT_GT(bytes.size, limit / 3) << "steps that converge, not a jump to the smallest picture";
    EXPECT_EQ(c.smaller, given.madeSmaller);
    const std::string file = Text(bytes);
    if (c.type == OutputFormat::Bmp) {  // libvips reads no BMP: its header says the size
      EXPECT_EQ(uint32_t(given.width), U32At(file, 18));
      EXPECT_EQ(uint32_t(given.height), U32At(file, 22));
    } else {
      const VipsImagePtr decoded = Decoded(file);
      ASSERT_TRUE(decoded);
      EXPECT_EQ(given.width, decoded.get()->Xsize);
      EXPECT_EQ(given.height, decoded.get()->Ysize);
    }
    EXPECT_NEAR(given.width * 3.0 / 4.0, given.height, 1.0) << "same aspect";
  }
}
