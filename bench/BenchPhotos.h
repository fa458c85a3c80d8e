#pragma once
// What the benchmark programs share: a stopwatch, a median, a temporary folder and large photos
// that look like photos.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include <vips/vips.h>

#include "base/GpOwned.h"
#include "engine/VipsOwned.h"
#include "base/LogFile.h"
#include "engine/VipsSession.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The middle value (the mean of the two middles for an even count); 0 for none.
inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// `body` run with COM, GDI+ and libvips started; 1 when GDI+ or libvips could not start.
template <typename Body>
int WithSessions(const Body& body) {
  CoInitialize(nullptr);
  int exitCode = 1;
  {
    const GdiplusSession gdiplus;
    const VipsSession vips(theLog);
    if (gdiplus.Started() && vips.Started()) exitCode = body();
  }
  CoUninitialize();
  return exitCode;
}

// A new folder of this process under the temporary folder, named after `name`.
inline std::wstring MakeTempFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"glimmerset_bench_" + name + L"_" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

// How a bench photo looks: its size, the orientation its EXIF gives, whether it carries an sRGB
// profile, and the seed of its picture.
struct PhotoLook {
  int width = 4000;
  int height = 3000;
  int orientation = 1;
  bool srgbProfile = false;
  int seed = 1;
};

// The i-th photo of a set that looks like a day's photos from phones and cameras: 8 to 12 MP in
// 4:3, every fourth taken upright (EXIF orientation 6), every third with an sRGB profile.
inline PhotoLook LookOf(int index) {
  constexpr int kSizes[][2] = {{4000, 3000}, {3264, 2448}, {4032, 3024}, {3648, 2736}};
  PhotoLook look;
  look.width = kSizes[index % 4][0];
  look.height = kSizes[index % 4][1];
  look.orientation = index % 4 == 3 ? 6 : 1;
  look.srgbProfile = index % 3 == 0;
  look.seed = index + 1;
  return look;
}

// Smooth structure at a few scales (a plasma) of one band, -1 to 1, `width` x `height`.
inline VipsImagePtr Plasma(int width, int height, int seed) {
  VipsImagePtr coarse, fine, sum;
  if (vips_perlin(coarse.receive(), width, height, "cell_size", 48, "seed", seed, nullptr) != 0 ||
      vips_perlin(fine.receive(), width, height, "cell_size", 6, "seed", seed + 7919, nullptr) != 0)
    return {};
  VipsImagePtr halfFine;
  if (vips_linear1(fine.get(), halfFine.receive(), 0.4, 0.0, nullptr) != 0 ||
      vips_add(coarse.get(), halfFine.get(), sum.receive(), nullptr) != 0)
    return {};
  return sum;
}

// A JPEG of `look` that a decoder works on as on a photo: colour plasma with hard-edged shadows,
// made at an eighth of the size and enlarged, under sensor-like grain (as much as gives 12 MP
// in about 3.5 MB, 2.3 bits a pixel, as a phone's photo of that size); an EXIF block with the
// date taken and the orientation, and an sRGB profile when the look asks for one.
inline bool WritePhoto(const std::wstring& path, const PhotoLook& look) {
  constexpr int kDetail = 8;
  const int smallWidth = std::max(1, look.width / kDetail);
  const int smallHeight = std::max(1, look.height / kDetail);
  VipsImagePtr bands[3];
  for (int b = 0; b < 3; ++b) {
    bands[b] = Plasma(smallWidth, smallHeight, look.seed * 3 + b);
    if (!bands[b]) return false;
  }
  VipsImage* joined[3] = {bands[0].get(), bands[1].get(), bands[2].get()};
  const double toLevels[] = {80, 70, 90};
  const double middle[] = {120, 125, 110};
  VipsImagePtr colour, levels, cells, border, shade, shaded, big, noise, grainy, pixels, photo;
  if (vips_bandjoin(joined, colour.receive(), 3, nullptr) != 0 ||
      vips_linear(colour.get(), levels.receive(), toLevels, middle, 3, nullptr) != 0)
    return false;
  // Shadows with hard edges, as of walls, branches and letters.
  if (vips_perlin(cells.receive(), smallWidth, smallHeight, "cell_size", 24, "seed", look.seed + 104729, nullptr) != 0 ||
      vips_more_const1(cells.get(), border.receive(), 0.15, nullptr) != 0 ||
      vips_linear1(border.get(), shade.receive(), -0.5 / 255.0, 1.0, nullptr) != 0 ||
      vips_multiply(levels.get(), shade.get(), shaded.receive(), nullptr) != 0)
    return false;
  if (vips_resize(shaded.get(), big.receive(), kDetail, "kernel", VIPS_KERNEL_CUBIC, nullptr) != 0 ||
      vips_gaussnoise(noise.receive(), vips_image_get_width(big.get()), vips_image_get_height(big.get()), "sigma", 4.0,
                      "mean", 0.0, "seed", look.seed, nullptr) != 0 ||
      vips_add(big.get(), noise.get(), grainy.receive(), nullptr) != 0 ||
      vips_cast_uchar(grainy.get(), pixels.receive(), nullptr) != 0 ||
      vips_copy(pixels.get(), photo.receive(), "interpretation", VIPS_INTERPRETATION_sRGB, nullptr) != 0)
    return false;
  VipsImage* const out = photo.get();
  vips_image_set_string(out, "exif-ifd0-Make", "Glimmerset bench");
  vips_image_set_string(out, "exif-ifd0-DateTime", "2026:05:03 10:15:30");
  vips_image_set_string(out, "exif-ifd2-DateTimeOriginal", "2026:05:03 10:15:30");
  vips_image_set_int(out, VIPS_META_ORIENTATION, look.orientation);
  if (look.srgbProfile) {
    VipsBlob* profile = nullptr;
    if (vips_profile_load("srgb", &profile, nullptr) != 0 || profile == nullptr) return false;
    size_t length = 0;
    const void* data = vips_blob_get(profile, &length);
    vips_image_set_blob_copy(out, VIPS_META_ICC_NAME, data, length);
    vips_area_unref(VIPS_AREA(profile));
  }
  return vips_jpegsave(out, Utf8Path(path).c_str(), "Q", 92, nullptr) == 0;
}

// A photo of the first look at another size.
inline bool WritePhoto(const std::wstring& path, int width, int height) {
  PhotoLook look;
  look.width = width;
  look.height = height;
  return WritePhoto(path, look);
}

// Whether `path` holds a photo of `look` as WritePhoto writes it (a photo of an older bench
// is written again).
inline bool IsPhotoOf(const std::wstring& path, const PhotoLook& look) {
  VipsImagePtr image(vips_image_new_from_file(Utf8Path(path).c_str(), nullptr));
  return image && vips_image_get_width(image.get()) == look.width &&
         vips_image_get_height(image.get()) == look.height && vips_image_get_typeof(image.get(), "exif-ifd0-Make") != 0 &&
         vips_image_get_orientation(image.get()) == look.orientation;
}

}  // namespace bench
