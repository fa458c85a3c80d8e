// What the shrinker's options do to the written files: the file dates, the location taken
// out of the shooting data (read back by a real EXIF reader, exiftool), and the sharpening
// of downscaled photos.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/AvifColour.h"
#include "engine/ConvertBatch.h"
#include "engine/HeifPhoto.h"
#include "engine/PhotoResize.h"
#include "engine/VipsSession.h"
#include "tests/engine/PipelinePhotos.h"
#include "tests/support/ExifWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"

namespace {

constexpr wchar_t kPerl[] = L"Z:\\usr\\bin\\perl";
constexpr wchar_t kExiftool[] = L"Z:\\usr\\bin\\exiftool";
constexpr char kExiftoolMissing[] = "exiftool is not installed (Debian's libimage-exiftool-perl; make test installs it)";
constexpr wchar_t kShell[] = L"Z:\\bin\\sh";
constexpr wchar_t kHeifInfo[] = L"Z:\\usr\\bin\\heif-info";
constexpr wchar_t kHeifConvert[] = L"Z:\\usr\\bin\\heif-convert";
constexpr char kHeifToolsMissing[] = "heif-info is not installed (Debian's libheif-examples; make test installs it)";

// An XMP packet that carries the position as well, as photo editors write it.
constexpr const char* kXmpWithGps =
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
    "<rdf:Description xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:GPSLatitude=\"35,39.516N\" "
    "exif:GPSLongitude=\"139,44.716E\"/></rdf:RDF></x:xmpmeta>";

// 2001-02-03 04:05:06 UTC: a modification time no file written today can have by chance.
FILETIME OldTime() {
  const SYSTEMTIME utc{2001, 2, 6, 3, 4, 5, 6, 0};
  FILETIME time{};
  SystemTimeToFileTime(&utc, &time);
  return time;
}

bool SetModificationTime(const std::wstring& path, const FILETIME& time) {
  const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool set = SetFileTime(file, nullptr, nullptr, &time) != FALSE;
  CloseHandle(file);
  return set;
}

uint64_t ModificationTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32 | data.ftLastWriteTime.dwLowDateTime;
}

uint64_t Ticks(const FILETIME& time) { return uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime; }

// The modification time of `path` as local time "YYYY-MM-DD hh:mm:ss".
std::string LocalModificationText(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
      !FileTimeToSystemTime(&data.ftLastWriteTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
    return {};
  char text[32] = {};
  std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", local.wYear, local.wMonth, local.wDay,
                local.wHour, local.wMinute, local.wSecond);
  return text;
}

// The Unix path of a Windows path, as Wine maps it.
std::string UnixPath(const std::wstring& path) {
  using ToUnix = char* (*)(const wchar_t*);
  const FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name");
  if (found == nullptr) return {};
  ToUnix toUnix = nullptr;
  static_assert(sizeof(toUnix) == sizeof(found));
  std::memcpy(&toUnix, &found, sizeof(toUnix));
  if (toUnix == nullptr) return {};
  char* const unix = toUnix(path.c_str());
  if (unix == nullptr) return {};
  std::string text = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return text;
}

// Runs the Unix program of `commandLine` and returns the file `report` it writes, once its
// size holds still. Wine starts a Unix program without a process handle to wait on or the
// pipes of this one, so every program here writes what it has to say into a file.
std::string UnixProgramReport(std::wstring commandLine, const std::wstring& report) {
  DeleteFileW(report.c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return {};
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
  std::string text;
  for (int waited = 0; waited < 300; ++waited) {
    Sleep(100);
    const std::string now = ReadFileBytes(report);
    if (!now.empty() && now == text) return text;
    text = now;
  }
  return text;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// What exiftool reads in the file at `path`: one "[group] Tag : value" line per tag, written
// beside the file ("name.exif").
std::string Exiftool(const std::wstring& path) {
  const std::wstring report = path.substr(0, path.rfind(L'.')) + L".exif";
  return UnixProgramReport(std::wstring(kPerl) + L" /usr/bin/exiftool -q -a -s -G1 -w! %d%f.exif " +
                               Wide(UnixPath(path)),
                           report);
}

// What libheif's heif-info says about the file at `path` (its report beside it, "name.info").
std::string HeifInfo(const std::wstring& path) {
  const std::wstring report = path + L".info";
  return UnixProgramReport(std::wstring(kShell) + L" -c \"/usr/bin/heif-info '" + Wide(UnixPath(path)) + L"' > '" +
                               Wide(UnixPath(report)) + L"'\"",
                           report);
}

// The picture of the HEIF or AVIF file at `path` as libheif's heif-convert decodes it.
VipsImagePtr HeifConverted(const std::wstring& path) {
  const std::wstring png = path + L".png";
  const std::string bytes = UnixProgramReport(
      std::wstring(kHeifConvert) + L" \"" + Wide(UnixPath(path)) + L"\" \"" + Wide(UnixPath(png)) + L"\"", png);
  VipsImagePtr lazy(vips_image_new_from_buffer(bytes.data(), bytes.size(), "", nullptr));
  return VipsImagePtr(lazy ? vips_image_copy_memory(lazy.get()) : nullptr);
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The photos of the tests: one from a camera (EXIF with date taken and GPS, XMP with the
// position too) and one without any metadata, both last changed long ago.
class OutputOptions : public testing::Test {
protected:
  void SetUp() override {
    GpBitmapPtr pixels = MakeBitmap(96, 64, 0xFF336699);
    PaintRect(pixels.get(), 8, 8, 30, 20, 0xFFE0C020);
    CameraExif exif;
    exif.orientation = 1;
    camera = folder.File(L"camera.jpg");
    plain = folder.File(L"plain.jpg");
    ASSERT_TRUE(WriteFileBytes(camera, InsertAfterSoi(JpegBytes(pixels.get()),
                                                      CameraExifSegment(exif) + XmpSegment(kXmpWithGps))));
    ASSERT_TRUE(WriteFileBytes(plain, JpegBytes(pixels.get())));
    ASSERT_TRUE(SetModificationTime(camera, OldTime()));
    ASSERT_TRUE(SetModificationTime(plain, OldTime()));
  }

  // Converts both photos with `settings` into the folder `out`; the outputs, camera's first.
  // Converts `photos` (camera's and plain's when none) with `settings` into the folder `out`;
  // the outputs, in the photos' order.
  std::vector<std::wstring> Convert(ConvertSettings settings, const std::wstring& out, int type = 1,
                                    std::vector<std::wstring> photos = {}) {
    settings.MakeFolder = out;
    settings.OutputImageType = static_cast<OutputTypeChoice>(type);
    settings.ResizeRadioIndex = SizeChoice::Keep;
    if (photos.empty()) photos = {camera, plain};
    std::vector<PhotoItem> items;
    for (const std::wstring& photo : photos) items.push_back(PhotoItem{photo, 0, 0, {}, {}});
    ConvertBatch_CL batch(items, settings, theLog);
    const std::atomic<int> noCancel{0};
    batch.Run({}, noCancel, 1);
    std::vector<std::wstring> outputs;
    for (const PhotoResult& result : batch.Results()) {
      EXPECT_EQ(result.failure, PhotoFailure::None) << testing::PrintToString(result.detail);
      outputs.push_back(result.output);
    }
    return outputs;
  }

  TempFolder folder;
  std::wstring camera;
  std::wstring plain;
};

// --- AVIF ------------------------------------------------------------------------------------

// The 24 patches of a colour checker (sRGB), six to a row, each `side` pixels square.
VipsImagePtr ColourChart(int side) {
  static constexpr Colour kPatches[] = {
      {115, 82, 68},   {194, 150, 130}, {98, 122, 157},  {87, 108, 67},  {133, 128, 177}, {103, 189, 170},
      {214, 126, 44},  {80, 91, 166},   {193, 90, 99},   {94, 60, 108},  {157, 188, 64},  {224, 163, 46},
      {56, 61, 150},   {70, 148, 73},   {175, 54, 60},   {231, 199, 31}, {187, 86, 149},  {8, 133, 161},
      {243, 243, 242}, {200, 200, 200}, {160, 160, 160}, {122, 122, 121}, {85, 85, 85},   {52, 52, 52}};
  return PictureOf(6 * side, 4 * side, [side](int x, int y) { return kPatches[y / side * 6 + x / side]; });
}

// The mean colour difference (CIEDE2000) of two pictures of one size; -1 when it cannot be had.
double MeanDeltaE(VipsImage* a, VipsImage* b) {
  VipsImagePtr labA, labB, difference;
  double mean = -1;
  if (vips_colourspace(a, labA.receive(), VIPS_INTERPRETATION_LAB, nullptr) != 0 ||
      vips_colourspace(b, labB.receive(), VIPS_INTERPRETATION_LAB, nullptr) != 0 ||
      vips_dE00(labA.get(), labB.get(), difference.receive(), nullptr) != 0 ||
      vips_avg(difference.get(), &mean, nullptr) != 0)
    return -1;
  return mean;
}

uint64_t FileBytes(const std::wstring& path) { return ReadFileBytes(path).size(); }

// The nclx tag of the HEIF or AVIF file at `path` as libheif reads it from the boxes (no
// decoding): "primaries/transfer/matrix/full range", or "none".
std::string NclxOf(const std::wstring& path) {
  const std::string bytes = ReadFileBytes(path);
  const HeifContextPtr context(heif_context_alloc());
  HeifHandlePtr primary;
  heif_color_profile_nclx* nclx = nullptr;
  if (heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr).code != 0 ||
      heif_context_get_primary_image_handle(context.get(), primary.receive()).code != 0 ||
      heif_image_handle_get_color_profile_type(primary.get()) != heif_color_profile_type_nclx ||
      heif_image_handle_get_nclx_color_profile(primary.get(), &nclx).code != 0)
    return "none";
  const std::string text = std::to_string(nclx->color_primaries) + "/" + std::to_string(nclx->transfer_characteristics) +
                           "/" + std::to_string(nclx->matrix_coefficients) + "/" + std::to_string(nclx->full_range_flag);
  heif_nclx_color_profile_free(nclx);
  return text;
}

// --- sharpening ------------------------------------------------------------------------------

// The sum of absolute differences between neighbours, over every band: the picture's
// high-frequency energy.
double EdgeEnergy(VipsImage* picture) {
  size_t size = 0;
  const GMemory memory(vips_image_write_to_memory(picture, &size));
  const auto* p = static_cast<const unsigned char*>(memory.get());
  const int width = picture->Xsize;
  const int height = picture->Ysize;
  const int bands = picture->Bands;
  double energy = 0;
  for (int y = 0; y + 1 < height; ++y)
    for (int x = 0; x + 1 < width; ++x)
      for (int b = 0; b < bands; ++b) {
        const int here = p[(y * width + x) * bands + b];
        energy += std::abs(here - p[(y * width + x + 1) * bands + b]) + std::abs(here - p[((y + 1) * width + x) * bands + b]);
      }
  return energy;
}

// The largest difference of any band of any pixel; -1 when the sizes differ.
double MaxDifference(VipsImage* a, VipsImage* b) {
  if (a->Xsize != b->Xsize || a->Ysize != b->Ysize || a->Bands != b->Bands) return -1;
  VipsImagePtr difference;
  VipsImagePtr magnitude;
  double most = -1;
  if (vips_subtract(a, b, difference.receive(), nullptr) != 0 ||
      vips_abs(difference.get(), magnitude.receive(), nullptr) != 0 || vips_max(magnitude.get(), &most, nullptr) != 0)
    return -1;
  return most;
}

VipsImagePtr Prepared(const std::wstring& path, ConvertSettings settings, bool sharpen) {
  settings.Sharpen = sharpen ? 1 : 0;
  PreparedPhoto prepared = PreparePhoto(PhotoItem{path, 0, 0, {}, {}}, settings);
  EXPECT_EQ(prepared.failure, PhotoFailure::None) << testing::PrintToString(prepared.detail);
  return std::move(prepared.picture);
}

std::wstring WritePng(const TempFolder& folder, const wchar_t* name, VipsImage* picture) {
  const std::wstring path = folder.File(name);
  EXPECT_TRUE(WriteFileBytes(path, PngOf(picture)));
  return path;
}

}  // namespace

TEST_F(OutputOptions, OutputsTakeThePhotosTimeOrTheDateTakenOrTheTimeOfWriting) {
  ConvertSettings settings;  // KeepFileTime 1 by default
  std::vector<std::wstring> out = Convert(settings, L"kept");
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(ModificationTime(out[0]), Ticks(OldTime()));
  EXPECT_EQ(ModificationTime(out[1]), Ticks(OldTime()));

  settings.FileTimeFromExif = true;
  out = Convert(settings, L"taken", 2);  // PNG: the date comes from the photo, not the output
  EXPECT_EQ(LocalModificationText(out[0]), "2023-10-14 16:42:05") << "the date taken, as local time";
  EXPECT_EQ(ModificationTime(out[1]), Ticks(OldTime())) << "no date taken: the photo's own time";

  settings.KeepFileTime = false;
  FILETIME before{};
  GetSystemTimeAsFileTime(&before);
  out = Convert(settings, L"new");
  constexpr uint64_t kTwoSeconds = 2 * 10'000'000ull;  // file systems keep times coarser than FILETIME
  EXPECT_GE(ModificationTime(out[0]) + kTwoSeconds, Ticks(before));
  EXPECT_GE(ModificationTime(out[1]) + kTwoSeconds, Ticks(before));
}

TEST_F(OutputOptions, RemovingTheLocationLeavesNoGpsTagForAnExifReaderAndKeepsTheRest) {
  if (GetFileAttributesW(kExiftool) == INVALID_FILE_ATTRIBUTES || GetFileAttributesW(kPerl) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << kExiftoolMissing;
  ConvertSettings settings;
  const std::wstring keptPath = Convert(settings, L"with-gps")[0];
  const std::string kept = Exiftool(keptPath);
  ASSERT_TRUE(Has(kept, "[GPS]")) << "the reader sees the position when it is kept:\n" << kept;
  EXPECT_TRUE(Has(kept, "GPSLatitude")) << kept;

  settings.RemoveGps = true;
  const struct {
    const wchar_t* folder;
    int type;
  } writings[] = {{L"jpeg", 1}, {L"png", 2}, {L"webp", 4}, {L"avif", 5}};
  for (const auto& writing : writings) {
    const std::string read = Exiftool(Convert(settings, writing.folder, writing.type)[0]);
    SCOPED_TRACE(testing::Message() << "type " << writing.type << ":\n" << read);
    EXPECT_FALSE(Has(read, "[GPS]"));
    EXPECT_FALSE(Has(read, "GPSLatitude")) << "neither in EXIF nor in an XMP copy";
    EXPECT_FALSE(Has(read, "GPSLongitude"));
    EXPECT_TRUE(Has(read, "DateTimeOriginal                : 2023:10:14 16:42:05"));
    EXPECT_TRUE(Has(read, "Make                            : Glimmer Optics"));
    EXPECT_TRUE(Has(read, "ExposureTime                    : 1/250"));
  }
}

// Read back by libheif, outside libvips: upright, tagged sRGB (the nclx tag, or the photo's sRGB
// profile when it is kept), its EXIF as the options say, smaller than the JPEG and of its colours.
TEST_F(OutputOptions, AvifIsUprightTaggedSrgbAndLooksLikeTheJpegToLibheif) {
  if (GetFileAttributesW(kHeifInfo) == INVALID_FILE_ATTRIBUTES || GetFileAttributesW(kHeifConvert) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << kHeifToolsMissing;
  // A colour chart taken turned a quarter (EXIF orientation 6, with the position), and the
  // same upright with an sRGB profile.
  const std::string chart = JpegOf(ColourChart(32).get());
  const std::wstring turned = folder.File(L"turned.jpg");
  const std::wstring profiled = folder.File(L"profiled.jpg");
  ASSERT_TRUE(WriteFileBytes(turned, InsertAfterSoi(chart, CameraExifSegment(CameraExif{}))));
  ASSERT_TRUE(WriteFileBytes(profiled, InsertAfterSoi(chart, IccProfileSegment(WindowsSrgbProfile()))));
  ConvertSettings settings;  // EXIF kept, quality 80
  const std::vector<std::wstring> avif = Convert(settings, L"avif", kAllAvif, {turned, profiled});
  const std::vector<std::wstring> jpeg = Convert(settings, L"jpeg", kAllJpeg, {turned, profiled});
  settings.KeepMetadata = false;
  const std::vector<std::wstring> stripped = Convert(settings, L"stripped", kAllAvif, {turned});
  ASSERT_EQ(avif.size() + jpeg.size() + stripped.size(), 5u);

  const std::string srgb = std::to_string(kSrgbColourPrimaries) + "/" + std::to_string(kSrgbTransfer) + "/" +
                           std::to_string(kSrgbMatrix) + "/1";
  ASSERT_EQ(srgb, "1/13/6/1");
  const struct {
    std::wstring avif, jpeg;
    const char *size, *colour;
    std::string nclx;
    bool exif;
  } cases[] = {{avif[0], jpeg[0], "image: 128x192", "color profile: nclx", srgb, true},
               {avif[1], jpeg[1], "image: 192x128", "color profile: rICC", "none", false},
               {stripped[0], jpeg[0], "image: 128x192", "color profile: nclx", srgb, false}};
  for (const auto& c : cases) {
    const std::string info = HeifInfo(c.avif);
    SCOPED_TRACE(testing::PrintToString(c.avif) + "\n" + info);
    EXPECT_TRUE(Has(info, c.size)) << "upright, as the JPEG";
    EXPECT_TRUE(Has(info, c.colour));
    EXPECT_EQ(NclxOf(c.avif), c.nclx);
    EXPECT_EQ(Has(info, "Exif"), c.exif);
    EXPECT_LT(FileBytes(c.avif), FileBytes(c.jpeg));
    const VipsImagePtr read = HeifConverted(c.avif);
    const VipsImagePtr fromJpeg(vips_image_new_from_file(Utf8Path(c.jpeg).c_str(), nullptr));
    ASSERT_TRUE(read && fromJpeg);
    const double deltaE = MeanDeltaE(read.get(), fromJpeg.get());
    EXPECT_GE(deltaE, 0);
    EXPECT_LT(deltaE, 2.0) << "mean CIEDE2000 against the JPEG";
  }
  // The kept EXIF says upright and keeps the position, as an EXIF reader sees it.
  if (GetFileAttributesW(kExiftool) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << kExiftoolMissing;
  const std::string exif = Exiftool(avif[0]);
  EXPECT_TRUE(Has(exif, "Orientation                     : Horizontal (normal)")) << exif;
  EXPECT_TRUE(Has(exif, "GPSLatitude                     : 35 deg 39' 31.00\"")) << exif;
}

TEST(Sharpen, DownscaledDetailGetsCrisperWhileSmoothAreasAndUnshrunkPhotosStayAsTheyWere) {
  const TempFolder folder;
  const auto detail = [](int x, int y) {
    const int v = static_cast<int>(128 + 90 * std::sin(x * 0.7) * std::sin(y * 0.55));
    return Colour{v, v * 7 / 8 + 16, v * 3 / 4 + 30};
  };
  const VipsImagePtr large = PictureOf(1600, 1200, detail);
  const VipsImagePtr small = PictureOf(400, 300, detail);
  const VipsImagePtr flat = PictureOf(1600, 1200, [](int, int) { return Colour{128, 128, 128}; });
  const VipsImagePtr gradient = PictureOf(1600, 1200, [](int x, int y) {
    return Colour{x * 255 / 1599, y * 255 / 1199, 200 - x * 100 / 1599};
  });
  const std::wstring largePath = WritePng(folder, L"large.png", large.get());
  const std::wstring smallPath = WritePng(folder, L"small.png", small.get());
  const std::wstring flatPath = WritePng(folder, L"flat.png", flat.get());
  const std::wstring gradientPath = WritePng(folder, L"gradient.png", gradient.get());
  ConvertSettings into800x600;
  into800x600.ResizeRadioIndex = SizeChoice::Box800x600;

  const VipsImagePtr soft = Prepared(largePath, into800x600, false);
  const VipsImagePtr crisp = Prepared(largePath, into800x600, true);
  ASSERT_TRUE(soft && crisp);
  EXPECT_GT(EdgeEnergy(crisp.get()), 1.05 * EdgeEnergy(soft.get())) << "fine detail gains contrast";
  EXPECT_LE(MaxDifference(Prepared(flatPath, into800x600, true).get(), Prepared(flatPath, into800x600, false).get()), 1);
  EXPECT_LE(MaxDifference(Prepared(gradientPath, into800x600, true).get(),
                          Prepared(gradientPath, into800x600, false).get()),
            1);

  EXPECT_EQ(MaxDifference(Prepared(smallPath, into800x600, true).get(), Prepared(smallPath, into800x600, false).get()),
            0)
      << "an enlarged photo is never sharpened";
  ConvertSettings keepSize;
  keepSize.ResizeRadioIndex = SizeChoice::Keep;
  EXPECT_EQ(MaxDifference(Prepared(largePath, keepSize, true).get(), Prepared(largePath, keepSize, false).get()), 0)
      << "nor one kept at its size";
  ConvertSettings percent;
  percent.ResizeRadioIndex = SizeChoice::Percent;
  percent.ScalePercent = 50;
  EXPECT_GT(EdgeEnergy(Prepared(largePath, percent, true).get()), EdgeEnergy(soft.get()))
      << "a photo scaled down by percent is downscaled too";
}
