#pragma once
// Colour effects of a photo (grey scale or sepia, brightness, contrast), each drawn through
// a GDI+ colour matrix. Every stage takes its input bitmap over and returns a new one.
#include "base/GpOwned.h"
#include "engine/SaveData.h"

// Colour effect, then brightness, then contrast, as `params` switches them on. Stages that
// are off cost nothing: with everything off the input comes back as it is. None when a
// working bitmap could not be made (logged).
GpBitmapPtr ApplyEffects(GpBitmapPtr bitmap, const EffectParams& params);

// Redraws `bitmap` through `matrix` into a new 32-bit ARGB bitmap of the same size and
// destroys the input. None when the new bitmap could not be made (logged).
GpBitmapPtr ApplyColorMatrix(GpBitmapPtr bitmap, const Gdiplus::ColorMatrix& matrix);

// Logs the failure to create a working bitmap (shared by the resize and effect stages).
void LogBitmapCreationFailure();
