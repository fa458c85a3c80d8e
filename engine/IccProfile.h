#pragma once
// What an embedded ICC colour profile says, read from its bytes.
#include <cstddef>

// Whether `profile` is an sRGB profile: an RGB matrix/TRC profile whose three colorants are
// sRGB's primaries (adapted to D50, as ICC profiles store them) and whose three tone curves are
// sRGB's to within a tenth of a level, with no lookup tables that a colour engine would use
// instead. Converting pixels from such a profile to sRGB leaves them as they are, so a photo
// that carries one needs no conversion. Damaged or truncated bytes make no sRGB profile.
bool IsSrgbProfile(const void* profile, std::size_t size);
