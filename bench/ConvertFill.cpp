// What "切り抜いてぴったりにする" costs: 8 photos of 8 to 12 MP (bench::LookOf) converted one at
// a time, one worker, into 1080 x 1080 as JPEG quality 80, three ways: cut around what draws
// the eye ("見どころ"), cut at the centre ("中央"), and fitted inside the box without a cut.
// Each photo goes through the three in a turning order, so no way always reads a warm file.
// Medians in ms per photo, decode to encoded bytes in one pass as a batch worker runs it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/Owned.h"
#include "bench/BenchPhotos.h"
#include "engine/PhotoEncoder.h"
#include "engine/PhotoResize.h"

namespace {

using bench::Clock;
using bench::Median;
using bench::MillisecondsSince;

constexpr int kPhotos = 8;
constexpr int kSide = 1080;

ConvertSettings SquareBox(bool fill, FillAnchor anchor) {
  ConvertSettings settings;
  settings.ResizeRadioIndex = SizeChoice::Custom;
  settings.outputWidth = kSide;
  settings.outputHeight = kSide;
  settings.CropToFill = fill ? FitOrFill::Fill : FitOrFill::Fit;
  settings.CropAnchor = anchor;
  return settings;
}

// The photo prepared as a pipeline and encoded; 0 when it failed or has the wrong size.
double Convert(const std::wstring& path, const ConvertSettings& settings, bool exact) {
  const Clock::time_point start = Clock::now();
  const PreparedPhoto prepared = PreparePhoto(PhotoItem{path, 0, 0, {}, {}}, settings, nullptr, PictureIn::Pipeline);
  if (!prepared.picture) return 0;
  const bool square = vips_image_get_width(prepared.picture.get()) == kSide &&
                      vips_image_get_height(prepared.picture.get()) == kSide;
  VipsBytes encoded;
  if (FAILED(EncodePhoto(prepared.picture.get(), OutputFormat::Jpeg, settings, encoded))) return 0;
  const double ms = MillisecondsSince(start);
  return exact && !square ? 0 : ms;
}

int ConvertFill() {
  const std::wstring folder = bench::MakeTempFolder(L"fill");
  std::vector<std::wstring> photos;
  for (int i = 0; i < kPhotos; ++i) {
    photos.push_back(folder + L"\\photo_" + std::to_wstring(i) + L".jpg");
    if (!bench::WritePhoto(photos.back(), bench::LookOf(i))) {
      std::printf("bench: fill: could not write the photos\n");
      return 1;
    }
  }
  vips_concurrency_set(1);  // as each of several batch workers runs
  const ConvertSettings ways[] = {SquareBox(true, FillAnchor::Attention), SquareBox(true, FillAnchor::Centre), SquareBox(false, FillAnchor::Centre)};
  std::vector<double> times[3];
  int status = 0;
  for (int i = 0; i < kPhotos; ++i) {
    for (int k = 0; k < 3; ++k) {
      const int way = (i + k) % 3;
      const double ms = Convert(photos[static_cast<size_t>(i)], ways[way], way != 2);
      if (ms == 0) status = 1;
      times[way].push_back(ms);
    }
  }
  const double smart = Median(times[0]);
  const double centre = Median(times[1]);
  const double fit = Median(times[2]);
  std::printf("bench: fill %dx%d smart: ours %.1f ms/photo, centre %.1f ms/photo, fit %.1f ms/photo "
              "(smart/fit %.2f, at most 1.3)\n",
              kSide, kSide, smart, centre, fit, fit > 0 ? smart / fit : 0.0);
  if (status != 0) std::printf("bench: fill: a photo failed or was not cut to %dx%d\n", kSide, kSide);
  for (const std::wstring& photo : photos) DeleteFileW(photo.c_str());
  RemoveDirectoryW(folder.c_str());
  return status;
}

}  // namespace

int main() { return bench::WithSessions([] { return ConvertFill(); }); }
