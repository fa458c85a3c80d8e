// make-samples.exe FOLDER
// Draws the sample photos of samples/ (used by `make run`): simple scenes painted with GDI+,
// written as JPEG, PNG and BMP, all small but one of a camera's size (4032 x 3024). Two of the JPEGs are stored turned and carry the EXIF
// orientation that turns them upright again, as a camera held sideways or upside down writes.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/GpOwned.h"
#include "tests/support/ExifWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"

namespace {

using Gdiplus::ARGB;
using Gdiplus::GpBrush;
using Gdiplus::GpLineGradient;
using Gdiplus::GpSolidFill;

inline GpStatus DeleteGpBrush(GpBrush* p) { return gp::GdipDeleteBrush(p); }
using GpBrushPtr = Owned<GpTraits<GpBrush, DeleteGpBrush>>;

constexpr int kWidth = 400;
constexpr int kHeight = 300;

GpBrushPtr Solid(ARGB colour) {
  GpSolidFill* brush = nullptr;
  gp::GdipCreateSolidFill(colour, &brush);
  return GpBrushPtr(brush);
}

// A vertical gradient from top to bottom over the rectangle.
GpBrushPtr Vertical(int x, int y, int w, int h, ARGB top, ARGB bottom) {
  const Gdiplus::Rect rect(x, y, w, h);
  GpLineGradient* brush = nullptr;
  gp::GdipCreateLineBrushFromRectI(&rect, top, bottom, Gdiplus::LinearGradientModeVertical, Gdiplus::WrapModeTileFlipXY,
                                   &brush);
  return GpBrushPtr(brush);
}

class Canvas {
public:
  Canvas(int w, int h) : bitmap(MakeBitmap(w, h, 0xFFFFFFFF)) {
    GpGraphics* g = nullptr;
    gp::GdipGetImageGraphicsContext(bitmap.get(), &g);
    graphics.reset(g);
    gp::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeAntiAlias);
  }
  void Rect(const GpBrushPtr& brush, int x, int y, int w, int h) {
    gp::GdipFillRectangleI(graphics.get(), brush.get(), x, y, w, h);
  }
  void Ellipse(const GpBrushPtr& brush, int x, int y, int w, int h) {
    gp::GdipFillEllipseI(graphics.get(), brush.get(), x, y, w, h);
  }
  GpBitmapPtr Finish() {
    graphics.reset();
    return std::move(bitmap);
  }

private:
  GpBitmapPtr bitmap;
  GpGraphicsPtr graphics;
};

GpBitmapPtr Sunset(int w, int h) {
  Canvas c(w, h);
  c.Rect(Vertical(0, 0, w, h * 2 / 3, 0xFF3A2A6A, 0xFFF0904A), 0, 0, w, h * 2 / 3 + 1);
  c.Ellipse(Solid(0xFFFFE080), w / 2 - h / 8, h / 2 - h / 8, h / 4, h / 4);
  c.Rect(Vertical(0, h * 2 / 3, w, h / 3, 0xFFB06040, 0xFF402030), 0, h * 2 / 3, w, h - h * 2 / 3);
  c.Ellipse(Solid(0xFF201828), -w / 4, h * 3 / 5, w, h / 2);
  return c.Finish();
}

GpBitmapPtr Lake(int w, int h) {
  Canvas c(w, h);
  c.Rect(Vertical(0, 0, w, h / 2, 0xFF4A90D8, 0xFFCDE6F8), 0, 0, w, h / 2 + 1);
  c.Ellipse(Solid(0xFFFFFFFF), w / 8, h / 10, w / 4, h / 10);
  c.Ellipse(Solid(0xFF3C8040), -w / 5, h / 3, w * 3 / 4, h / 3);
  c.Ellipse(Solid(0xFF2E6A34), w / 3, h * 3 / 10, w, h / 3);
  c.Rect(Vertical(0, h / 2, w, h / 2, 0xFF2A6AA8, 0xFF123A60), 0, h / 2, w, h - h / 2);
  for (int i = 0; i < 5; ++i) c.Rect(Solid(0x60FFFFFF), w / 6 + i * w / 7, h * 6 / 10 + i * h / 14, w / 8, 2);
  return c.Finish();
}

GpBitmapPtr Flowers(int w, int h) {
  Canvas c(w, h);
  c.Rect(Vertical(0, 0, w, h, 0xFF8CC070, 0xFF2E5A24), 0, 0, w, h);
  const ARGB petals[] = {0xFFE84A6A, 0xFFF0C030, 0xFFFFFFFF, 0xFFB050D0, 0xFFF08030};
  for (int i = 0; i < 14; ++i) {
    const int x = (i * 97) % (w - 40) + 10;
    const int y = (i * 53) % (h - 40) + 10;
    const int r = 14 + (i % 4) * 5;
    c.Ellipse(Solid(petals[i % 5]), x, y, r * 2, r * 2);
    c.Ellipse(Solid(0xFF806020), x + r - 4, y + r - 4, 8, 8);
  }
  return c.Finish();
}

GpBitmapPtr City(int w, int h) {
  Canvas c(w, h);
  c.Rect(Vertical(0, 0, w, h, 0xFF0A1030, 0xFF30305A), 0, 0, w, h);
  c.Ellipse(Solid(0xFFF4F0D0), w * 3 / 4, h / 10, h / 8, h / 8);
  for (int i = 0; i < 8; ++i) {
    const int bw = w / 9;
    const int bh = h / 3 + (i * 37) % (h / 2);
    const int x = i * w / 8;
    c.Rect(Solid(0xFF181828), x, h - bh, bw, bh);
    for (int wy = h - bh + 8; wy < h - 8; wy += 14) {
      for (int wx = x + 5; wx < x + bw - 6; wx += 10) {
        if ((wx * 7 + wy * 3) % 5 != 0) c.Rect(Solid(0xFFF0D070), wx, wy, 4, 6);
      }
    }
  }
  return c.Finish();
}

// Portrait scene: a lighthouse under a blue sky.
GpBitmapPtr Lighthouse(int w, int h) {
  Canvas c(w, h);
  c.Rect(Vertical(0, 0, w, h * 3 / 4, 0xFF5AA0E0, 0xFFE0F0FF), 0, 0, w, h * 3 / 4 + 1);
  c.Rect(Vertical(0, h * 3 / 4, w, h / 4, 0xFF3070B0, 0xFF184070), 0, h * 3 / 4, w, h - h * 3 / 4);
  c.Rect(Solid(0xFFF4F4F4), w * 2 / 5, h / 4, w / 5, h / 2);
  for (int i = 0; i < 3; ++i) c.Rect(Solid(0xFFD03030), w * 2 / 5, h / 4 + h / 12 + i * h / 7, w / 5, h / 24);
  c.Rect(Solid(0xFF303030), w * 2 / 5 - 6, h / 4 - h / 16, w / 5 + 12, h / 16);
  c.Ellipse(Solid(0xFFFFE860), w / 2 - 10, h / 4 - h / 9, 20, 20);
  return c.Finish();
}

bool Turn(GpBitmap* bitmap, Gdiplus::RotateFlipType how) { return gp::GdipImageRotateFlip(bitmap, how) == Gdiplus::Ok; }

bool WriteJpegWithOrientation(GpBitmap* stored, int orientation, const std::wstring& path) {
  const std::string jpeg = JpegBytes(stored);
  return !jpeg.empty() && WriteFileBytes(path, WithExifOrientation(jpeg, orientation));
}

// One photo of a phone camera's size, at a camera's usual quality.
constexpr int kCameraWidth = 4032;
constexpr int kCameraHeight = 3024;
constexpr int kCameraQuality = 90;

bool MakeAll(const std::wstring& folder) {
  bool ok = true;
  ok &= WriteFileBytes(folder + L"\\lake-4032x3024.jpg",
                       JpegBytes(Lake(kCameraWidth, kCameraHeight).get(), kCameraQuality));
  ok &= SaveAs(Sunset(kWidth, kHeight).get(), folder + L"\\夕焼け.jpg", kTestFormatJpeg);
  ok &= SaveAs(Lake(kWidth, kHeight).get(), folder + L"\\lake.jpg", kTestFormatJpeg);
  ok &= SaveAs(Flowers(kWidth, kHeight).get(), folder + L"\\flowers.png", kTestFormatPng);
  ok &= SaveAs(City(kWidth * 3 / 10, kHeight * 3 / 10).get(), folder + L"\\night city.bmp", kTestFormatBmp);
  // Upright 300 x 400; stored a quarter turn to the left, orientation 6 turns it back.
  {
    const GpBitmapPtr photo = Lighthouse(kHeight, kWidth);
    ok &= Turn(photo.get(), Gdiplus::Rotate270FlipNone);
    ok &= WriteJpegWithOrientation(photo.get(), 6, folder + L"\\lighthouse-exif6.jpg");
  }
  // Stored upside down; orientation 3 turns it back.
  {
    const GpBitmapPtr photo = Lake(kWidth, kHeight);
    ok &= Turn(photo.get(), Gdiplus::Rotate180FlipNone);
    ok &= WriteJpegWithOrientation(photo.get(), 3, folder + L"\\lake-exif3.jpg");
  }
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: make-samples FOLDER\n", stderr);
    return 2;
  }
  const GdiplusSession gdiplus;
  if (!gdiplus.Started()) return 1;
  CreateDirectoryW(argv[1], nullptr);
  return MakeAll(argv[1]) ? 0 : 1;
}
