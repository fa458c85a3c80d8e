// HEIC throughput: every .heic file of a folder converted through the batch the conversion
// job runs, on one worker, at the default settings (fitted into 800 x 600, JPEG quality 80,
// written to "Resized" beside the photos).
//
//   bench_ConvertHeic.exe FOLDER
//
// tools/bench-heic makes the folder and sets the result beside Debian's vipsthumbnail.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchPhotos.h"
#include "base/GpOwned.h"
#include "engine/ConvertBatch.h"
#include "engine/OutputNaming.h"
#include "engine/SaveData.h"
#include "engine/VipsOwned.h"
#include "engine/VipsSession.h"

namespace {

using bench::Clock;
using bench::MillisecondsSince;

std::vector<std::wstring> HeicFiles(const std::wstring& folder) {
  std::vector<std::wstring> paths;
  WIN32_FIND_DATAW entry{};
  const HANDLE search = FindFirstFileW((folder + L"\\*.heic").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return paths;
  do {
    paths.push_back(folder + L"\\" + entry.cFileName);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return paths;
}

std::wstring OutputOf(const std::wstring& photo, const SaveData_CL& settings) {
  const OutputType type = MapOutputType(photo, settings);
  return OutputPath(OutputFolder(photo, settings), OutputBaseName(photo, settings), type.extension);
}

struct Size {
  int width = 0;
  int height = 0;
};

Size SizeOf(const std::wstring& path) {
  const VipsImagePtr image(vips_image_new_from_file(Utf8Path(path).c_str(), nullptr));
  if (!image) return {};
  return {vips_image_get_width(image.get()), vips_image_get_height(image.get())};
}

int ConvertHeic(const std::wstring& folder) {
  const SaveData_CL settings;  // the defaults: nothing is read from an INI file here
  const std::vector<std::wstring> photos = HeicFiles(folder);
  if (photos.empty()) {
    std::printf("heic: no .heic file in %ls\n", folder.c_str());
    return 1;
  }
  std::vector<PhotoItem> items;
  for (const std::wstring& photo : photos) {
    DeleteFileW(OutputOf(photo, settings).c_str());  // so that only this run's files are counted
    PhotoItem item;
    item.path = photo;
    items.push_back(item);
  }
  ConvertBatch_CL batch(items, settings, theLog);
  const std::atomic<int> noCancel{0};
  const Clock::time_point start = Clock::now();
  batch.Run({}, noCancel, 1);
  const double total = MillisecondsSince(start);

  int fitted = 0;
  for (const std::wstring& photo : photos) {
    const Size size = SizeOf(OutputOf(photo, settings));
    if (size.width == 800 || size.height == 600) ++fitted;
  }
  const std::size_t count = photos.size();
  std::printf("heic: ours %zu photos on one worker -> %d files fitted into 800x600 in %.0f ms\n", count, fitted, total);
  std::printf("heic: ours-ms-per-photo %.3f\n", total / static_cast<double>(count));
  return static_cast<std::size_t>(fitted) == count ? 0 : 1;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** const argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return 2;
  if (argc != 2) {
    std::printf("usage: bench_ConvertHeic FOLDER\n");
    LocalFree(argv);
    return 2;
  }
  const int exitCode = bench::WithSessions([&] { return ConvertHeic(argv[1]); });
  LocalFree(argv);
  return exitCode;
}
