#include "tests/support/TestPhotos.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "tests/support/TempFolder.h"

const GUID kTestFormatBmp = {0xB96B3CAB, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const GUID kTestFormatJpeg = {0xB96B3CAE, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const GUID kTestFormatPng = {0xB96B3CAF, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const GUID kTestFormatTiff = {0xB96B3CB1, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

namespace {

constexpr GUID kEncoderQuality = {0x1D5BE4B5, 0xFA4A, 0x452D, {0x9C, 0xDD, 0x5D, 0xB3, 0x51, 0x05, 0xE7, 0xEB}};
constexpr int kJpegQuality = 95;

// The platform's encoder for `format` (a GDI+ image format identifier); false when there is none.
bool FindEncoder(const GUID& format, CLSID& encoder) {
  UINT count = 0;
  UINT size = 0;
  if (gp::GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  // ImageCodecInfo records hold pointers into the same buffer: keep it pointer-aligned.
  std::unique_ptr<uint64_t[]> buffer(new (std::nothrow) uint64_t[size / sizeof(uint64_t) + 1]);
  if (!buffer) return false;
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.get());
  if (gp::GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (IsEqualGUID(codecs[i].FormatID, format)) {
      encoder = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

// The one-parameter record that carries a JPEG quality to the platform's encoder.
class QualityParameter {
public:
  explicit QualityParameter(int quality) : value(static_cast<ULONG>(std::clamp(quality, 0, 100))) {
    record.Count = 1;
    record.Parameter[0].Guid = kEncoderQuality;
    record.Parameter[0].NumberOfValues = 1;
    record.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
    record.Parameter[0].Value = &value;
  }
  QualityParameter(const QualityParameter&) = delete;
  QualityParameter& operator=(const QualityParameter&) = delete;

  const Gdiplus::EncoderParameters* get() const { return &record; }

private:
  ULONG value;
  Gdiplus::EncoderParameters record{};
};

bool SaveJpeg(GpBitmap* bitmap, const std::wstring& path, int quality) {
  CLSID jpeg{};
  if (bitmap == nullptr || !FindEncoder(kTestFormatJpeg, jpeg)) return false;
  const QualityParameter parameter(quality);
  return gp::GdipSaveImageToFile(bitmap, path.c_str(), &jpeg, parameter.get()) == Gdiplus::Ok;
}

}  // namespace

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
  if (IsEqualGUID(format, kTestFormatJpeg)) return SaveJpeg(bitmap, path, kJpegQuality);
  CLSID encoder{};
  if (bitmap == nullptr || !FindEncoder(format, encoder)) return false;
  return gp::GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
}

std::string JpegBytes(GpBitmap* bitmap, int quality) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"picture.jpg");
  if (!SaveJpeg(bitmap, path, quality)) return {};
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
