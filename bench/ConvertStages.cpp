// Where the time of one photo goes: 12 photos of 8 to 12 MP are converted one at a time (fitted
// into 800 x 600, JPEG quality 80), and each step is timed on its own: reading the file's bytes
// (what the disk and Wine cost alone), the header, the decode with its resize and finish
// (PreparePhoto into memory), the encoding, and the write with and without its flush to the
// disk; then the decode and the encoding in the one pass a batch worker runs. Last, the same
// two ways at the photos' own size, where the encoding is long. Medians over the photos, in ms.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "base/GpOwned.h"
#include "base/Owned.h"
#include "bench/BenchPhotos.h"
#include "engine/ConvertBatch.h"
#include "engine/FileSource.h"
#include "engine/PhotoEncoder.h"
#include "engine/PhotoResize.h"
#include "base/LogFile.h"
#include "engine/VipsSession.h"

namespace {

using bench::Clock;
using bench::Median;
using bench::MillisecondsSince;

constexpr int kPhotos = 12;

// The file's bytes read the way libvips reads a source: 4 KB at a time.
double ReadWholeFile(const std::wstring& path) {
  const Clock::time_point start = Clock::now();
  const KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  char buffer[4096];
  DWORD read = 0;
  while (file && ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
  }
  return MillisecondsSince(start);
}

double ReadHeader(const std::wstring& path) {
  const Clock::time_point start = Clock::now();
  std::wstring why;
  const VipsSourcePtr source = OpenFileSource(path, nullptr, why);
  const VipsImagePtr header(source ? vips_image_new_from_source(source.get(), "", nullptr) : nullptr);
  return MillisecondsSince(start);
}

// libvips' own thumbnail of the file into memory, as vipsthumbnail makes it: what decoding
// and resizing cost without our steps around them.
double LibvipsThumbnail(const std::wstring& path) {
  const Clock::time_point start = Clock::now();
  std::wstring why;
  const VipsSourcePtr source = OpenFileSource(path, nullptr, why);
  VipsImagePtr thumbnail;
  if (source && vips_thumbnail_source(source.get(), thumbnail.receive(), 800, "height", 600, nullptr) == 0) {
    const VipsImagePtr computed(vips_image_copy_memory(thumbnail.get()));
  }
  return MillisecondsSince(start);
}

// The photo prepared (in memory first, or as a pipeline the encoder computes) and encoded.
double PrepareAndEncode(const std::wstring& path, const ConvertSettings& settings, PictureIn in) {
  const Clock::time_point start = Clock::now();
  const PreparedPhoto prepared = PreparePhoto(PhotoItem{path, 0, 0, {}, {}}, settings, nullptr, in);
  VipsBytes encoded;
  EncodePhoto(prepared.picture.get(), OutputFormat::Jpeg, settings, encoded);
  return MillisecondsSince(start);
}

// The atomic writer's steps without the flush, for what the flush costs.
double WriteWithoutFlush(const std::wstring& path, const VipsBytes& bytes) {
  const Clock::time_point start = Clock::now();
  const std::wstring temporary = path + L".tmp";
  {
    const KernelHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.get(), bytes.begin(), static_cast<DWORD>(bytes.size), &written, nullptr);
  }
  MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
  return MillisecondsSince(start);
}

struct Stages {
  std::vector<double> read, header, thumbnail, prepare, prepareWithStop, encode, onePass, write, writeNoFlush;
};

void Profile(const std::wstring& folder, const std::vector<std::wstring>& photos, Stages& stages) {
  ConvertSettings settings;  // 800 x 600, JPEG quality 80
  for (size_t i = 0; i < photos.size(); ++i) {
    const std::wstring& photo = photos[i];
    stages.read.push_back(ReadWholeFile(photo));
    stages.header.push_back(ReadHeader(photo));
    stages.thumbnail.push_back(LibvipsThumbnail(photo));
    const Clock::time_point start = Clock::now();
    const PreparedPhoto prepared = PreparePhoto(PhotoItem{photo, 0, 0, {}, {}}, settings);
    stages.prepare.push_back(MillisecondsSince(start));
    const std::atomic<int> stop{0};
    const Clock::time_point stopStart = Clock::now();
    const PreparedPhoto again = PreparePhoto(PhotoItem{photo, 0, 0, {}, {}}, settings, &stop);
    stages.prepareWithStop.push_back(MillisecondsSince(stopStart));
    VipsBytes encoded;
    const Clock::time_point encodeStart = Clock::now();
    EncodePhoto(prepared.picture.get(), OutputFormat::Jpeg, settings, encoded);
    stages.encode.push_back(MillisecondsSince(encodeStart));
    stages.onePass.push_back(PrepareAndEncode(photo, settings, PictureIn::Pipeline));
    const std::wstring output = folder + L"\\out_" + std::to_wstring(i) + L".jpg";
    const Clock::time_point writeStart = Clock::now();
    WriteFileAtomically(output, encoded.begin(), encoded.size);
    stages.write.push_back(MillisecondsSince(writeStart));
    stages.writeNoFlush.push_back(WriteWithoutFlush(output + L".noflush.jpg", encoded));
  }
}

}  // namespace

int main() {
  CoInitialize(nullptr);
  int exitCode = 0;
  {
    const GdiplusSession gdiplus;
    const VipsSession vips(theLog);
    const std::wstring folder = bench::MakeTempFolder(L"stages");
    std::vector<std::wstring> photos;
    for (int i = 0; i < kPhotos; ++i) {
      photos.push_back(folder + L"\\photo_" + std::to_wstring(i) + L".jpg");
      const bool made = bench::WritePhoto(photos.back(), bench::LookOf(i));
      if (!gdiplus.Started() || !vips.Started() || !made) {
        std::printf("stages: could not write the photos\n");
        return 1;
      }
    }
    const int defaultConcurrency = vips_concurrency_get();
    Stages alone;
    Profile(folder, photos, alone);
    vips_concurrency_set(1);  // as each of several batch workers runs
    Stages stages;
    Profile(folder, photos, stages);
    std::printf("stages: %d photos of 8 to 12 MP to 800x600, one worker, median ms per photo\n", kPhotos);
    std::printf("stages: at libvips' own concurrency (%d): decode, resize, finish %.1f, with a stop flag %.1f\n",
                defaultConcurrency, Median(alone.prepare), Median(alone.prepareWithStop));
    std::printf("stages: at concurrency 1: with a stop flag %.1f\n", Median(stages.prepareWithStop));
    std::printf("stages: read the file's bytes %.1f | header %.1f | decode, resize, finish %.1f (libvips' thumbnail "
                "alone %.1f) | encode %.1f | both in one pass %.1f | write with flush %.1f (without %.1f)\n",
                Median(stages.read), Median(stages.header), Median(stages.prepare), Median(stages.thumbnail),
                Median(stages.encode), Median(stages.onePass), Median(stages.write), Median(stages.writeNoFlush));
    // At full size, alternating which way goes first (the second read of a file is the faster).
    ConvertSettings keepSize;
    keepSize.ResizeRadioIndex = SizeChoice::Keep;
    std::vector<double> memoryFirst, onePass;
    for (size_t i = 0; i < photos.size(); ++i) {
      const bool memoryGoesFirst = i % 2 == 0;
      if (memoryGoesFirst) memoryFirst.push_back(PrepareAndEncode(photos[i], keepSize, PictureIn::Memory));
      onePass.push_back(PrepareAndEncode(photos[i], keepSize, PictureIn::Pipeline));
      if (!memoryGoesFirst) memoryFirst.push_back(PrepareAndEncode(photos[i], keepSize, PictureIn::Memory));
    }
    std::printf("stages: at the photo's own size: decode then encode %.1f, in one pass %.1f\n", Median(memoryFirst),
                Median(onePass));
    WIN32_FIND_DATAW entry{};
    const FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (find) {
      do DeleteFileW((folder + L"\\" + entry.cFileName).c_str());
      while (FindNextFileW(find.get(), &entry));
    }
    RemoveDirectoryW(folder.c_str());
  }
  CoUninitialize();
  return exitCode;
}
