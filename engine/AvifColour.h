#pragma once
// The colour tag of an AVIF file. libheif writes no 'colr' box for a picture that brings no
// ICC profile, and a reader left without one may take the pixels for another colour space; so
// the encoder adds the nclx tag of sRGB (BT.709 primaries, the sRGB tone curve, the BT.601
// matrix libheif converts RGB with, full range) to the primary picture's properties.
#include <windows.h>

#include <cstddef>

#include "engine/VipsOwned.h"

// The nclx values the tag carries, as ISO/IEC 23091-2 numbers them.
constexpr int kSrgbColourPrimaries = 1;   // BT.709
constexpr int kSrgbTransfer = 13;         // IEC 61966-2-1
constexpr int kSrgbMatrix = 6;            // BT.601
constexpr bool kSrgbFullRange = true;

// `avif` with the sRGB nclx tag on its primary picture, into `tagged`: S_OK. S_FALSE when the
// primary picture already has a 'colr' box (an ICC profile kept along), `tagged` then left
// empty. E_FAIL for a file whose boxes are not those of a single-picture AVIF as libheif
// writes it (or would outgrow their fields). The offsets of the coded data are moved by the
// bytes the tag adds.
HRESULT WithSrgbTag(const unsigned char* avif, std::size_t size, VipsBytes& tagged);
