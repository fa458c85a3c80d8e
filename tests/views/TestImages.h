#pragma once
// Pictures the thumbnail tests make for themselves.
#include <string>

#include "base/GpOwned.h"

// A width x height picture filled with `argb`; when `secondArgb` is non-zero, the rows above
// splitRow (or, with splitColumn, the columns left of it) get that colour instead.
struct TestPicture {
  int width = 0;
  int height = 0;
  Gdiplus::ARGB argb = 0xFFFFFFFF;
  Gdiplus::ARGB secondArgb = 0;
  int splitRow = 0;
  int splitColumn = 0;
};
GpBitmapPtr MakePicture(const TestPicture& picture);
// Saves as PNG, or as JPEG when the name ends in ".jpg".
bool SavePicture(const TestPicture& picture, const std::wstring& path);
// Puts an EXIF block with this orientation right after the JPEG's start marker.
bool AddExifOrientation(const std::wstring& jpegPath, int orientation);
// The colour at (x, y), as ARGB.
Gdiplus::ARGB PixelAt(GpBitmap* bitmap, int x, int y);
bool IsWhite(Gdiplus::ARGB c);
bool IsBlack(Gdiplus::ARGB c);
bool IsRed(Gdiplus::ARGB c);
bool IsBlue(Gdiplus::ARGB c);
