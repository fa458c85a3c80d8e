#pragma once
// The crispness a downscale takes away, given back: a mild unsharp mask on the lightness
// of a finished picture. Smooth areas (flat colour, soft gradients) are left alone; only
// edges and fine detail gain contrast, so noise is not made louder.
#include "engine/VipsOwned.h"

// `picture` (8-bit sRGB, 3 bands or 4 with alpha) sharpened, in the same form; alpha is
// left as it is. None when libvips fails.
VipsImagePtr SharpenedAfterDownscale(VipsImage* picture);
