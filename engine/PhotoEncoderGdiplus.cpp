#include "engine/PhotoEncoderGdiplus.h"

#include <cstring>
#include <vector>

namespace {

constexpr size_t kArgbBytes = 4;

// The bitmap's pixels as 8-bit sRGB; RGBA unless every pixel is opaque, then RGB.
VipsImagePtr VipsFromBitmap(GpBitmap* bitmap) {
  UINT width = 0;
  UINT height = 0;
  if (bitmap == nullptr || gp::GdipGetImageWidth(bitmap, &width) != Gdiplus::Ok ||
      gp::GdipGetImageHeight(bitmap, &height) != Gdiplus::Ok || width == 0 || height == 0)
    return {};
  const Gdiplus::GpRect rect(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  Gdiplus::BitmapData data{};
  if (gp::GdipBitmapLockBits(bitmap, &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
    return {};
  std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * kArgbBytes);
  bool opaque = true;
  unsigned char* out = rgba.data();
  for (UINT y = 0; y < height; ++y) {
    const auto* line = reinterpret_cast<const Gdiplus::ARGB*>(static_cast<const BYTE*>(data.Scan0) + y * data.Stride);
    for (UINT x = 0; x < width; ++x) {
      const Gdiplus::ARGB argb = line[x];
      *out++ = static_cast<unsigned char>(argb >> 16);
      *out++ = static_cast<unsigned char>(argb >> 8);
      *out++ = static_cast<unsigned char>(argb);
      *out++ = static_cast<unsigned char>(argb >> 24);
      opaque = opaque && (argb >> 24) == 0xFF;
    }
  }
  gp::GdipBitmapUnlockBits(bitmap, &data);
  VipsImagePtr image(vips_image_new_from_memory_copy(rgba.data(), rgba.size(), static_cast<int>(width),
                                                     static_cast<int>(height), 4, VIPS_FORMAT_UCHAR));
  VipsImagePtr tagged;
  if (!image || vips_copy(image.get(), tagged.receive(), "interpretation", VIPS_INTERPRETATION_sRGB, nullptr) != 0)
    return {};
  if (!opaque) return tagged;
  VipsImagePtr rgb;
  if (vips_extract_band(tagged.get(), rgb.receive(), 0, "n", 3, nullptr) != 0) return {};
  return rgb;
}

// A 32-bit ARGB bitmap of an opaque picture.
GpBitmapPtr BitmapFromVips(VipsImage* picture) {
  VipsImagePtr srgb;
  VipsImagePtr rgb;
  if (picture == nullptr || vips_colourspace(picture, srgb.receive(), VIPS_INTERPRETATION_sRGB, nullptr) != 0 ||
      vips_extract_band(srgb.get(), rgb.receive(), 0, "n", 3, nullptr) != 0)
    return {};
  size_t size = 0;
  const GMemory pixels(vips_image_write_to_memory(rgb.get(), &size));
  const int width = rgb.get()->Xsize;
  const int height = rgb.get()->Ysize;
  if (!pixels || size != static_cast<size_t>(width) * height * 3) return {};
  GpBitmapPtr bitmap;
  if (gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, bitmap.receive()) != Gdiplus::Ok)
    return {};
  const Gdiplus::GpRect rect(0, 0, width, height);
  Gdiplus::BitmapData data{};
  if (gp::GdipBitmapLockBits(bitmap.get(), &rect, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data) !=
      Gdiplus::Ok)
    return {};
  const auto* in = static_cast<const unsigned char*>(pixels.get());
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<Gdiplus::ARGB*>(static_cast<BYTE*>(data.Scan0) + y * data.Stride);
    for (int x = 0; x < width; ++x, in += 3)
      line[x] = 0xFF000000u | static_cast<Gdiplus::ARGB>(in[0]) << 16 | static_cast<Gdiplus::ARGB>(in[1]) << 8 | in[2];
  }
  gp::GdipBitmapUnlockBits(bitmap.get(), &data);
  return bitmap;
}

}  // namespace

HRESULT SavePhoto(GpBitmap* bitmap, const std::wstring& path, OutputFormat type, const SaveData_CL& settings) {
  if (bitmap == nullptr) return E_POINTER;
  const VipsImagePtr picture = VipsFromBitmap(bitmap);
  return picture ? SavePhoto(picture.get(), path, type, settings) : E_FAIL;
}

GpBitmapPtr JpegRoundTrip(GpBitmapPtr bitmap, int quality) {
  const VipsImagePtr picture = VipsFromBitmap(bitmap.get());
  bitmap.reset();
  const VipsImagePtr decoded = picture ? JpegRoundTrip(picture.get(), quality) : VipsImagePtr{};
  return BitmapFromVips(decoded.get());
}

GpBitmapPtr JpegTargetRoundTrip(GpBitmapPtr bitmap, uint64_t targetBytes) {
  const VipsImagePtr picture = VipsFromBitmap(bitmap.get());
  bitmap.reset();
  const VipsImagePtr decoded = picture ? JpegTargetRoundTrip(picture.get(), targetBytes) : VipsImagePtr{};
  return BitmapFromVips(decoded.get());
}
