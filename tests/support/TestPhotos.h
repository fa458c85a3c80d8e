#pragma once
// Pictures for tests, made with GDI+ in memory and written into a TempFolder with the
// platform's own encoders, never with the program's.
#include <string>

#include "base/GpOwned.h"

// A width x height 32-bit ARGB bitmap filled with `fill` (0xAARRGGBB).
GpBitmapPtr MakeBitmap(int width, int height, Gdiplus::ARGB fill);
// Paints a rectangle of `bitmap` with `colour`, pixel for pixel.
void PaintRect(GpBitmap* bitmap, int x, int y, int width, int height, Gdiplus::ARGB colour);
Gdiplus::ARGB PixelAt(GpBitmap* bitmap, int x, int y);

struct PictureSize {
  int width = 0;
  int height = 0;
};
PictureSize SizeOf(GpImage* image);

// The platform's format identifiers.
extern const GUID kTestFormatBmp;
extern const GUID kTestFormatJpeg;
extern const GUID kTestFormatPng;
extern const GUID kTestFormatTiff;

// Writes `bitmap` as a file of `format` (JPEG at quality 95). False on failure.
bool SaveAs(GpBitmap* bitmap, const std::wstring& path, const GUID& format);
// The bytes of `bitmap` as a JPEG file at `quality`; empty on failure.
std::string JpegBytes(GpBitmap* bitmap, int quality = 95);
// Loads a picture file (no colour management); none when it cannot be read.
GpImagePtr LoadPicture(const std::wstring& path);

// True when every channel of `actual` is within `tolerance` of `expected`.
bool ColourNear(Gdiplus::ARGB actual, Gdiplus::ARGB expected, int tolerance);
std::string ColourText(Gdiplus::ARGB colour);
