#pragma once
// One thumbnail decode request. Made on the user-interface thread, owned by the decoder's
// queue until the worker takes it, then by the worker, then by the closure that carries it
// back through the strip's post token, then by the strip. The receiver checks `sequence`
// against what the list awaits for `cacheKey` before it shows `result` (see
// MovieBitmapChcheBase_CL::StoreIfAwaited).
#include <cstdint>
#include <string>

#include "base/GpOwned.h"
#include "views/BitmapHelpers.h"

class DecodeItem_CL {
public:
  DecodeItem_CL(std::wstring path, int boxWidth, int boxHeight, int rotation);
  virtual ~DecodeItem_CL() = default;
  DecodeItem_CL(const DecodeItem_CL&) = delete;
  DecodeItem_CL& operator=(const DecodeItem_CL&) = delete;

  int sequence = 0;          // given by the decoder at enqueue time, from 1 upwards
  std::wstring path;         // full path of the photo
  int boxWidth;              // size of the thumbnail to make
  int boxHeight;
  int rotation;              // the user's quarter turns clockwise 0..3, applied with vips_rot
  int pixelFormat = kThumbnailPixelFormat;
  GpBitmapPtr result;        // the finished thumbnail (the unreadable tile for a photo that cannot be read); null until decoded
  std::int64_t cacheKey = 0;  // the photo's key in the thumbnail cache (ThumbnailKey)
};
