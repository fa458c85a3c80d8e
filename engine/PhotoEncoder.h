#pragma once
// Writing a finished picture: JPEG at a fixed quality or at the quality whose size comes
// nearest a target, PNG, WebP and AVIF at the JPEG quality, and 24-bit BMP. The picture's EXIF and
// colour profile go along or are stripped as the settings say. The JPEG round trips give
// the preview the picture as the file will hold it.
#include <cstdint>
#include <functional>
#include <string>

#include "engine/ConvertSettings.h"
#include "engine/OutputFormat.h"
#include "engine/VipsOwned.h"

// EncodePhoto's answer when no picture of at least kSmallestLimitedSide pixels a side fits
// under the strict size limit: HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE). Nothing is encoded.
constexpr HRESULT kSizeLimitUnmet = static_cast<HRESULT>(0x800700DFu);
constexpr int kSmallestLimitedSide = 16;

// The size the encoding was given: the picture's own, or smaller to keep under the strict limit.
struct EncodedSize {
  int width = 0;
  int height = 0;
  bool madeSmaller = false;
};

// Whether `settings` ask that no output be larger than the target size ("必ずこのサイズ以下にする").
bool HasStrictSizeLimit(const ConvertSettings& settings);

// Encodes `picture` as `type` into `encoded`: JPEG at settings.JpegQuantization or at the
// target search's quality for settings.JpegFileSize (KByte), as settings.JpegQualityTypeIndex
// says; PNG; WebP (lossy) at settings.JpegQuantization whatever the JPEG mode; AVIF (AV1, 8-bit,
// whole chroma from quality 90) at the AVIF quality that looks like our JPEG at
// settings.JpegQuantization, whatever the JPEG mode, tagged sRGB (engine/AvifColour); BMP 24-bit.
// JPEG and BMP have no transparency: a picture with alpha is flattened on white for them.
// settings.KeepMetadata keeps the EXIF (Orientation 1, no thumbnail, no GPS tags with
// settings.RemoveGps) and the colour profile where the type can hold them, never XMP or IPTC
// (so no copy of the position either); 0 writes none. JPEG is progressive, with optimised
// tables, mozjpeg's deringing and its quant table 3; whole chroma from quality 90. Unknown types and JPEG modes encode
// nothing (E_FAIL); no picture is E_POINTER. The picture stays the caller's.
//
// Under a strict size limit (HasStrictSizeLimit) no encoding is larger than JpegFileSize KByte,
// whatever the type: JPEG at the highest quality whose file fits, WebP and AVIF at the highest
// quality up to JpegQuantization that fits, PNG and BMP as they are. When the lowest quality (or the
// lossless file) is still over, the picture is made smaller, same aspect, in steps of about
// sqrt(limit / size), and searched again, until it fits; not below kSmallestLimitedSide on its
// short side (kSizeLimitUnmet). `given`, when not null, receives the size that was encoded.
HRESULT EncodePhoto(VipsImage* picture, OutputFormat type, const ConvertSettings& settings, VipsBytes& encoded,
                    EncodedSize* given = nullptr);

// EncodePhoto, then the bytes written to `path` (which may be in the "\\?\" form) all at
// once (WriteFileAtomically): nothing is written when the encoding fails, and a failed write
// leaves whatever was at `path` as it was.
HRESULT SavePhoto(VipsImage* picture, const std::wstring& path, OutputFormat type, const ConvertSettings& settings);

// The picture decoded back from its JPEG at `quality` (1..100; values outside are taken as
// the nearest end), in memory. `keepMetadata` encodes the metadata along, as SavePhoto does,
// so the JPEG is the file's. None on failure.
VipsImagePtr JpegRoundTrip(VipsImage* picture, int quality, bool keepMetadata = false);

// The picture decoded back from the last JPEG of the target search for `targetBytes`. With
// `keepMetadata` as SavePhoto is given it, the search settles where the file's did. None on failure.
VipsImagePtr JpegTargetRoundTrip(VipsImage* picture, uint64_t targetBytes, bool keepMetadata = false);

// The picture an encoding holds (JPEG, PNG, WebP, AVIF), decoded into memory; none on failure.
VipsImagePtr DecodeEncoded(const VipsBytes& encoded);

// The size of the 24-bit BMP file of a width x height picture; 0 when the picture has no
// pixels or the file would not fit the format's 32-bit sizes.
uint64_t BmpFileSize(int width, int height);

// --- the target search ----------------------------------------------------------------

// Encodes the picture at a quality and reports the encoded size in bytes; 0 or a failure.
using JpegSizeProbe = std::function<HRESULT(int quality, uint64_t& encodedBytes)>;

struct JpegSearchResult {
  HRESULT result;          // 0, or the failure of the encoding that ended the search
  int quality;             // the last quality encoded
  uint64_t lastBytes = 0;  // the size of the last encoding
};

// Halving search from quality 100 with steps 50, 25, 13, 7, 4, 2, 1 for the quality whose
// size lies within 512 bytes of `targetBytes`; stops there, when the step is spent, or when
// the next quality would leave 0..100. At most eight encodings.
JpegSearchResult SearchJpegQuality(uint64_t targetBytes, const JpegSizeProbe& encode);

// Bisection for the highest quality of lowest..highest whose size is at most `limitBytes`
// (seven encodings for 1..100). `quality` is lowest - 1 when none fits; the last encoding is
// then the one at `lowest`.
JpegSearchResult SearchQualityWithin(uint64_t limitBytes, int lowest, int highest, const JpegSizeProbe& encode);
