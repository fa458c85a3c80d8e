#pragma once
// From a photo file to the finished picture that is encoded: load, turn upright (EXIF
// orientation, then the user's rotation), fit into the chosen box, apply the effect.
// Every stage returns a new 32-bit ARGB bitmap; a stage given a bitmap destroys it.
#include <string>

#include "base/GpOwned.h"
#include "engine/SaveData.h"

// The finished picture of `item` with the parameters of `settings`. None when the photo
// cannot be read, has no pixels, or a working bitmap could not be made.
GpBitmapPtr PreparePhoto(const PhotoItem& item, const SaveData_CL& settings);

// A 32-bit ARGB copy of `image`, turned by its EXIF orientation and then by `rotation`
// (quarter turns clockwise, 1..3). `path` is the image's file, read for the orientation
// when the platform does not expose it. The image itself is left alone.
GpBitmapPtr OrientPhoto(GpImage* image, int rotation, const std::wstring& path = {});

// Size of a W x H picture fitted into a box: it touches the box on one side and keeps its
// aspect ratio. A picture without pixels, or a box without room, fits to 0 x 0.
struct FittedSize {
  int width;
  int height;
};
FittedSize FitSize(int width, int height, int boxWidth, int boxHeight);

// `bitmap` drawn at FitSize into a new bitmap; destroys its input. None when the fitted
// size is empty or the bitmap could not be made.
GpBitmapPtr FitToBox(GpBitmapPtr bitmap, int boxWidth, int boxHeight);
