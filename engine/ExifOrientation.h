#pragma once
// EXIF orientation (tag 274) of a photo loaded by GDI+, and the one table that turns it into
// a GDI+ rotate/flip: for the views that still draw photos GDI+ has loaded (the preview pane,
// the strip's decoder). The conversion turns photos in libvips (engine/PhotoResize.h).
#include <windows.h>
#include <objbase.h>  // PROPID and IStream, which gdiplus.h needs
#include <gdiplus.h>
#include <string>

// The orientation of a loaded photo: GDI+ property 274 when the platform offers it, else the
// orientation libvips reads from the header of the file at `path` (any format it knows).
// 0 when none.
int PhotoOrientation(Gdiplus::GpImage* image, const std::wstring& path);

// The rotate/flip that makes a photo of this orientation upright. Orientations outside
// 2..8 (0, 1, 9, ...) need none.
Gdiplus::RotateFlipType OrientationToRotateFlip(int orientation);

// Turns `image` in place by `type` as GDI+ documents it: the quarter turns clockwise first,
// then the horizontal flip. Done as two steps, because not every GDI+ build applies the
// combined turn-and-flip values (Rotate90FlipX, Rotate270FlipX) in that order.
void RotateFlipImage(Gdiplus::GpImage* image, Gdiplus::RotateFlipType type);

// Turns `image` in place so that a photo stored with EXIF `orientation` stands upright, then
// by the user's `rotation` in quarter turns clockwise (values outside 1..3 add nothing).
// The photo pipeline, the preview and the thumbnails all turn photos through this one call.
void TurnUpright(Gdiplus::GpImage* image, int orientation, int rotation);
