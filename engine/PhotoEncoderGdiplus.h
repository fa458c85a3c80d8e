#pragma once
// Transitional: the GDI+ pipeline's pictures written through the libvips encoders. The
// conversion and the preview still hold GpBitmaps; once the pipeline hands over VipsImage
// pictures, they call PhotoEncoder.h directly and this pair of files goes.
#include <cstdint>
#include <string>

#include "base/GpOwned.h"
#include "engine/PhotoEncoder.h"

// SavePhoto of the bitmap's pixels (an opaque bitmap is written without alpha). It carries
// no metadata. The bitmap stays the caller's; no bitmap is E_POINTER.
HRESULT SavePhoto(GpBitmap* bitmap, const std::wstring& path, OutputFormat type, const SaveData_CL& settings);

// JpegRoundTrip / JpegTargetRoundTrip of the bitmap's pixels as a 32-bit ARGB bitmap;
// destroys the input. None on failure.
GpBitmapPtr JpegRoundTrip(GpBitmapPtr bitmap, int quality);
GpBitmapPtr JpegTargetRoundTrip(GpBitmapPtr bitmap, uint64_t targetBytes);
