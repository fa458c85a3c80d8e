#pragma once
// Colour effects of a photo: grey scale or sepia, brightness, contrast. Each is a colour
// matrix on values 0..1 (the mixing of red, green and blue and an offset per colour, as a
// GDI+ ColorMatrix holds them), done by libvips on the colour bands; alpha stays as it is.
#include "engine/SaveData.h"
#include "engine/VipsOwned.h"

// Colour effect, then brightness, then contrast, as `params` switches them on; each stage
// truncates and clamps to 8 bits, as drawing through a colour matrix does. `picture` is 8-bit
// sRGB with 3 bands, or 4 with alpha. Stages that are off cost nothing: with everything off
// the result is `picture` itself (another reference). None when libvips fails (its error
// stays in its buffer). The pixels are computed when the result is.
VipsImagePtr ApplyEffects(VipsImage* picture, const EffectParams& params);
