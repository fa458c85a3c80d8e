#include "engine/PhotoSharpen.h"

#include "engine/VipsBitmap.h"

namespace {

// vips_sharpen works on L* of LabS. A small radius touches only the finest detail; below
// kFlatThreshold of change nothing is sharpened (m1 = 0), so smooth areas keep every level;
// above it the edges gain kEdgeSlope, milder than libvips' default of 3.
constexpr double kRadiusSigma = 0.5;
constexpr double kFlatThreshold = 2.0;
constexpr double kFlatSlope = 0.0;
constexpr double kEdgeSlope = 2.0;

}  // namespace

VipsImagePtr SharpenedAfterDownscale(VipsImage* picture) {
  if (picture == nullptr) return {};
  VipsImagePtr sharp;
  if (vips_sharpen(picture, sharp.receive(), "sigma", kRadiusSigma, "x1", kFlatThreshold, "m1", kFlatSlope, "m2",
                   kEdgeSlope, nullptr) != 0)
    return {};
  return InSrgbBytes(sharp.get());
}
