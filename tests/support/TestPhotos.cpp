#include "tests/support/TestPhotos.h"

#include <cstdio>
#include <cstdlib>

#include "engine/PhotoEncoder.h"
#include "tests/support/TempFolder.h"

const GUID kTestFormatBmp = {0xB96B3CAB, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const GUID kTestFormatJpeg = {0xB96B3CAE, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const GUID kTestFormatPng = {0xB96B3CAF, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const GUID kTestFormatTiff = {0xB96B3CB1, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

GpBitmapPtr MakeBitmap(int width, int height, Gdiplus::ARGB fill) {
  GpBitmapPtr bitmap;
  if (gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, bitmap.receive()) !=
      Gdiplus::Ok)
    return {};
  PaintRect(bitmap.get(), 0, 0, width, height, fill);
  return bitmap;
}

void PaintRect(GpBitmap* bitmap, int x, int y, int width, int height, Gdiplus::ARGB colour) {
  const Gdiplus::GpRect rect(x, y, width, height);
  Gdiplus::BitmapData data{};
  if (gp::GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data) !=
      Gdiplus::Ok)
    return;
  for (UINT row = 0; row < data.Height; ++row) {
    auto* line = reinterpret_cast<Gdiplus::ARGB*>(static_cast<BYTE*>(data.Scan0) + row * data.Stride);
    for (UINT col = 0; col < data.Width; ++col) line[col] = colour;
  }
  gp::GdipBitmapUnlockBits(bitmap, &data);
}

Gdiplus::ARGB PixelAt(GpBitmap* bitmap, int x, int y) {
  Gdiplus::ARGB colour = 0;
  gp::GdipBitmapGetPixel(bitmap, x, y, &colour);
  return colour;
}

PictureSize SizeOf(GpImage* image) {
  UINT width = 0;
  UINT height = 0;
  if (image == nullptr) return {};
  gp::GdipGetImageWidth(image, &width);
  gp::GdipGetImageHeight(image, &height);
  return {static_cast<int>(width), static_cast<int>(height)};
}

bool SaveAs(GpBitmap* bitmap, const std::wstring& path, const GUID& format) {
  if (IsEqualGUID(format, kTestFormatJpeg)) return SaveJpegQuality(bitmap, path, 95) == S_OK;
  CLSID encoder{};
  if (FindEncoder(format, encoder) < 0) return false;
  return gp::GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
}

std::string JpegBytes(GpBitmap* bitmap, int quality) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"picture.jpg");
  if (SaveJpegQuality(bitmap, path, quality) != S_OK) return {};
  return ReadFileBytes(path);
}

GpImagePtr LoadPicture(const std::wstring& path) {
  GpImagePtr image;
  if (gp::GdipLoadImageFromFile(path.c_str(), image.receive()) != Gdiplus::Ok) image.reset();
  return image;
}

bool ColourNear(Gdiplus::ARGB actual, Gdiplus::ARGB expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = static_cast<int>((actual >> shift) & 0xFF);
    const int e = static_cast<int>((expected >> shift) & 0xFF);
    if (std::abs(a - e) > tolerance) return false;
  }
  return true;
}

std::string ColourText(Gdiplus::ARGB colour) {
  char text[16];
  std::snprintf(text, sizeof(text), "%08lX", static_cast<unsigned long>(colour));
  return text;
}
