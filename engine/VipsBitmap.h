#pragma once
// Pictures crossing between libvips and GDI+: the preview and the strip draw GDI+ bitmaps,
// BMP files are read by GDI+ (libvips has no reader for them).
#include "base/GpOwned.h"
#include "engine/VipsOwned.h"

// `picture` as the engine hands pictures on: 8-bit sRGB with 3 bands, or 4 when it has alpha
// (one or two bands are taken as grey, bands past the fourth are dropped). The pixels are
// computed when the result is. None when libvips fails.
VipsImagePtr InSrgbBytes(VipsImage* picture);

// A 32-bit ARGB copy of `picture` (sRGB, 8 bits; one or two bands are taken as grey, a
// picture without alpha comes out opaque). None when `picture` is none, cannot be computed,
// or is too large for a GDI+ bitmap.
GpBitmapPtr ToGdiplusBitmap(VipsImage* picture);

// A copy of `bitmap` in libvips' memory: sRGB, 8 bits, RGB when every pixel is opaque, else
// RGBA (not premultiplied). None when the bitmap's pixels cannot be read.
VipsImagePtr FromGdiplusBitmap(GpBitmap* bitmap);
