#pragma once
// An off-screen bitmap kept at the size of a window's client area.
#include "base/GpOwned.h"

class BackBuffer_CL {
public:
  BackBuffer_CL() = default;
  virtual ~BackBuffer_CL() = default;
  BackBuffer_CL(const BackBuffer_CL&) = delete;
  BackBuffer_CL& operator=(const BackBuffer_CL&) = delete;

  // Keeps the bitmap when it already has this size, else replaces it with a blank one in
  // pixelFormat. Answers the bitmap, null when none could be made (e.g. a 0 x 0 client area).
  GpBitmap* Resize(int width, int height);
  GpBitmap* Bitmap() const { return bitmap.get(); }
  // Every pixel set to the opaque `colour`, written through the bitmap's locked bits: many
  // times faster than a graphics' clear under Wine. Call it with no graphics open on the
  // bitmap. False when there is no bitmap or its pixels could not be locked.
  bool Fill(Gdiplus::ARGB colour);

  int pixelFormat = 0;  // set by the owner, e.g. PixelFormat32bppRGB

private:
  GpBitmapPtr bitmap;
};
