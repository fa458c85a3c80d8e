#pragma once
// Test pictures made with libvips in memory for the pipeline's tests, the bytes of their
// files, and comparisons of finished pictures.
#include <cstdint>
#include <functional>
#include <string>

#include "engine/VipsOwned.h"

struct Colour {
  int r, g, b, a = 255;
};

// A width x height sRGB picture, 3 bands (4 with `withAlpha`), with the colour `at` gives.
VipsImagePtr PictureOf(int width, int height, const std::function<Colour(int x, int y)>& at, bool withAlpha = false);
// Smooth gradients of every hue, a fine checkerboard and flat patches.
VipsImagePtr VariedPicture(int width, int height);

// The picture's file in memory, without metadata. JPEG without chroma subsampling.
std::string JpegOf(VipsImage* picture, int quality = 95);
std::string PngOf(VipsImage* picture);
// The sRGB profile Windows ships (not libvips' own), as photos from Windows software carry it.
std::string WindowsSrgbProfile();

// A sound black PNG of width x height, grey or RGB (colour type 0 or 2), 8 or 16 bits: a
// deflate stream of long repeats, so hundreds of millions of pixels take a few megabytes (a
// decompression bomb).
std::string ZeroPng(int width, int height, int colourType = 0, int bitDepth = 8);

// Every "ispe" box (the stored size of an image) of a HEIF or AVIF file changed to say
// width x height; the coded picture stays as it is.
std::string WithStoredSize(std::string heif, uint32_t width, uint32_t height);

Colour PixelOf(VipsImage* picture, int x, int y);
// The largest, over the bands, of the mean absolute difference per pixel; -1 when the
// pictures differ in size or bands.
double MeanDifference(VipsImage* a, VipsImage* b);
// The structural similarity of two pictures' grey levels, averaged over 8 x 8 blocks: 1 for the
// same picture; -1 when they differ in size or bands.
double Ssim(VipsImage* a, VipsImage* b);
