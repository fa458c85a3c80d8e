#include "tests/views/TestImages.h"

#include "tests/support/TempFolder.h"

namespace {

constexpr CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr CLSID kJpegEncoder = {0x557CF401, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

int Red(Gdiplus::ARGB c) { return (c >> 16) & 0xFF; }
int Green(Gdiplus::ARGB c) { return (c >> 8) & 0xFF; }
int Blue(Gdiplus::ARGB c) { return c & 0xFF; }

}  // namespace

GpBitmapPtr MakePicture(const TestPicture& picture) {
  GpBitmapPtr bitmap;
  gp::GdipCreateBitmapFromScan0(picture.width, picture.height, 0, PixelFormat24bppRGB, nullptr, bitmap.receive());
  GpGraphicsPtr graphics;
  gp::GdipGetImageGraphicsContext(bitmap.get(), graphics.receive());
  gp::GdipGraphicsClear(graphics.get(), picture.argb);
  if (picture.secondArgb != 0) {
    Gdiplus::GpSolidFill* brush = nullptr;
    gp::GdipCreateSolidFill(picture.secondArgb, &brush);
    const int w = picture.splitColumn > 0 ? picture.splitColumn : picture.width;
    const int h = picture.splitColumn > 0 ? picture.height : picture.splitRow;
    gp::GdipFillRectangleI(graphics.get(), brush, 0, 0, w, h);
    gp::GdipDeleteBrush(brush);
  }
  return bitmap;
}

bool SavePicture(const TestPicture& picture, const std::wstring& path) {
  const bool jpeg = path.size() > 4 && path.substr(path.size() - 4) == L".jpg";
  const GpBitmapPtr bitmap = MakePicture(picture);
  return gp::GdipSaveImageToFile(bitmap.get(), path.c_str(), jpeg ? &kJpegEncoder : &kPngEncoder, nullptr) ==
         Gdiplus::Ok;
}

bool AddExifOrientation(const std::wstring& jpegPath, int orientation) {
  std::string bytes = ReadFileBytes(jpegPath);
  if (bytes.size() < 2) return false;
  // APP1 "Exif", little-endian TIFF header, IFD0 with the one entry 0x0112 SHORT 1.
  const std::string tiff = std::string("II*\0\x08\0\0\0", 8) + std::string("\x01\0", 2) +
                           std::string("\x12\x01\x03\0\x01\0\0\0", 8) +
                           std::string{static_cast<char>(orientation), 0, 0, 0} + std::string(4, '\0');
  const std::string body = std::string("Exif\0\0", 6) + tiff;
  const size_t length = body.size() + 2;
  const std::string segment = std::string("\xFF\xE1", 2) + static_cast<char>(length >> 8) +
                              static_cast<char>(length & 0xFF) + body;
  bytes.insert(2, segment);
  return WriteFileBytes(jpegPath, bytes);
}

Gdiplus::ARGB PixelAt(GpBitmap* bitmap, int x, int y) {
  Gdiplus::ARGB color = 0;
  gp::GdipBitmapGetPixel(bitmap, x, y, &color);
  return color;
}

bool IsWhite(Gdiplus::ARGB c) { return Red(c) > 200 && Green(c) > 200 && Blue(c) > 200; }
bool IsBlack(Gdiplus::ARGB c) { return Red(c) < 30 && Green(c) < 30 && Blue(c) < 30; }
bool IsRed(Gdiplus::ARGB c) { return Red(c) > 180 && Green(c) < 80 && Blue(c) < 80; }
bool IsBlue(Gdiplus::ARGB c) { return Red(c) < 80 && Green(c) < 80 && Blue(c) > 180; }
