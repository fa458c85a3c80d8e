// Conversion throughput: 24 photos of 8 to 12 MP (bench::LookOf) converted through the batch the conversion
// job runs, at the default settings (fitted into 800 x 600, JPEG quality 80, written to
// "Resized" beside the photos). Reports photos per second and the peak working set.
//
//   bench_ConvertPhotos.exe make FOLDER   writes the photos into FOLDER (those missing only)
//   bench_ConvertPhotos.exe FOLDER        converts them one at a time
//   bench_ConvertPhotos.exe batch FOLDER  converts them on every core, as a click on "変換開始" does
//
// tools/bench-convert runs both and sets the result beside ImageMagick and libvips.
#include <windows.h>
#include <objbase.h>
#include <psapi.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/BenchPhotos.h"
#include "base/GpOwned.h"
#include "engine/VipsOwned.h"
#include "engine/ConvertBatch.h"
#include "engine/PhotoEncoder.h"
#include "engine/PhotoResize.h"
#include "engine/VipsSession.h"
#include "engine/OutputNaming.h"
#include "engine/SaveData.h"

namespace {

// The settings of every conversion here: the defaults, nothing is read from an INI file.
const SaveData_CL kDefaults;

using bench::Clock;
using bench::MillisecondsSince;

constexpr int kPhotos = 24;
constexpr int kFittedWidth = 800;
constexpr int kFittedHeight = 600;

std::vector<std::wstring> PhotoPaths(const std::wstring& folder) {
  std::vector<std::wstring> paths;
  for (int i = 1; i <= kPhotos; ++i) {
    wchar_t name[32] = {};
    std::swprintf(name, 32, L"\\photo_%02d.jpg", i);
    paths.push_back(folder + name);
  }
  return paths;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The photos are written once and kept between runs, each a picture of its own.
int MakePhotos(const std::wstring& folder) {
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::vector<std::wstring> photos = PhotoPaths(folder);
  int made = 0;
  double pixels = 0;
  for (int i = 0; i < kPhotos; ++i) {
    const bench::PhotoLook look = bench::LookOf(i);
    pixels += static_cast<double>(look.width) * look.height;
    if (bench::IsPhotoOf(photos[i], look)) continue;
    if (!bench::WritePhoto(photos[i], look)) {
      std::printf("convert: could not write %ls\n", photos[i].c_str());
      return 1;
    }
    ++made;
  }
  std::printf("convert: %d photos of 8 to 12 MP (%.1f MP on average) in the photo folder (%d written now)\n", kPhotos,
              pixels / kPhotos / 1e6, made);
  return 0;
}

std::wstring OutputOf(const std::wstring& photo) {
  const OutputType type = MapOutputType(photo, kDefaults);
  return OutputPath(OutputFolder(photo, kDefaults), OutputBaseName(photo, kDefaults), type.extension);
}

// Fitted into 800 x 600 and touching it: an upright photo comes out 450 x 600.
bool IsFittedJpeg(const std::wstring& path) {
  VipsImage* image = vips_image_new_from_file(Utf8Path(path).c_str(), nullptr);
  if (image == nullptr) return false;
  const VipsImagePtr owned(image);
  const int width = vips_image_get_width(image);
  const int height = vips_image_get_height(image);
  return width <= kFittedWidth && height <= kFittedHeight && (width == kFittedWidth || height == kFittedHeight);
}

double PeakWorkingSetMegabytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

int ConvertPhotos(const std::wstring& folder, int workers) {
  const std::vector<std::wstring> photos = PhotoPaths(folder);
  std::vector<PhotoItem> items;
  for (const std::wstring& photo : photos) {
    if (!Exists(photo)) {
      std::printf("convert: %ls is missing (run with \"make\" first)\n", photo.c_str());
      return 1;
    }
    DeleteFileW(OutputOf(photo).c_str());  // so that only this run's files are counted
    PhotoItem item;
    item.path = photo;
    items.push_back(item);
  }

  ConvertBatch_CL batch(items, kDefaults, theLog);
  const std::atomic<int> noCancel{0};
  const Clock::time_point start = Clock::now();
  batch.Run({}, noCancel, workers);
  const double total = MillisecondsSince(start);
  const double peak = PeakWorkingSetMegabytes();

  int fitted = 0;
  for (const std::wstring& photo : photos)
    if (IsFittedJpeg(OutputOf(photo))) ++fitted;

  std::printf("convert: ours %d photos on %d thread(s) -> %d files fitted into %dx%d in %.0f ms = %.2f photos/s\n",
              kPhotos, workers, fitted, kFittedWidth, kFittedHeight, total, kPhotos * 1000.0 / total);
  std::printf("convert: peak working set %.1f MB (GetProcessMemoryInfo)\n", peak);
  std::printf("convert: ours-ms-per-photo %.3f threads %d\n", total / kPhotos, workers);
  return fitted == kPhotos ? 0 : 1;
}

// The time one 800 x 600 JPEG takes to encode at the default settings (mozjpeg's trellis
// quantisation and optimised tables), beside libjpeg's plain encoding at the same quality.
int TimeJpegEncoding(const std::wstring& folder) {
  constexpr int kRounds = 20;
  PhotoItem item;
  item.path = PhotoPaths(folder).front();
  const PreparedPhoto prepared = PreparePhoto(item, kDefaults);
  if (!prepared.picture) return 1;
  VipsImage* const picture = prepared.picture.get();
  size_t oursBytes = 0;
  Clock::time_point start = Clock::now();
  for (int i = 0; i < kRounds; ++i) {
    VipsBytes encoded;
    if (FAILED(EncodePhoto(picture, OutputFormat::Jpeg, kDefaults, encoded))) return 1;
    oursBytes = encoded.size;
  }
  const double ours = MillisecondsSince(start) / kRounds;
  size_t plainBytes = 0;
  start = Clock::now();
  for (int i = 0; i < kRounds; ++i) {
    void* data = nullptr;
    if (vips_jpegsave_buffer(picture, &data, &plainBytes, "Q", kDefaults.JpegQuantization, "keep",
                             VIPS_FOREIGN_KEEP_NONE, nullptr) != 0)
      return 1;
    g_free(data);
  }
  const double plain = MillisecondsSince(start) / kRounds;
  std::printf("convert: jpeg encode of %dx%d at quality %d: ours %.1f ms (%zu bytes), plain libjpeg %.1f ms (%zu bytes)\n",
              vips_image_get_width(picture), vips_image_get_height(picture), kDefaults.JpegQuantization, ours,
              oursBytes, plain, plainBytes);
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** const argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return 2;
  const bool make = argc == 3 && std::wcscmp(argv[1], L"make") == 0;
  const bool inBatch = argc == 3 && std::wcscmp(argv[1], L"batch") == 0;
  if (argc != 2 && !make && !inBatch) {
    std::printf("usage: bench_ConvertPhotos [make|batch] FOLDER\n");
    LocalFree(argv);
    return 2;
  }
  const int exitCode = bench::WithSessions([&] {
    if (make) return MakePhotos(argv[2]);
    const int converted = ConvertPhotos(argv[argc - 1], inBatch ? ConvertBatch_CL::DefaultWorkers() : 1);
    return converted == 0 && !inBatch ? TimeJpegEncoding(argv[1]) : converted;
  });
  LocalFree(argv);
  return exitCode;
}
