#pragma once
// Bitmap helpers of the thumbnail strip: blank bitmaps, and the rule that fits a photo into a
// thumbnail box.
#include "base/GpOwned.h"

constexpr int kThumbnailPixelFormat = PixelFormat16bppRGB565;  // 0x21006

// Where a photo of width x height is drawn inside a box: a portrait photo gets the full box
// height, a landscape or square one the full box width. The other side follows the photo's
// proportions and may be larger than the box; the rectangle is centred, so it may start at a
// negative offset and be cut on both sides.
struct BoxPlacement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
// A photo with a side of 0 (or less) has no placement: all fields 0.
BoxPlacement FitIntoBox(int photoWidth, int photoHeight, int boxWidth, int boxHeight);

// A new bitmap whose pixels the platform allocates zero-filled (black, or transparent where
// the format has alpha). Null when the size is not positive or the bitmap cannot be made.
GpBitmapPtr CreateBlankBitmap(int width, int height, int pixelFormat);

// Draws the whole of `photo` into `box` by the fit rule, with the platform's default
// interpolation; what the photo does not cover stays as it was. Does nothing for a photo
// whose size reads 0. Returns the GDI+ status of the first step that failed, or Ok.
GpStatus DrawIntoBox(GpImage* photo, GpBitmap* box);

// The tile of a photo that cannot be shown: the box grey with a darker cross over it.
void DrawUnreadableTile(GpBitmap* box);

// A new 16-bit thumbnail of boxWidth x boxHeight with `source` drawn into it by the fit rule;
// null when the bitmap cannot be made. A source without size gives a blank thumbnail.
GpBitmapPtr ScaleIntoBox(GpImage* source, int boxWidth, int boxHeight);
