#pragma once
// "元より大きくしない": a photo that is already small and well compressed often comes out larger
// than it went in. When the photo's own file is already what the settings ask for, its bytes
// are the output instead of a larger encoding.
#include <cstddef>
#include <string>
#include <vector>

#include "engine/ConvertSettings.h"
#include "engine/PhotoList.h"
#include "engine/VipsOwned.h"

// The whole file at `path` (any length); false when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes);

// Whether two files are of one type by their first bytes: JPEG, PNG, GIF, BMP, TIFF, WebP, or
// an ISO media file of one brand (AVIF, HEIC, ...). Files of no known type are of none.
bool SameFileType(const std::vector<unsigned char>& a, const unsigned char* b, std::size_t bSize);

// What of the photo's own file may be written in place of its output.
enum class PhotoUse {
  None,       // the encoding is written
  AsItIs,     // the photo's bytes, copied
  Rewritten,  // a JPEG's bytes with only its metadata changed as the options ask
};

// What of `photo`, the bytes of `item`'s file, may be written in place of `encoded`, its output
// made from the finished picture `finished` under `settings`. Its pixels must already be what is
// asked: of the output's type, upright at the finished size with no turn and no effect asked,
// 8-bit sRGB (or grey, or with an sRGB profile). Then AsItIs when it is smaller than `encoded`,
// its metadata needs no rewrite (nothing to strip without KeepMetadata, no GPS tag or XMP with
// RemoveGps) and it keeps under the strict size limit; Rewritten, with the rewritten file in
// `photo`, when only its metadata is not as asked and the JPEG without it is the smaller of the
// two. None otherwise.
PhotoUse UsePhotoForOutput(const PhotoItem& item, const ConvertSettings& settings, VipsImage* finished,
                           std::vector<unsigned char>& photo, const VipsBytes& encoded);
