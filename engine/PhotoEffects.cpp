#include "engine/PhotoEffects.h"

#include <vector>

namespace {

constexpr int kColours = 3;
constexpr double kFullScale = 255.0;

// One stage: output colour j = sum over i of input colour i x mix[j][i], plus offset[j], on
// values 0..1. (A GDI+ ColorMatrix holds the same numbers transposed, the offsets in its
// fifth row.)
struct ColourStage {
  double mix[kColours][kColours];
  double offset[kColours];
};

// Every output colour the same weighted sum of red, green and blue.
ColourStage MixingStage(const double (&red)[kColours], const double (&green)[kColours],
                        const double (&blue)[kColours]) {
  ColourStage stage{};
  for (int j = 0; j < kColours; ++j) {
    stage.mix[j][0] = red[j];
    stage.mix[j][1] = green[j];
    stage.mix[j][2] = blue[j];
  }
  return stage;
}

ColourStage GreyScaleStage() {
  return MixingStage({0.298912, 0.298912, 0.298912}, {0.586611, 0.586611, 0.586611},
                     {0.114478, 0.114478, 0.114478});
}

ColourStage SepiaStage() {
  return MixingStage({0.393, 0.349, 0.272}, {0.769, 0.686, 0.534}, {0.189, 0.168, 0.131});
}

// Multiplies red, green and blue by `factor`.
ColourStage BrightnessStage(double factor) {
  ColourStage stage{};
  for (int i = 0; i < kColours; ++i) stage.mix[i][i] = factor;
  return stage;
}

// Stretches each colour by `factor` about the middle grey 0.5.
ColourStage ContrastStage(double factor) {
  ColourStage stage = BrightnessStage(factor);
  for (double& offset : stage.offset) offset = (1.0 - factor) * 0.5;
  return stage;
}

// Slider 0..100 to factor 0.0..2.0 (50 leaves the photo as it is). Single precision, as the
// colour matrix held it.
double BrightnessFactor(int slider) { return static_cast<float>(2.0 * slider / 100.0); }

// Slider 0..100 to factor 1.0..2.0.
double ContrastFactor(int slider) { return static_cast<float>((static_cast<double>(slider) + 100.0) / 100.0); }

VipsImagePtr Mixed(VipsImage* colours, const ColourStage& stage) {
  double flat[kColours * kColours];
  for (int j = 0; j < kColours; ++j)
    for (int i = 0; i < kColours; ++i) flat[j * kColours + i] = stage.mix[j][i];
  const VipsImagePtr matrix(vips_image_new_matrix_from_array(kColours, kColours, flat, kColours * kColours));
  VipsImagePtr mixed;
  if (!matrix || vips_recomb(colours, mixed.receive(), matrix.get(), nullptr) != 0) mixed.reset();
  return mixed;
}

// The offsets added in 0..255 units, truncated to the level below and clamped to 8 bits, as
// GDI+ stores the result of a colour matrix.
VipsImagePtr OffsetAndTruncated(VipsImage* mixed, const ColourStage& stage) {
  double scale[kColours] = {1.0, 1.0, 1.0};
  double offset[kColours];
  for (int j = 0; j < kColours; ++j) offset[j] = stage.offset[j] * kFullScale;
  VipsImagePtr shifted;
  VipsImagePtr floored;
  VipsImagePtr bytes;
  if (vips_linear(mixed, shifted.receive(), scale, offset, kColours, nullptr) != 0 ||
      vips_floor(shifted.get(), floored.receive(), nullptr) != 0 ||
      vips_cast_uchar(floored.get(), bytes.receive(), nullptr) != 0)
    bytes.reset();
  return bytes;
}

VipsImagePtr ColoursThrough(VipsImage* colours, const ColourStage& stage) {
  VipsImagePtr mixed = Mixed(colours, stage);
  if (!mixed) return {};
  return OffsetAndTruncated(mixed.get(), stage);
}

// Brightness and contrast change each colour on its own, level by level. As a table of where
// each of the 256 levels of each colour goes, worked out by the same stages on a ramp of every
// level, they cost one look-up per value instead of passes in floating point, and give the
// same levels.
VipsImagePtr LevelTable(const std::vector<ColourStage>& stages) {
  constexpr int kLevels = 256;
  unsigned char ramp[kLevels * kColours];
  for (int level = 0; level < kLevels; ++level)
    for (int band = 0; band < kColours; ++band) ramp[level * kColours + band] = static_cast<unsigned char>(level);
  VipsImagePtr table(vips_image_new_from_memory_copy(ramp, sizeof(ramp), kLevels, 1, kColours, VIPS_FORMAT_UCHAR));
  for (const ColourStage& stage : stages) {
    if (!table) return {};
    table = ColoursThrough(table.get(), stage);
  }
  if (!table) return {};
  return VipsImagePtr(vips_image_copy_memory(table.get()));
}

// `colours` through `stages`, by their table.
VipsImagePtr LookedUp(VipsImage* colours, const std::vector<ColourStage>& stages) {
  const VipsImagePtr table = LevelTable(stages);
  VipsImagePtr looked;
  if (!table || vips_maplut(colours, looked.receive(), table.get(), nullptr) != 0) looked.reset();
  return looked;
}

// `change` applied to the colour bands of `picture`; an alpha band is joined back unchanged.
template <typename Change>
VipsImagePtr OnColours(VipsImage* picture, const Change& change) {
  if (vips_image_get_bands(picture) <= kColours) return change(picture);
  VipsImagePtr colours;
  VipsImagePtr alpha;
  if (vips_extract_band(picture, colours.receive(), 0, "n", kColours, nullptr) != 0 ||
      vips_extract_band(picture, alpha.receive(), kColours, nullptr) != 0)
    return {};
  VipsImagePtr changed = change(colours.get());
  if (!changed) return {};
  VipsImagePtr joined;
  if (vips_bandjoin2(changed.get(), alpha.get(), joined.receive(), nullptr) != 0) joined.reset();
  return joined;
}

// `picture` through `stage` when `on`, else `picture` itself.
VipsImagePtr StageIf(VipsImagePtr picture, bool on, const ColourStage& stage) {
  if (!on || !picture) return picture;
  return OnColours(picture.get(), [&stage](VipsImage* colours) { return ColoursThrough(colours, stage); });
}

}  // namespace

VipsImagePtr ApplyEffects(VipsImage* picture, const EffectParams& params) {
  VipsImagePtr result = ShareImage(picture);
  result = StageIf(std::move(result), params.EffectRadioIndex == ColourEffect::GreyScale, GreyScaleStage());
  result = StageIf(std::move(result), params.EffectRadioIndex == ColourEffect::Sepia, SepiaStage());
  std::vector<ColourStage> levels;
  if (params.CheckBriteness) levels.push_back(BrightnessStage(BrightnessFactor(params.ValueBriteness)));
  if (params.CheckContrast) levels.push_back(ContrastStage(ContrastFactor(params.ValueContrast)));
  if (levels.empty() || !result) return result;
  return OnColours(result.get(), [&levels](VipsImage* colours) { return LookedUp(colours, levels); });
}
