// "まとめて書き出す": three presets written in one run, each photo read once, beside the same
// three written by three runs of one preset each. 8 photos of 8 to 12 MP (bench::LookOf) through
// the batch as "変換開始" runs it, on every core; presets: long edge 1600, 800 x 600 and
// 320 x 240 cut to fill, JPEG quality 80, each into a folder of its own beside the photos.
// The median of three rounds, in ms per photo; the goal is a ratio of at most 0.6.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchPhotos.h"
#include "engine/ConvertBatch.h"
#include "engine/NamedSettings.h"

namespace {

using bench::Clock;
using bench::Median;
using bench::MillisecondsSince;

constexpr int kPhotos = 8;
constexpr int kRounds = 3;

std::vector<NamedSettings> Presets() {
  NamedSettings web{L"Web 1600", {}};
  web.settings.ResizeRadioIndex = SizeChoice::LongEdge;
  web.settings.LongEdge = 1600;
  NamedSettings mail{L"800x600", {}};
  mail.settings.ResizeRadioIndex = SizeChoice::Custom;
  mail.settings.outputWidth = 800;
  mail.settings.outputHeight = 600;
  NamedSettings thumb{L"320x240 fill", {}};
  thumb.settings.ResizeRadioIndex = SizeChoice::Custom;
  thumb.settings.outputWidth = 320;
  thumb.settings.outputHeight = 240;
  thumb.settings.CropToFill = FitOrFill::Fill;
  std::vector<NamedSettings> presets{web, mail, thumb};
  for (NamedSettings& preset : presets) {
    preset.settings.OutputImageType = kAllJpeg;
    preset.settings.MakeFolder = preset.name;
  }
  return presets;
}

// ms per photo of one batch of `outputs`; 0 when some output was not written.
double RunBatch(const std::vector<PhotoItem>& photos, const std::vector<NamedSettings>& outputs) {
  ConvertBatch_CL batch(photos, outputs, theLog);
  const std::atomic<int> noCancel{0};
  const Clock::time_point start = Clock::now();
  batch.Run({}, noCancel, ConvertBatch_CL::DefaultWorkers());
  const double ms = MillisecondsSince(start);
  return batch.Counts().written == photos.size() * outputs.size() ? ms / static_cast<double>(photos.size()) : 0;
}

int ConvertPresets() {
  const std::wstring folder = bench::MakeTempFolder(L"presets");
  std::vector<PhotoItem> photos;
  for (int i = 0; i < kPhotos; ++i) {
    PhotoItem item;
    item.path = folder + L"\\photo_" + std::to_wstring(i) + L".jpg";
    if (!bench::WritePhoto(item.path, bench::LookOf(i))) {
      std::printf("bench: presets: could not write the photos\n");
      return 1;
    }
    photos.push_back(item);
  }
  const std::vector<NamedSettings> presets = Presets();
  std::vector<double> together, separate;
  int status = 0;
  for (int round = 0; round < kRounds; ++round) {
    const double ours = RunBatch(photos, presets);
    double theirs = 0;
    for (const NamedSettings& preset : presets) {
      const double one = RunBatch(photos, {preset});
      if (one == 0) status = 1;
      theirs += one;
    }
    if (ours == 0) status = 1;
    together.push_back(ours);
    separate.push_back(theirs);
  }
  const double ours = Median(together);
  const double theirs = Median(separate);
  std::printf("bench: three presets in one run: ours %.1f ms/photo, three separate runs %.1f ms/photo (ratio %.2f)\n",
              ours, theirs, theirs > 0 ? ours / theirs : 0.0);
  if (status != 0) std::printf("bench: presets: some output was not written\n");
  for (const PhotoItem& photo : photos) {
    for (const NamedSettings& preset : presets) {
      const std::wstring output = folder + L"\\" + preset.name;
      const std::wstring name = photo.path.substr(folder.size());
      DeleteFileW((output + name).c_str());
      RemoveDirectoryW(output.c_str());
    }
    DeleteFileW(photo.path.c_str());
  }
  RemoveDirectoryW(folder.c_str());
  return status;
}

}  // namespace

int main() { return bench::WithSessions([] { return ConvertPresets(); }); }
