#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <vector>

#include "base/LogFile.h"
#include "engine/ConvertBatch.h"
#include "engine/PhotoEncoder.h"
#include "engine/PhotoResize.h"
#include "engine/VipsSession.h"
#include "tests/engine/PipelinePhotos.h"
#include "tests/support/ExifWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"

namespace {

struct Case {
  const wchar_t* name;
  std::string bytes;
};

const std::string& GoodJpeg() {
  static const std::string jpeg = [] {
    const VipsImagePtr varied = VariedPicture(256, 192);
    return JpegOf(varied.get());
  }();
  return jpeg;
}

const std::string& GoodPng() {
  static const std::string png = [] {
    const VipsImagePtr varied = VariedPicture(256, 192);
    return PngOf(varied.get());
  }();
  return png;
}

const std::string& GoodAvif() {
  static const std::string avif = [] {
    const VipsImagePtr varied = VariedPicture(256, 192);
    VipsBytes encoded;
    if (FAILED(EncodePhoto(varied.get(), OutputFormat::Avif, ConvertSettings(), encoded))) return std::string();
    return std::string(encoded.begin(), encoded.end());
  }();
  return avif;
}

// The AVIF with its 'meta' box saying it runs past the end of the file.
std::string WithOverlongMeta(std::string avif) {
  const size_t size = avif.find("meta") - 4;
  avif[size] = '\x7F';
  return avif;
}

size_t ScanStart(const std::string& jpeg) { return jpeg.find("\xFF\xDA"); }

// A run of bytes in the middle of the compressed data replaced by random ones, as a damaged
// disc gives them (markers among them).
std::string WithGarbageInTheScan(std::string jpeg) {
  const size_t middle = (ScanStart(jpeg) + jpeg.size()) / 2;
  uint32_t random = 12345;
  for (size_t i = 0; i < 256; ++i) {
    random = random * 1103515245u + 12345u;
    jpeg[middle + i] = static_cast<char>(random >> 16);
  }
  return jpeg;
}

// `jpeg` with `count` bytes that are no marker put before its first `marker` (its last one
// for EOI), the slack some cameras and editors leave between segments.
std::string WithStrayBytes(const std::string& jpeg, unsigned char marker, size_t count, bool lastOne = false) {
  const std::string code{'\xFF', static_cast<char>(marker)};
  const size_t at = lastOne ? jpeg.rfind(code) : jpeg.find(code, 2);
  std::string stray(count, '\0');
  for (size_t i = 0; i < count; ++i) stray[i] = static_cast<char>(0x11 + i * 37 % 200);
  return jpeg.substr(0, at) + stray + jpeg.substr(at);
}

// A byte of the named chunk's data changed, so that it no longer matches its checksum.
std::string WithBadCrc(std::string png, const char* chunk) {
  const size_t at = png.find(chunk) + 4 + 2;
  png[at] = static_cast<char>(png[at] ^ 0x5A);
  return png;
}

// The frame header (baseline SOF) of a small JPEG changed to say width x height.
std::string WithFrameSize(std::string jpeg, int width, int height) {
  const size_t sof = jpeg.find("\xFF\xC0") + 5;
  const char size[4] = {static_cast<char>(height >> 8), static_cast<char>(height), static_cast<char>(width >> 8),
                        static_cast<char>(width)};
  jpeg.replace(sof, 4, size, 4);
  return jpeg;
}

// A BMP file header and info header for a width x height 24-bit picture, without the pixels.
std::string BmpHeader(int width, int height) {
  std::string bmp(54, '\0');
  const auto put32 = [&bmp](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  bmp[26] = 1;
  bmp[28] = 24;
  return bmp;
}

PreparedPhoto Prepare(const TempFolder& folder, const Case& file, const ConvertSettings& settings) {
  PhotoItem item;
  item.path = folder.File(file.name);
  EXPECT_TRUE(WriteFileBytes(item.path, file.bytes));
  return PreparePhoto(item, settings);
}

ConvertSettings KeepSize() {
  ConvertSettings settings;
  settings.ResizeRadioIndex = SizeChoice::Keep;
  return settings;
}

// Two 32 x 32 pages, red above blue, as a file of libvips' `save` operation.
std::string TwoPages(int (*save)(VipsImage*, void**, size_t*, ...)) {
  VipsImagePtr pages = PictureOf(32, 64, [](int, int y) { return y < 32 ? Colour{255, 0, 0} : Colour{0, 0, 255}; });
  vips_image_set_int(pages.get(), VIPS_META_PAGE_HEIGHT, 32);
  void* data = nullptr;
  size_t size = 0;
  if (save(pages.get(), &data, &size, nullptr) != 0) return {};
  const GMemory owned(data);
  return std::string(static_cast<const char*>(data), size);
}

std::string JpegWith(VipsImage* picture, const char* option, int value) {
  void* data = nullptr;
  size_t size = 0;
  if (vips_jpegsave_buffer(picture, &data, &size, option, value, nullptr) != 0) return {};
  const GMemory owned(data);
  return std::string(static_cast<const char*>(data), size);
}

std::string UnusualJpeg(VipsInterpretation space, const char* option = "Q", int value = 90) {
  const VipsImagePtr orange = PictureOf(48, 32, [](int, int) { return Colour{200, 100, 50}; });
  VipsImagePtr converted;
  if (vips_colourspace(orange.get(), converted.receive(), space, nullptr) != 0) return {};
  return JpegWith(converted.get(), option, value);
}

std::string SixteenBitPng() {
  const VipsImagePtr orange = PictureOf(48, 32, [](int, int) { return Colour{200, 100, 50}; });
  VipsImagePtr wide;
  VipsImagePtr rgb16;
  vips_linear1(orange.get(), wide.receive(), 257.0, 0.0, nullptr);
  vips_cast_ushort(wide.get(), rgb16.receive(), nullptr);
  vips_image_set_int(rgb16.get(), "interpretation", VIPS_INTERPRETATION_RGB16);
  return PngOf(rgb16.get());
}

std::string Bmp() {
  const TempFolder folder;
  GpBitmapPtr orange = MakeBitmap(48, 32, 0xFFC86432);
  if (!SaveAs(orange.get(), folder.File(L"orange.bmp"), kTestFormatBmp)) return {};
  return ReadFileBytes(folder.File(L"orange.bmp"));
}

// Handles open in this process, found by asking each handle value about itself (Wine counts
// none with GetProcessHandleCount). Handles take the lowest free values, so a leak shows
// below 0x4000 in a process with a few dozen handles.
int OpenHandles() {
  int count = 0;
  for (uintptr_t value = 4; value < 0x4000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// Committed private memory of this process, summed over its address space.
uint64_t CommittedPrivateBytes() {
  uint64_t total = 0;
  MEMORY_BASIC_INFORMATION info{};
  for (const BYTE* address = nullptr; VirtualQuery(address, &info, sizeof(info)) == sizeof(info);
       address = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
  }
  return total;
}

using Clock = std::chrono::steady_clock;

}  // namespace

TEST(BadPhotos, DamagedFilesAndFilesThatAreNoPhotosAreUnreadable) {
  const std::string& jpeg = GoodJpeg();
  const Case cases[] = {
      {L"empty.jpg", ""},
      {L"text.jpg", "This is not a picture, only text in a file named .jpg\r\n"},
      {L"drawing.jpg", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"30\"/>"},
      {L"headers-only.jpg", jpeg.substr(0, ScanStart(jpeg))},
      {L"truncated.jpg", jpeg.substr(0, jpeg.size() * 6 / 10)},
      {L"garbage.jpg", WithGarbageInTheScan(jpeg)},
      {L"bad-header-crc.png", WithBadCrc(GoodPng(), "IHDR")},
      {L"bad-data-crc.png", WithBadCrc(GoodPng(), "IDAT")},
      {L"truncated.png", GoodPng().substr(0, GoodPng().size() * 6 / 10)},
      {L"truncated.avif", GoodAvif().substr(0, GoodAvif().size() * 6 / 10)},
      {L"headers-only.avif", GoodAvif().substr(0, GoodAvif().find("mdat") + 4)},
      {L"overlong-meta.avif", WithOverlongMeta(GoodAvif())},
  };
  const TempFolder folder;
  for (const Case& file : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(file.name)));
    const PreparedPhoto photo = Prepare(folder, file, ConvertSettings());
    EXPECT_EQ(PhotoFailure::Unreadable, photo.failure);
    EXPECT_FALSE(photo.picture);
    EXPECT_FALSE(photo.detail.empty());
  }
  PhotoItem missing;
  missing.path = folder.File(L"missing.jpg");
  EXPECT_EQ(PhotoFailure::Unreadable, PreparePhoto(missing, ConvertSettings()).failure);
}

TEST(BadPhotos, UnusualButSoundPhotosAreConvertedToRgb) {
  const struct {
    Case file;
    int width;      // 48 x 32, or 32 x 32 for the first of two pages
    Colour colour;  // of the first page or frame
  } cases[] = {
      {{L"cmyk.jpg", UnusualJpeg(VIPS_INTERPRETATION_CMYK, "keep", VIPS_FOREIGN_KEEP_ICC)}, 48, {200, 100, 50}},
      {{L"grey.jpg", UnusualJpeg(VIPS_INTERPRETATION_B_W)}, 48, {122, 122, 122}},
      {{L"progressive.jpg", UnusualJpeg(VIPS_INTERPRETATION_sRGB, "interlace", TRUE)}, 48, {200, 100, 50}},
      {{L"16-bit.png", SixteenBitPng()}, 48, {200, 100, 50}},
      {{L"animated.gif", TwoPages(vips_gifsave_buffer)}, 32, {255, 0, 0}},
      {{L"pages.tif", TwoPages(vips_tiffsave_buffer)}, 32, {255, 0, 0}},
      {{L"orange.bmp", Bmp()}, 48, {200, 100, 50}},
  };
  const TempFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.file.name)));
    ASSERT_FALSE(c.file.bytes.empty());
    const PreparedPhoto photo = Prepare(folder, c.file, KeepSize());
    ASSERT_TRUE(photo.picture) << testing::PrintToString(photo.detail);
    VipsImage* const picture = photo.picture.get();
    EXPECT_EQ(c.width, vips_image_get_width(picture));
    EXPECT_EQ(32, vips_image_get_height(picture));
    EXPECT_EQ(VIPS_FORMAT_UCHAR, vips_image_get_format(picture));
    EXPECT_GE(vips_image_get_bands(picture), 3);
    const Colour centre = PixelOf(picture, 16, 16);
    EXPECT_NEAR(c.colour.r, centre.r, 12);
    EXPECT_NEAR(c.colour.g, centre.g, 12);
    EXPECT_NEAR(c.colour.b, centre.b, 12);
    const void* profile = nullptr;
    size_t size = 0;
    if (vips_image_get_typeof(picture, VIPS_META_ICC_NAME) != 0) {  // never a CMYK or grey profile on RGB
      ASSERT_EQ(0, vips_image_get_blob(picture, VIPS_META_ICC_NAME, &profile, &size));
      EXPECT_TRUE(vips_icc_is_compatible_profile(picture, profile, size));
    }
  }
}

TEST(BadPhotos, BombsAreRefusedFromTheirHeadersInAMoment) {
  ConvertSettings hugeBox;
  hugeBox.ResizeRadioIndex = SizeChoice::Custom;
  hugeBox.outputWidth = 100000;
  hugeBox.outputHeight = 100000;
  const struct {
    Case file;
    bool inHugeBox;
  } cases[] = {
      {{L"bomb.png", ZeroPng(30000, 30000)}, false},
      {{L"bomb.jpg", WithFrameSize(GoodJpeg(), 30000, 30000)}, false},
      {{L"bomb.bmp", BmpHeader(30000, 30000)}, false},
      {{L"bomb.avif", WithStoredSize(GoodAvif(), 20000, 20000)}, false},
      {{L"small.jpg", GoodJpeg()}, true},  // asks for ten billion pixels
  };
  const TempFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.file.name)));
    const uint64_t bytesBefore = CommittedPrivateBytes();
    const Clock::time_point start = Clock::now();
    const PreparedPhoto photo = Prepare(folder, c.file, c.inHugeBox ? hugeBox : ConvertSettings());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_LT(CommittedPrivateBytes(), bytesBefore + 64 * 1024 * 1024);
    EXPECT_EQ(PhotoFailure::TooLarge, photo.failure);
  }
}

TEST(BadPhotos, MegabytesOfFillBytesBeforeAMarkerCostMilliseconds) {
  const std::string& jpeg = GoodJpeg();
  const Case filled{L"filled.jpg", jpeg.substr(0, 2) + std::string(8 << 20, '\xFF') + jpeg.substr(2)};
  const TempFolder folder;
  const Clock::time_point start = Clock::now();
  const PreparedPhoto photo = Prepare(folder, filled, ConvertSettings());
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
  EXPECT_TRUE(photo.picture) << testing::PrintToString(photo.detail);
}

TEST(BadPhotos, ARunOfBadAndGoodFilesLeaksNoHandlesOrMemory) {
  const TempFolder folder;
  const Case files[] = {
      {L"good.jpg", GoodJpeg()},
      {L"good.png", GoodPng()},
      {L"truncated.jpg", GoodJpeg().substr(0, GoodJpeg().size() / 2)},
      {L"text.png", "not a picture"},
      {L"bomb.jpg", WithFrameSize(GoodJpeg(), 30000, 30000)},
  };
  std::vector<PhotoItem> items;
  for (const Case& file : files) {
    items.emplace_back().path = folder.File(file.name);
    ASSERT_TRUE(WriteFileBytes(items.back().path, file.bytes));
  }
  ConvertSettings settings;
  settings.ResizeRadioIndex = SizeChoice::Box320x240;  // 320 x 240
  const auto prepareAll = [&] {
    for (const PhotoItem& item : items) PreparePhoto(item, settings);
  };
  for (int i = 0; i < 5; ++i) prepareAll();  // let libvips and the platform set up what they keep
  const int handlesBefore = OpenHandles();
  const uint64_t bytesBefore = CommittedPrivateBytes();
  for (int i = 0; i < 40; ++i) prepareAll();  // 200 photos
  EXPECT_LE(OpenHandles(), handlesBefore + 4);
  // A leaked 320 x 240 picture per photo would add some 45 MB.
  EXPECT_LT(CommittedPrivateBytes(), bytesBefore + 4 * 1024 * 1024);
}

// Files made from one clean photo, each converted by the batch (as the window and the command
// line run it) and read for the strip and the preview: a decoder's warning that leaves the
// picture whole is written as the clean photo is, named once in the log; damage is refused
// with its reason everywhere, and nothing is written.
TEST(BadPhotos, AWarningOfTheDecoderIsWrittenWholeAndDamageIsRefusedEverywhere) {
  const VipsImagePtr varied = VariedPicture(320, 240);
  const std::string clean = JpegOf(varied.get());
  const std::string progressive = JpegWith(varied.get(), "interlace", TRUE);
  const std::string damagedScan = WithGarbageInTheScan(clean);
  CameraExif brokenThumbnail;
  brokenThumbnail.orientation = 1;
  brokenThumbnail.thumbnailJpeg = clean.substr(0, 200) + std::string(300, '\x5A');
  const std::string oddJfif("\xFF\xE0\x00\x10JFIF\x00\x09\x01\x00\x00\x01\x00\x01\x00\x00", 18);
  const std::string unknownApp("\xFF\xE9\x00\x08" "GLIM" "\x01\x02", 10);
  enum Side { Written, Refused };
  const struct {
    Case file;
    bool fromProgressive;
    Side side;
    const char* words;  // in the photo's log line: its warning, or why it was refused; none: no words
  } rows[] = {
      {{L"1 byte before DQT.jpg", WithStrayBytes(clean, 0xDB, 1)}, false, Written, "1 extraneous bytes before marker 0xdb"},
      {{L"18 bytes before DHT.jpg", WithStrayBytes(clean, 0xC4, 18)}, false, Written, "18 extraneous bytes before marker 0xc4"},
      {{L"64 KB before SOF.jpg", WithStrayBytes(clean, 0xC0, 65536)}, false, Written, "65536 extraneous bytes"},
      {{L"18 bytes before SOS.jpg", WithStrayBytes(clean, 0xDA, 18)}, false, Written, "extraneous bytes before marker 0xda"},
      {{L"18 bytes before EOI.jpg", WithStrayBytes(clean, 0xD9, 18, true)}, false, Written, nullptr},
      {{L"progressive, before a later scan.jpg", WithStrayBytes(progressive, 0xDA, 18, true)}, true, Written,
       "extraneous bytes before marker 0xda"},
      {{L"progressive, before EOI.jpg", WithStrayBytes(progressive, 0xD9, 18, true)}, true, Written,
       "extraneous bytes before marker 0xd9"},
      {{L"odd JFIF.jpg", InsertAfterSoi(clean, oddJfif)}, false, Written, "unknown JFIF revision number 9.01"},
      {{L"unknown APP9.jpg", InsertAfterSoi(clean, unknownApp)}, false, Written, nullptr},
      {{L"broken EXIF thumbnail.jpg", InsertAfterSoi(clean, CameraExifSegment(brokenThumbnail))}, false, Written, nullptr},
      {{L"cut at 10 %.jpg", clean.substr(0, clean.size() / 10)}, false, Refused, "premature end of JPEG image"},
      {{L"cut at 60 %.jpg", clean.substr(0, clean.size() * 6 / 10)}, false, Refused, "premature end of JPEG image"},
      {{L"cut at 99 %.jpg", clean.substr(0, clean.size() * 99 / 100)}, false, Refused, "premature end of JPEG image"},
      {{L"progressive, cut at 60 %.jpg", progressive.substr(0, progressive.size() * 6 / 10)}, true, Refused,
       "premature end of JPEG image"},
      {{L"scan overwritten.jpg", damagedScan}, false, Refused, "Corrupt JPEG data"},
      {{L"stray bytes, then a damaged scan.jpg", WithStrayBytes(damagedScan, 0xDB, 18)}, false, Refused, "件の警告"},
  };
  const TempFolder folder;
  std::vector<PhotoItem> photos(2);
  photos[0].path = folder.File(L"clean.jpg");
  photos[1].path = folder.File(L"clean progressive.jpg");
  ASSERT_TRUE(WriteFileBytes(photos[0].path, clean));
  ASSERT_TRUE(WriteFileBytes(photos[1].path, progressive));
  for (const auto& row : rows) {
    photos.emplace_back().path = folder.File(row.file.name);
    ASSERT_TRUE(WriteFileBytes(photos.back().path, row.file.bytes));
  }
  const ConvertSettings settings = KeepSize();
  LogFile log;
  log.logPath = folder.File(L"log.txt");
  ConvertBatch_CL batch(photos, settings, log);
  const std::atomic<int> cancel{0};
  batch.Run({}, cancel, 2);
  const std::string logBytes = ReadFileBytes(log.logPath);
  const std::wstring logText(reinterpret_cast<const wchar_t*>(logBytes.data()), logBytes.size() / sizeof(wchar_t));
  const auto outputOf = [&](size_t index) {
    VipsImagePtr lazy(vips_image_new_from_file(Utf8Path(batch.Results()[index].output).c_str(), nullptr));
    return lazy ? VipsImagePtr(vips_image_copy_memory(lazy.get())) : VipsImagePtr();
  };
  const VipsImagePtr cleanOutputs[] = {outputOf(0), outputOf(1)};
  ASSERT_TRUE(cleanOutputs[0] && cleanOutputs[1]);
  for (size_t i = 0; i < std::size(rows); ++i) {
    const auto& row = rows[i];
    const std::wstring& path = photos[i + 2].path;
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.file.name)));
    const PhotoResult& result = batch.Results()[i + 2];
    const bool written = row.side == Written;
    EXPECT_EQ(written ? PhotoFailure::None : PhotoFailure::Unreadable, result.failure) << testing::PrintToString(result.detail);
    EXPECT_EQ(written, FileExists(result.output));
    EXPECT_EQ(written, static_cast<bool>(ThumbnailPhoto(path, 0, 192, 144).picture));
    EXPECT_EQ(written, ScalePhoto(path, 0, settings).failure == PhotoFailure::None);
    size_t lines = 0;
    for (size_t at = logText.find(path); at != std::wstring::npos; at = logText.find(path, at + 1)) ++lines;
    EXPECT_EQ(row.words != nullptr ? 1u : 0u, lines) << "the photo named once, and only when there is something to say";
    if (row.words != nullptr) {
      const std::string& words = row.words;
      const std::wstring wide = Utf16Text(words.c_str());
      EXPECT_NE(logText.find(path + L" : " + (written ? L"" : std::wstring(FailureText(result.failure)) + L" ")),
                std::wstring::npos);
      EXPECT_NE(logText.find(wide, logText.find(path)), std::wstring::npos) << words;
    }
    if (!written) continue;
    const VipsImagePtr output = outputOf(i + 2);
    ASSERT_TRUE(output);
    VipsImage* const reference = cleanOutputs[row.fromProgressive ? 1 : 0].get();
    EXPECT_EQ(vips_image_get_width(reference), vips_image_get_width(output.get()));
    EXPECT_EQ(vips_image_get_height(reference), vips_image_get_height(output.get()));
    EXPECT_GE(Ssim(output.get(), reference), 0.99);
  }
}
