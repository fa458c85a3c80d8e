#include "views/BitmapHelpers.h"

BoxPlacement FitIntoBox(int photoWidth, int photoHeight, int boxWidth, int boxHeight) {
  BoxPlacement placement;
  if (photoWidth <= 0 || photoHeight <= 0) return placement;
  // 64-bit products: a side times a box side may exceed 32 bits for absurd sizes.
  if (photoWidth < photoHeight) {
    placement.height = boxHeight;
    placement.width = static_cast<int>(static_cast<long long>(photoWidth) * boxHeight / photoHeight);
  } else {
    placement.width = boxWidth;
    placement.height = static_cast<int>(static_cast<long long>(photoHeight) * boxWidth / photoWidth);
  }
  // C++ division truncates toward zero, which keeps a negative offset centred.
  placement.x = (boxWidth - placement.width) / 2;
  placement.y = (boxHeight - placement.height) / 2;
  return placement;
}

GpBitmapPtr CreateBlankBitmap(int width, int height, int pixelFormat) {
  GpBitmapPtr bitmap;
  if (width <= 0 || height <= 0) return bitmap;
  if (gp::GdipCreateBitmapFromScan0(width, height, 0, pixelFormat, nullptr, bitmap.receive()) != Gdiplus::Ok)
    bitmap.reset();
  return bitmap;
}

GpStatus DrawIntoBox(GpImage* photo, GpBitmap* box) {
  if (!photo || !box) return Gdiplus::InvalidParameter;
  UINT photoWidth = 0, photoHeight = 0, boxWidth = 0, boxHeight = 0;
  gp::GdipGetImageWidth(photo, &photoWidth);
  gp::GdipGetImageHeight(photo, &photoHeight);
  gp::GdipGetImageWidth(box, &boxWidth);
  gp::GdipGetImageHeight(box, &boxHeight);
  const BoxPlacement place = FitIntoBox(static_cast<int>(photoWidth), static_cast<int>(photoHeight),
                                        static_cast<int>(boxWidth), static_cast<int>(boxHeight));
  if (place.width <= 0 || place.height <= 0) return Gdiplus::InvalidParameter;

  GpGraphicsPtr graphics;
  GpStatus status = gp::GdipGetImageGraphicsContext(box, graphics.receive());
  if (status != Gdiplus::Ok) return status;
  return gp::GdipDrawImageRectRectI(graphics.get(), photo, place.x, place.y, place.width, place.height, 0, 0,
                                    static_cast<INT>(photoWidth), static_cast<INT>(photoHeight),
                                    Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
}

GpBitmapPtr ScaleIntoBox(GpImage* source, int boxWidth, int boxHeight) {
  GpBitmapPtr thumbnail = CreateBlankBitmap(boxWidth, boxHeight, kThumbnailPixelFormat);
  if (thumbnail) DrawIntoBox(source, thumbnail.get());
  return thumbnail;
}

void DrawUnreadableTile(GpBitmap* box) {
  constexpr Gdiplus::ARGB kTile = 0xFF9A9A9A;
  constexpr Gdiplus::ARGB kCross = 0xFF6A6A6A;
  GpGraphicsPtr graphics;
  if (box == nullptr || gp::GdipGetImageGraphicsContext(box, graphics.receive()) != Gdiplus::Ok) return;
  gp::GdipGraphicsClear(graphics.get(), kTile);
  UINT width = 0;
  UINT height = 0;
  gp::GdipGetImageWidth(box, &width);
  gp::GdipGetImageHeight(box, &height);
  GpPenPtr pen;
  if (gp::GdipCreatePen1(kCross, 3.0f, Gdiplus::UnitPixel, pen.receive()) != Gdiplus::Ok) return;
  const auto w = static_cast<Gdiplus::REAL>(width);
  const auto h = static_cast<Gdiplus::REAL>(height);
  gp::GdipDrawLine(graphics.get(), pen.get(), 0, 0, w, h);
  gp::GdipDrawLine(graphics.get(), pen.get(), w, 0, 0, h);
}
