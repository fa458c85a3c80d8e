#include "views/BackBuffer.h"

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
