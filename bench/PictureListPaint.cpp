// Thumbnail strip painting: a strip of 10,000 photos (4000 x 3000 JPEGs) is paged through
// its first 200 photos the way a user scrolls it, while the decode thread delivers the
// thumbnails. Reports the longest and the mean time one paint keeps the user-interface
// thread, and the time until all 200 thumbnails have arrived and been shown.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchPhotos.h"
#include "base/GpOwned.h"
#include "base/LogFile.h"
#include "engine/VipsSession.h"
#include "engine/SaveData.h"
#include "views/MyPictureListView.h"

namespace {

using bench::Clock;
using bench::MillisecondsSince;

constexpr int kItems = 10000;
constexpr int kScrolledPhotos = 200;
// The strip caches thumbnails by photo: the photos paged through are files of their own (hard
// links of one photo), so each is decoded once.
constexpr int kFiles = kScrolledPhotos;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kCellWidth = 196;
constexpr int kVisibleCells = 8;

int thumbnailsShown = 0;

struct PaintTimes {
  double longest = 0;
  double total = 0;
  int count = 0;
  void Paint(HWND strip) {
    const auto start = Clock::now();
    SendMessageW(strip, WM_PAINT, 0, 0);
    const double took = MillisecondsSince(start);
    longest = std::max(longest, took);
    total += took;
    ++count;
  }
};

// Dispatches what arrived; repaints when a thumbnail was shown.
void PumpAndPaint(HWND strip, PaintTimes& times) {
  const int before = thumbnailsShown;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  if (thumbnailsShown != before) times.Paint(strip);
}

}  // namespace

int main() {
  CoInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  int exitCode = 0;
  {
    GdiplusSession gdiplus;
    const VipsSession vips(theLog);  // the thumbnail decoder reads orientations through libvips
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"glimmerset_bench_strip_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    std::vector<std::wstring> files;
    files.push_back(folder + L"\\photo_00.jpg");
    if (!gdiplus.Started() || !bench::WritePhoto(files[0], kWidth, kHeight)) {
      std::printf("strip: could not write the test photo\n");
      return 1;
    }
    for (int i = 1; i < kFiles; ++i) {
      files.push_back(folder + L"\\photo_" + std::to_wstring(1000 + i) + L".jpg");
      if (!CreateHardLinkW(files.back().c_str(), files[0].c_str(), nullptr)) {
        CopyFileW(files[0].c_str(), files.back().c_str(), FALSE);
      }
    }
    SaveData_CL record;
    std::vector<PhotoItem>& photos = record.items;
    photos.resize(kItems);
    for (int i = 0; i < kItems; ++i) photos[static_cast<size_t>(i)].path = files[static_cast<size_t>(i % kFiles)];

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"GlimmersetStripBench";
    RegisterClassExW(&wc);
    const HWND parent = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1700, 300, nullptr, nullptr,
                                        wc.hInstance, nullptr);
    {
      MyPictureListView_CL strip(&record);
      strip.Create(parent);
      // As the strip receives them, counting the ones shown.
      strip.decoder.SetTarget(strip.PostToken(), [&strip](std::unique_ptr<DecodeItem_CL> request) {
        if (strip.OnThumbnailReady(std::move(request))) ++thumbnailsShown;
      });
      strip.decoder.Start();
      strip.backgroundColor = 0xFFC8C8C8;
      ShowScrollBar(strip.hwnd, SB_VERT, FALSE);
      strip.thumbWidth = 192;
      strip.thumbHeight = 144;
      strip.cellWidth = kCellWidth;
      strip.cellHeight = 164;
      strip.layoutMode = kLayoutRow;
      MoveWindow(strip.hwnd, 0, 0, kCellWidth * kVisibleCells, 200, FALSE);
      strip.SetItemCount(kItems);
      strip.UpdateLayout();

      PaintTimes times;
      const auto start = Clock::now();
      times.Paint(strip.hwnd);
      const double firstPaint = times.longest;
      // Page through the first 200 photos, a page every 100 ms, painting as thumbnails arrive.
      for (int page = 1; page < kScrolledPhotos / kVisibleCells; ++page) {
        const auto pageStart = Clock::now();
        while (MillisecondsSince(pageStart) < 100) {
          PumpAndPaint(strip.hwnd, times);
          Sleep(2);
        }
        SendMessageW(strip.hwnd, WM_HSCROLL, SB_PAGEDOWN, 0);
        times.Paint(strip.hwnd);
      }
      while (thumbnailsShown < kScrolledPhotos && MillisecondsSince(start) < 600000) {
        PumpAndPaint(strip.hwnd, times);
        Sleep(2);
      }
      const double allShown = MillisecondsSince(start);
      // Back at the start, every thumbnail cached and the decoder idle.
      strip.hBar.MoveBy(-strip.hBar.info.nPos);
      strip.RecomputeVisibleCells();
      PaintTimes cached;
      for (int i = 0; i < 20; ++i) cached.Paint(strip.hwnd);
      // A jump to the far end of the strip.
      strip.EnsureVisible(kItems - 1);
      times.Paint(strip.hwnd);

      std::printf("strip of %d photos (%dx%d JPEG), %d visible cells\n", kItems, kWidth, kHeight, kVisibleCells);
      std::printf("  first paint:                 %8.2f ms\n", firstPaint);
      std::printf("  longest paint:               %8.2f ms\n", times.longest);
      std::printf("  mean paint (%4d paints):    %8.2f ms\n", times.count, times.total / std::max(times.count, 1));
      std::printf("  paint, all cached, idle:     %8.2f ms mean, %.2f ms longest\n", cached.total / cached.count,
                  cached.longest);
      std::printf("  %d thumbnails shown after: %8.0f ms%s\n", thumbnailsShown, allShown,
                  thumbnailsShown < kScrolledPhotos ? " (incomplete)" : "");
      if (thumbnailsShown < kScrolledPhotos) exitCode = 1;
    }
    DestroyWindow(parent);
    for (const std::wstring& file : files) DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
  }
  CoUninitialize();
  return exitCode;
}
