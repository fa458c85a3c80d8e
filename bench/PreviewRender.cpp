// The preview's speed: a 12 MP photo (4032 x 3024 JPEG with photo-like detail) shown in a
// 640 x 480 pane, fitted, with the default settings (800 x 600, JPEG quality 80). Measures
// from the request on the user-interface thread to the finished back buffer, for an effect
// change, a quality change and a new photo, 20 times each, and prints the medians.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchPhotos.h"
#include "base/GpOwned.h"
#include "engine/SaveData.h"
#include "base/LogFile.h"
#include "engine/VipsSession.h"
#include "mainwindow/MyPictureImage.h"
#include "mainwindow/PreviewMaker.h"

namespace {

using bench::Clock;
using bench::Median;
using bench::MillisecondsSince;

constexpr int kWidth = 4032;
constexpr int kHeight = 3024;
constexpr int kRounds = 20;

// From the request to the pane composed in its back buffer, in milliseconds; -1 when the
// picture never came.
double TimeOneRender(MyPictureImage_CL& preview, const PhotoItem& photo, const SaveData_CL& settings) {
  const Clock::time_point start = Clock::now();
  preview.RequestRender(photo, settings, GpBitmapPtr());
  MSG msg{};
  while (preview.RenderPending()) {
    if (MillisecondsSince(start) > 30000) return -1;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  preview.Draw(preview.backBuffer);
  return preview.Picture() != nullptr ? MillisecondsSince(start) : -1;
}

// The median of kRounds renders, the request of round i made by `change(i)`.
double MedianOf(MyPictureImage_CL& preview, PhotoItem& photo, SaveData_CL& settings,
                const std::function<void(int)>& change) {
  std::vector<double> times;
  for (int i = 0; i < kRounds; ++i) {
    change(i);
    const double ms = TimeOneRender(preview, photo, settings);
    if (ms < 0) return -1;
    times.push_back(ms);
  }
  return Median(times);
}

}  // namespace

int main() {
  CoInitialize(nullptr);
  int exitCode = 0;
  {
    GdiplusSession gdiplus;
    const VipsSession vips(theLog);
    const std::wstring folder = bench::MakeTempFolder(L"preview");
    const std::wstring first = folder + L"\\photo_a.jpg";
    const std::wstring second = folder + L"\\photo_b.jpg";
    if (!gdiplus.Started() || !vips.Started() || !bench::WritePhoto(first, kWidth, kHeight) ||
        !CopyFileW(first.c_str(), second.c_str(), FALSE)) {
      std::printf("preview: could not write the test photo\n");
      return 1;
    }
    const HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
    {
      MyPictureImage_CL preview;
      preview.Create(parent, kPreviewControlId, 640, 480, 0, 0);
      preview.SetDisplayMode(kDisplayFit);
      SaveData_CL settings;
      settings.globalEffect.CheckBriteness = true;
      PhotoItem photo{first, 0, 0, {}, {}};
      TimeOneRender(preview, photo, settings);  // the first read loads the decoders

      const double effect = MedianOf(preview, photo, settings, [&](int i) {
        settings.globalEffect.ValueBriteness = 60 + i % 2;
      });
      const double quality = MedianOf(preview, photo, settings, [&](int i) { settings.JpegQuantization = 80 + i % 2; });
      const double newPhoto = MedianOf(preview, photo, settings, [&](int i) { photo.path = i % 2 ? first : second; });
      {
        PreviewMaker_CL maker;
        PreviewRequest request{1, photo, settings, false, 640, 480};
        maker.Make(request);
        std::vector<double> make, draw;
        for (int i = 0; i < kRounds; ++i) {
          request.settings.globalEffect.ValueBriteness = 60 + i % 2;
          Clock::time_point start = Clock::now();
          auto result = maker.Make(request);
          make.push_back(MillisecondsSince(start));
          preview.SetPicture(std::move(result->picture));
          preview.SetFitted(std::move(result->fittedPicture), GpBitmapPtr());
          start = Clock::now();
          preview.Draw(preview.backBuffer);
          draw.push_back(MillisecondsSince(start));
        }
        std::printf("preview: effect change made in %.0f ms, drawn in %.0f ms\n", Median(make), Median(draw));
      }
      if (effect < 0 || quality < 0 || newPhoto < 0) {
        std::printf("preview: a render never came\n");
        exitCode = 1;
      } else {
        std::printf(
            "bench: preview of a 12 MP photo: effect changed %.0f ms, quality changed %.0f ms, new photo %.0f ms "
            "(medians of %d)\n",
            effect, quality, newPhoto, kRounds);
      }
    }
    DestroyWindow(parent);
    DeleteFileW(first.c_str());
    DeleteFileW(second.c_str());
    RemoveDirectoryW(folder.c_str());
  }
  CoUninitialize();
  return exitCode;
}
