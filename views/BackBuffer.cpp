#include "views/BackBuffer.h"

#include <algorithm>
#include <cstdint>

#include "views/BitmapHelpers.h"

GpBitmap* BackBuffer_CL::Resize(int width, int height) {
  if (bitmap) {
    UINT currentWidth = 0, currentHeight = 0;
    gp::GdipGetImageWidth(bitmap.get(), &currentWidth);
    gp::GdipGetImageHeight(bitmap.get(), &currentHeight);
    if (static_cast<int>(currentWidth) == width && static_cast<int>(currentHeight) == height) return bitmap.get();
  }
  bitmap.reset();
  bitmap = CreateBlankBitmap(width, height, pixelFormat);
  return bitmap.get();
}

bool BackBuffer_CL::Fill(Gdiplus::ARGB colour) {
  if (!bitmap) return false;
  UINT width = 0, height = 0;
  gp::GdipGetImageWidth(bitmap.get(), &width);
  gp::GdipGetImageHeight(bitmap.get(), &height);
  // Locked in its own format when that is one of 32 bits a pixel (nothing to convert); an
  // opaque colour has the same four bytes in all of them.
  Gdiplus::PixelFormat format = PixelFormat32bppARGB;
  gp::GdipGetImagePixelFormat(bitmap.get(), &format);
  if (format != PixelFormat32bppRGB && format != PixelFormat32bppPARGB) format = PixelFormat32bppARGB;
  const LockedBits bits(bitmap.get(), static_cast<int>(width), static_cast<int>(height), Gdiplus::ImageLockModeWrite,
                        format);
  if (!bits.Locked()) return false;
  const Gdiplus::BitmapData& data = bits.Data();
  for (UINT y = 0; y < data.Height; ++y) {
    auto* const row = reinterpret_cast<Gdiplus::ARGB*>(static_cast<uint8_t*>(data.Scan0) +
                                                       static_cast<ptrdiff_t>(y) * data.Stride);
    std::fill(row, row + data.Width, colour);
  }
  return true;
}
