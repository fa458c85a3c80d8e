#pragma once
// Writing a finished picture: BMP and PNG as they are, JPEG at a fixed quality or at the
// quality whose size comes nearest a target. The JPEG round trips give the preview the
// picture as the file will hold it.
#include <cstdint>
#include <functional>
#include <string>

#include "base/GpOwned.h"
#include "engine/OutputFormat.h"
#include "engine/SaveData.h"

// JpegQualityTypeIndex values.
constexpr int kJpegFixedQuality = 0;
constexpr int kJpegTargetSize = 1;

// Index of the platform's encoder for `format` (a GDI+ image format identifier) with its
// class identifier in `encoder`; -1 when there is none.
int FindEncoder(const GUID& format, CLSID& encoder);

// Writes `bitmap` to `path` as type 0 BMP, 1 JPEG (quality or target size, as `settings`
// say) or 2 PNG. Unknown types and JPEG modes write nothing (E_FAIL). The bitmap stays the caller's.
HRESULT SavePhoto(GpBitmap* bitmap, const std::wstring& path, OutputFormat type, const SaveData_CL& settings);

// JPEG at `quality` (0..100; values outside are taken as the nearest end).
HRESULT SaveJpegQuality(GpBitmap* bitmap, const std::wstring& path, int quality);

// JPEG at the quality the target search settles on for `targetBytes`.
HRESULT SaveJpegTargetSize(GpBitmap* bitmap, const std::wstring& path, uint64_t targetBytes);

// The picture decoded back from its JPEG at `quality`; destroys the input. None on failure.
GpBitmapPtr JpegRoundTrip(GpBitmapPtr bitmap, int quality);

// The picture decoded back from the last JPEG of the target search; destroys the input.
GpBitmapPtr JpegTargetRoundTrip(GpBitmapPtr bitmap, uint64_t targetBytes);

// --- the target search ----------------------------------------------------------------

// Encodes the picture at a quality and reports the encoded size in bytes; 0 or a failure.
using JpegSizeProbe = std::function<HRESULT(int quality, uint64_t& encodedBytes)>;

struct JpegSearchResult {
  HRESULT result;  // 0, or the failure of the encoding that ended the search
  int quality;     // the last quality encoded
};

// Halving search from quality 100 with steps 50, 25, 13, 7, 4, 2, 1 for the quality whose
// size lies within 512 bytes of `targetBytes`; stops there, when the step is spent, or when
// the next quality would leave 0..100. At most eight encodings.
JpegSearchResult SearchJpegQuality(uint64_t targetBytes, const JpegSizeProbe& encode);
