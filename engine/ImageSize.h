#pragma once
// The pixel size of a GDI+ image, 0 x 0 when it cannot be read.
#include "base/GpOwned.h"

struct ImageSize {
  int width = 0;
  int height = 0;
  bool Empty() const { return width <= 0 || height <= 0; }
};

inline ImageSize ImageSizeOf(GpImage* image) {
  UINT width = 0;
  UINT height = 0;
  if (image == nullptr || gp::GdipGetImageWidth(image, &width) != Gdiplus::Ok ||
      gp::GdipGetImageHeight(image, &height) != Gdiplus::Ok)
    return {};
  return {static_cast<int>(width), static_cast<int>(height)};
}
