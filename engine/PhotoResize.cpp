#include "engine/PhotoResize.h"

#include <cstdint>

#include "engine/ExifOrientation.h"
#include "engine/ImageSize.h"
#include "engine/PhotoEffects.h"

namespace {

constexpr int kFitCustomBox = -1;
constexpr int kFitKeepSize = -2;

// a x b / c with truncation toward zero, wide enough that large photos cannot overflow.
int Scale(int a, int b, int c) {
  return static_cast<int>(static_cast<int64_t>(a) * static_cast<int64_t>(b) / static_cast<int64_t>(c));
}

// The largest 32-bit picture whose bytes a GDI+ bitmap can address with its signed 32-bit stride.
bool AddressableArgb(int width, int height) {
  constexpr int64_t kBytesPerPixel = 4;
  constexpr int64_t kMaxBytes = INT32_MAX;
  return width > 0 && height > 0 && int64_t{width} <= kMaxBytes / kBytesPerPixel / int64_t{height};
}

// None when the bitmap cannot be made, among others when it is too large to address (some
// GDI+ builds would hand out a bitmap with an overflowed stride).
GpBitmapPtr CreateArgbBitmap(int width, int height) {
  GpBitmapPtr bitmap;
  if (!AddressableArgb(width, height)) return bitmap;
  if (gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, bitmap.receive()) !=
      Gdiplus::Ok)
    bitmap.reset();
  return bitmap;
}

// Draws all of `source` (width x height) into the rectangle 0, 0, destWidth, destHeight of `target`.
void DrawWhole(GpBitmap* target, GpImage* source, ImageSize sourceSize, float destWidth, float destHeight) {
  GpGraphicsPtr graphics;
  if (gp::GdipGetImageGraphicsContext(target, graphics.receive()) != Gdiplus::Ok) return;
  gp::GdipDrawImageRectRect(graphics.get(), source, 0, 0, destWidth, destHeight, 0, 0,
                            static_cast<Gdiplus::REAL>(sourceSize.width),
                            static_cast<Gdiplus::REAL>(sourceSize.height), Gdiplus::UnitPixel, nullptr, nullptr,
                            nullptr);
}

ImageSize BoxFor(const SaveData_CL& settings, ImageSize loaded) {
  if (settings.fitWidth == kFitKeepSize) return loaded;
  if (settings.fitWidth == kFitCustomBox) return {settings.outputWidth, settings.outputHeight};
  return {settings.fitWidth, settings.fitHeight};
}

}  // namespace

FittedSize FitSize(int width, int height, int boxWidth, int boxHeight) {
  if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return {0, 0};
  FittedSize size{};
  if (width < height) {  // portrait: fill the box height first
    size = {Scale(width, boxHeight, height), boxHeight};
    if (boxWidth < size.width) size = {boxWidth, Scale(height, boxWidth, width)};
  } else {  // landscape or square: fill the box width first
    size = {boxWidth, Scale(height, boxWidth, width)};
    if (boxHeight < size.height) size = {Scale(width, boxHeight, height), boxHeight};
  }
  // A very long, thin photo would truncate to nothing: keep one row or column of it.
  if (size.width < 1) size.width = 1;
  if (size.height < 1) size.height = 1;
  return size;
}

GpBitmapPtr OrientPhoto(GpImage* image, int rotation, const std::wstring& path) {
  const ImageSize size = ImageSizeOf(image);
  if (size.Empty()) return {};
  GpBitmapPtr upright = CreateArgbBitmap(size.width, size.height);
  if (!upright) {
    LogBitmapCreationFailure();
    return {};
  }
  DrawWhole(upright.get(), image, size, static_cast<float>(size.width), static_cast<float>(size.height));

  TurnUpright(upright.get(), PhotoOrientation(image, path), rotation);
  return upright;
}

GpBitmapPtr FitToBox(GpBitmapPtr bitmap, int boxWidth, int boxHeight) {
  const ImageSize size = ImageSizeOf(bitmap.get());
  const FittedSize fitted = FitSize(size.width, size.height, boxWidth, boxHeight);
  if (fitted.width <= 0 || fitted.height <= 0) return {};
  GpBitmapPtr result = CreateArgbBitmap(fitted.width, fitted.height);
  if (!result) {
    LogBitmapCreationFailure();
    return {};
  }
  DrawWhole(result.get(), bitmap.get(), size, static_cast<float>(fitted.width), static_cast<float>(fitted.height));
  return result;
}

GpBitmapPtr PreparePhoto(const PhotoItem& item, const SaveData_CL& settings) {
  GpImagePtr source;
  if (gp::GdipLoadImageFromFileICM(item.path.c_str(), source.receive()) != Gdiplus::Ok) return {};
  const ImageSize loaded = ImageSizeOf(source.get());
  if (loaded.Empty()) return {};
  const ImageSize box = BoxFor(settings, loaded);

  GpBitmapPtr bitmap = FitToBox(OrientPhoto(source.get(), item.rotation, item.path), box.width, box.height);
  if (!bitmap) return {};
  return ApplyEffects(std::move(bitmap), item.ownEffect != 0 ? item.effect : settings.globalEffect);
}
