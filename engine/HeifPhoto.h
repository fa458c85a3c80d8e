#pragma once
// HEIC and HEIF photos, as an iPhone saves every picture, read with libheif and libde265
// (libheif.dll and libde265.dll beside the program): the libvips build reads AVIF but has no
// HEVC decoder. The file is read into memory by our own code, so any UTF-16 path opens; its
// primary image is decoded to 8-bit RGB (RGBA with alpha) already upright, since libheif
// applies the file's own turn and mirror, and handed over as a libvips memory image with the
// EXIF and the colour profile attached. From there it takes the path of every other photo.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <libheif/heif.h>

#include "engine/PhotoFailure.h"
#include "engine/VipsOwned.h"

struct HeifContextTraits {
  using Handle = heif_context*;
  static bool IsValid(heif_context* p) { return p != nullptr; }
  static void Release(heif_context* p) { heif_context_free(p); }
};
struct HeifHandleTraits {
  using Handle = heif_image_handle*;
  static bool IsValid(heif_image_handle* p) { return p != nullptr; }
  static void Release(heif_image_handle* p) { heif_image_handle_release(p); }
};
struct HeifImageTraits {
  using Handle = heif_image*;
  static bool IsValid(heif_image* p) { return p != nullptr; }
  static void Release(heif_image* p) { heif_image_release(p); }
};
using HeifContextPtr = Owned<HeifContextTraits>;
using HeifHandlePtr = Owned<HeifHandleTraits>;
using HeifImagePtr = Owned<HeifImageTraits>;

// True when the first bytes of a file (at least its "ftyp" box) are those of a HEIF whose
// pictures are HEVC: a brand heic, heix, hevc, ... or the plain HEIF brands mif1 and msf1
// without an AVIF brand. An AVIF, even one named .heic, stays with libvips.
bool IsHeifPhotoHeader(const unsigned char* head, std::size_t length);

class HeifPhoto {
public:
  // Reads the file and its header, no pixels. Unreadable (with libheif's words or ours in
  // `why`) when it is no HEIF or a damaged one, Cancelled when `stop` was raised while it
  // was read. `stop` may be null.
  PhotoFailure Open(const std::wstring& path, const std::atomic<int>* stop, std::wstring& why);

  // The primary image's size as shown, after the file's own turn and crop.
  int64_t Width() const { return width; }
  int64_t Height() const { return height; }

  // The primary image in memory, upright, with its EXIF (minus the orientation, the turn
  // being done) and its ICC profile; none when it cannot be decoded, `why` then says why.
  // With a picture, `why` holds a warning about it: an EXIF block that could not be read and
  // was left out ("exif: ..."); else it is left as it was.
  // `threads` is the most decode threads libheif may start for it.
  VipsImagePtr Decode(int threads, std::wstring& why) const;

  // The embedded thumbnail, decoded as Decode does, when it is the same picture with at
  // least targetWidth x targetHeight pixels; else none.
  VipsImagePtr CoveringThumbnail(int targetWidth, int targetHeight, std::wstring& why) const;

private:
  std::vector<unsigned char> bytes;  // the whole file: libheif reads it in place
  HeifContextPtr context;
  HeifHandlePtr primary;
  int64_t width = 0;
  int64_t height = 0;
};
