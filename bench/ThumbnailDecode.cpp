// Thumbnail decoding throughput: 200 photos of 8 to 12 MP (JPEG with photo-like detail, the
// mix of bench::LookOf) are requested at once, as a strip scrolled past them would; measures the time until every
// thumbnail has arrived at the window, and the longest time one Enqueue keeps the calling
// (user-interface) thread.
#include <windows.h>
#include <objbase.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchPhotos.h"
#include "base/GpOwned.h"
#include "base/LogFile.h"
#include "engine/VipsSession.h"
#include "toolkit/ControlBase.h"
#include "views/DecodeImage.h"

namespace {

using bench::Clock;
using bench::MillisecondsSince;

constexpr int kPhotos = 200;
constexpr int kLooks = 8;  // photos of their own; the others are copies of them

}  // namespace

int main() {
  CoInitialize(nullptr);
  int exitCode = 0;
  {
    GdiplusSession gdiplus;
    const VipsSession vips(theLog);  // the thumbnail decoder reads orientations through libvips
    const std::wstring folder = bench::MakeTempFolder(L"thumbs");
    std::vector<std::wstring> photos;
    for (int i = 0; i < kPhotos; ++i) {
      photos.push_back(folder + L"\\photo_" + std::to_wstring(1000 + i) + L".jpg");
      const bool made = i < kLooks ? bench::WritePhoto(photos.back(), bench::LookOf(i))
                                   : CopyFileW(photos[i % kLooks].c_str(), photos.back().c_str(), FALSE) != 0;
      if (!gdiplus.Started() || !made) {
        std::printf("thumbnails: could not write the test photos\n");
        return 1;
      }
    }

    // The thumbnails come back as to the strip: through a control's post token.
    ControlBase_CL window(0);
    window.CreateControl(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, false);
    window.Subclass();
    {
      int arrived = 0, withThumbnail = 0;
      DecodeImage_CL decoder;
      decoder.SetTarget(window.PostToken(), [&](std::unique_ptr<DecodeItem_CL> request) {
        ++arrived;
        if (request->result) ++withThumbnail;
      });
      decoder.decodeThreads = DecodeImage_CL::DefaultDecodeThreads();  // as the strip runs it
      decoder.Start();

      const Clock::time_point start = Clock::now();
      double longestEnqueue = 0;
      for (int i = 0; i < kPhotos; ++i) {
        auto request = std::make_unique<DecodeItem_CL>(photos[i], 192, 144, 0);
        request->cacheKey = i;
        const Clock::time_point before = Clock::now();
        decoder.Enqueue(std::move(request));
        longestEnqueue = std::max(longestEnqueue, MillisecondsSince(before));
      }
      MSG msg{};
      while (arrived < kPhotos && GetMessageW(&msg, window.hwnd, 0, 0) > 0) DispatchMessageW(&msg);
      const double total = MillisecondsSince(start);
      std::printf("thumbnails: on %d decode thread(s)\n", decoder.decodeThreads);
      std::printf("thumbnails: %d photos of 8 to 12 MP, %d thumbnails in %.0f ms = %.1f thumbnails/s\n", kPhotos,
                  withThumbnail, total, withThumbnail * 1000.0 / total);
      std::printf("thumbnails: longest Enqueue on the calling thread %.3f ms\n", longestEnqueue);
      if (withThumbnail != kPhotos) exitCode = 1;
    }
    DestroyWindow(window.hwnd);
    for (const std::wstring& photo : photos) DeleteFileW(photo.c_str());
    RemoveDirectoryW(folder.c_str());
  }
  CoUninitialize();
  return exitCode;
}
