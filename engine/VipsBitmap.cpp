#include "engine/VipsBitmap.h"

#include <cstdint>
#include <vector>

namespace {

constexpr int kRgbaBands = 4;
constexpr uint8_t kOpaque = 0xFF;

// The largest 32-bit picture whose bytes a GDI+ bitmap can address with its signed 32-bit stride.
bool AddressableArgb(int width, int height) {
  constexpr int64_t kMaxBytes = INT32_MAX;
  return width > 0 && height > 0 && int64_t{width} <= kMaxBytes / kRgbaBands / int64_t{height};
}

VipsImagePtr InSrgb(VipsImage* picture) {
  if (vips_image_get_bands(picture) >= 3 && vips_image_get_interpretation(picture) == VIPS_INTERPRETATION_sRGB)
    return ShareImage(picture);
  VipsImagePtr srgb;
  if (vips_colourspace(picture, srgb.receive(), VIPS_INTERPRETATION_sRGB, nullptr) != 0) srgb.reset();
  return srgb;
}

VipsImagePtr InEightBits(VipsImage* picture) {
  if (vips_image_get_format(picture) == VIPS_FORMAT_UCHAR) return ShareImage(picture);
  VipsImagePtr bytes;
  if (vips_cast_uchar(picture, bytes.receive(), nullptr) != 0) bytes.reset();
  return bytes;
}

VipsImagePtr AtMostFourBands(VipsImage* picture) {
  if (vips_image_get_bands(picture) <= kRgbaBands) return ShareImage(picture);
  VipsImagePtr four;
  if (vips_extract_band(picture, four.receive(), 0, "n", kRgbaBands, nullptr) != 0) four.reset();
  return four;
}

// Copies the RGB or RGBA rows of a picture in memory into the BGRA rows of a locked ARGB
// bitmap; a picture without alpha is opaque.
void CopyToArgb(VipsImage* pixels, int bands, const Gdiplus::BitmapData& data) {
  for (UINT y = 0; y < data.Height; ++y) {
    const auto* from = static_cast<const uint8_t*>(VIPS_IMAGE_ADDR(pixels, 0, static_cast<int>(y)));
    auto* to = static_cast<uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
    for (UINT x = 0; x < data.Width; ++x, from += bands, to += kRgbaBands) {
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
      to[3] = bands == kRgbaBands ? from[3] : kOpaque;
    }
  }
}

// True when every pixel of the locked ARGB rows is opaque.
bool AllOpaque(const Gdiplus::BitmapData& data) {
  for (UINT y = 0; y < data.Height; ++y) {
    const auto* row = static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
    for (UINT x = 0; x < data.Width; ++x)
      if (row[x * kRgbaBands + 3] != kOpaque) return false;
  }
  return true;
}

// The locked BGRA rows as packed RGB (three bands) or RGBA (four).
std::vector<uint8_t> PackedRgb(const Gdiplus::BitmapData& data, int bands) {
  std::vector<uint8_t> packed(static_cast<size_t>(data.Width) * data.Height * static_cast<size_t>(bands));
  uint8_t* to = packed.data();
  for (UINT y = 0; y < data.Height; ++y) {
    const auto* from = static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
    for (UINT x = 0; x < data.Width; ++x, from += kRgbaBands, to += bands) {
      to[0] = from[2];
      to[1] = from[1];
      to[2] = from[0];
      if (bands == kRgbaBands) to[3] = from[3];
    }
  }
  return packed;
}

}  // namespace

VipsImagePtr InSrgbBytes(VipsImage* picture) {
  VipsImagePtr srgb = InSrgb(picture);
  if (!srgb) return {};
  VipsImagePtr bytes = InEightBits(srgb.get());
  if (!bytes) return {};
  return AtMostFourBands(bytes.get());
}

GpBitmapPtr ToGdiplusBitmap(VipsImage* picture) {
  if (picture == nullptr) return {};
  const int width = vips_image_get_width(picture);
  const int height = vips_image_get_height(picture);
  if (!AddressableArgb(width, height)) return {};
  const VipsImagePtr bytes = InSrgbBytes(picture);
  if (!bytes) return {};
  // In memory, read row by row: a picture already there is not copied again.
  const VipsImagePtr pixels(vips_image_copy_memory(bytes.get()));
  if (!pixels) return {};
  const int bands = vips_image_get_bands(pixels.get());
  if (bands < 3 || bands > kRgbaBands) return {};

  GpBitmapPtr bitmap;
  if (gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, bitmap.receive()) !=
      Gdiplus::Ok)
    return {};
  const LockedBits bits(bitmap.get(), width, height, Gdiplus::ImageLockModeWrite);
  if (!bits.Locked()) return {};
  CopyToArgb(pixels.get(), bands, bits.Data());
  return bitmap;
}

VipsImagePtr FromGdiplusBitmap(GpBitmap* bitmap) {
  UINT width = 0;
  UINT height = 0;
  if (bitmap == nullptr || gp::GdipGetImageWidth(bitmap, &width) != Gdiplus::Ok ||
      gp::GdipGetImageHeight(bitmap, &height) != Gdiplus::Ok ||
      !AddressableArgb(static_cast<int>(width), static_cast<int>(height)))
    return {};
  const LockedBits bits(bitmap, static_cast<int>(width), static_cast<int>(height), Gdiplus::ImageLockModeRead);
  if (!bits.Locked()) return {};
  const int bands = AllOpaque(bits.Data()) ? 3 : kRgbaBands;
  const std::vector<uint8_t> packed = PackedRgb(bits.Data(), bands);

  const VipsImagePtr copy(vips_image_new_from_memory_copy(packed.data(), packed.size(), static_cast<int>(width),
                                                          static_cast<int>(height), bands, VIPS_FORMAT_UCHAR));
  if (!copy) return {};
  VipsImagePtr srgb;
  if (vips_copy(copy.get(), srgb.receive(), "interpretation", VIPS_INTERPRETATION_sRGB, nullptr) != 0) srgb.reset();
  return srgb;
}
