#pragma once
// What the benchmark programs share: a stopwatch, a median, a temporary folder and a large photo
// written with GDI+.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "base/GpOwned.h"

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

// A new folder of this process under the temporary folder, named after `name`.
inline std::wstring MakeTempFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"glimmerset_bench_" + name + L"_" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

// A width x height JPEG of gradients with a little noise, so the decoder has real work to do.
inline bool WritePhoto(const std::wstring& path, int width, int height) {
  constexpr CLSID kJpegEncoder = {0x557CF401, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
  GpBitmapPtr bitmap;
  if (gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat24bppRGB, nullptr, bitmap.receive()) != Gdiplus::Ok)
    return false;
  Gdiplus::Rect all(0, 0, width, height);
  Gdiplus::BitmapData data{};
  if (gp::GdipBitmapLockBits(bitmap.get(), &all, Gdiplus::ImageLockModeWrite, PixelFormat24bppRGB, &data) !=
      Gdiplus::Ok)
    return false;
  unsigned noise = 12345;
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<unsigned char*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
    for (int x = 0; x < width; ++x) {
      noise = noise * 1103515245u + 12345u;
      const unsigned grain = (noise >> 16) & 31;
      row[3 * x] = static_cast<unsigned char>((x * 255 / width + grain) & 0xFF);
      row[3 * x + 1] = static_cast<unsigned char>((y * 255 / height + grain) & 0xFF);
      row[3 * x + 2] = static_cast<unsigned char>(((x ^ y) >> 4) & 0xFF);
    }
  }
  gp::GdipBitmapUnlockBits(bitmap.get(), &data);
  return gp::GdipSaveImageToFile(bitmap.get(), path.c_str(), &kJpegEncoder, nullptr) == Gdiplus::Ok;
}

}  // namespace bench
