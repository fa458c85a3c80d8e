#pragma once
// Writing a finished picture: JPEG at a fixed quality or at the quality whose size comes
// nearest a target, PNG, WebP at the JPEG quality, and 24-bit BMP. The picture's EXIF and
// colour profile go along or are stripped as the settings say. The JPEG round trips give
// the preview the picture as the file will hold it.
#include <cstdint>
#include <functional>
#include <string>

#include "engine/OutputFormat.h"
#include "engine/SaveData.h"
#include "engine/VipsOwned.h"

// JpegQualityTypeIndex values.
constexpr int kJpegFixedQuality = 0;
constexpr int kJpegTargetSize = 1;

// Encodes `picture` as `type` into `encoded`: JPEG at settings.JpegQuantization or at the
// target search's quality for settings.JpegFileSize (KByte), as settings.JpegQualityTypeIndex
// says; PNG; WebP (lossy) at settings.JpegQuantization whatever the JPEG mode; BMP 24-bit.
// JPEG and BMP have no transparency: a picture with alpha is flattened on white for them.
// settings.KeepMetadata 1 keeps the EXIF (Orientation 1, no thumbnail) and the colour
// profile where the type can hold them, not XMP or IPTC; 0 writes none. Unknown types and JPEG modes encode
// nothing (E_FAIL); no picture is E_POINTER. The picture stays the caller's.
HRESULT EncodePhoto(VipsImage* picture, OutputFormat type, const SaveData_CL& settings, VipsBytes& encoded);

// EncodePhoto, then the bytes written to `path` (which may be in the "\\?\" form) all at
// once (WriteFileAtomically): nothing is written when the encoding fails, and a failed write
// leaves whatever was at `path` as it was.
HRESULT SavePhoto(VipsImage* picture, const std::wstring& path, OutputFormat type, const SaveData_CL& settings);

// The picture decoded back from its JPEG at `quality` (1..100; values outside are taken as
// the nearest end), in memory. `keepMetadata` encodes the metadata along, as SavePhoto does,
// so the JPEG is the file's. None on failure.
VipsImagePtr JpegRoundTrip(VipsImage* picture, int quality, bool keepMetadata = false);

// The picture decoded back from the last JPEG of the target search for `targetBytes`. With
// `keepMetadata` as SavePhoto is given it, the search settles where the file's did. None on failure.
VipsImagePtr JpegTargetRoundTrip(VipsImage* picture, uint64_t targetBytes, bool keepMetadata = false);

// The picture an encoding holds (JPEG, PNG, WebP), decoded into memory; none on failure.
VipsImagePtr DecodeEncoded(const VipsBytes& encoded);

// The size of the 24-bit BMP file of a width x height picture; 0 when the picture has no
// pixels or the file would not fit the format's 32-bit sizes.
uint64_t BmpFileSize(int width, int height);

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
