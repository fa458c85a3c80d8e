#include <gtest/gtest.h>

#include <vector>

#include "engine/PhotoEffects.h"
#include "engine/VipsBitmap.h"
#include "tests/engine/PipelinePhotos.h"

namespace {

// --- the reference: the effects as GDI+ colour matrices drew them before libvips -------------

Gdiplus::ColorMatrix Identity() {
  Gdiplus::ColorMatrix m{};
  for (int i = 0; i < 5; ++i) m.m[i][i] = 1.0f;
  return m;
}

Gdiplus::ColorMatrix Mixing(const float (&red)[3], const float (&green)[3], const float (&blue)[3]) {
  Gdiplus::ColorMatrix m = Identity();
  for (int j = 0; j < 3; ++j) {
    m.m[0][j] = red[j];
    m.m[1][j] = green[j];
    m.m[2][j] = blue[j];
  }
  return m;
}

Gdiplus::ColorMatrix Scaling(float factor, float offset) {
  Gdiplus::ColorMatrix m = Identity();
  for (int i = 0; i < 3; ++i) {
    m.m[i][i] = factor;
    m.m[4][i] = offset;
  }
  return m;
}

std::vector<Gdiplus::ColorMatrix> ReferenceMatrices(const EffectParams& params) {
  std::vector<Gdiplus::ColorMatrix> matrices;
  if (params.EffectRadioIndex == ColourEffect::GreyScale)
    matrices.push_back(Mixing({0.298912f, 0.298912f, 0.298912f}, {0.586611f, 0.586611f, 0.586611f},
                              {0.114478f, 0.114478f, 0.114478f}));
  if (params.EffectRadioIndex == ColourEffect::Sepia)
    matrices.push_back(Mixing({0.393f, 0.349f, 0.272f}, {0.769f, 0.686f, 0.534f}, {0.189f, 0.168f, 0.131f}));
  if (params.CheckBriteness)
    matrices.push_back(Scaling(static_cast<float>(2.0 * params.ValueBriteness / 100.0), 0));
  if (params.CheckContrast) {
    const auto factor = static_cast<float>((params.ValueContrast + 100.0) / 100.0);
    matrices.push_back(Scaling(factor, (1.0f - factor) * 0.5f));
  }
  return matrices;
}

GpBitmapPtr DrawnThrough(GpBitmap* bitmap, const Gdiplus::ColorMatrix& matrix) {
  UINT width = 0;
  UINT height = 0;
  gp::GdipGetImageWidth(bitmap, &width);
  gp::GdipGetImageHeight(bitmap, &height);
  GpBitmapPtr result;
  gp::GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height), 0, PixelFormat32bppARGB, nullptr,
                                result.receive());
  GpImageAttributesPtr attributes;
  gp::GdipCreateImageAttributes(attributes.receive());
  gp::GdipSetImageAttributesColorMatrix(attributes.get(), Gdiplus::ColorAdjustTypeDefault, TRUE, &matrix, nullptr,
                                        Gdiplus::ColorMatrixFlagsDefault);
  GpGraphicsPtr graphics;
  gp::GdipGetImageGraphicsContext(result.get(), graphics.receive());
  const auto w = static_cast<Gdiplus::REAL>(width);
  const auto h = static_cast<Gdiplus::REAL>(height);
  gp::GdipDrawImageRectRect(graphics.get(), bitmap, 0, 0, w, h, 0, 0, w, h, Gdiplus::UnitPixel, attributes.get(),
                            nullptr, nullptr);
  return result;
}

VipsImagePtr ReferenceLook(VipsImage* picture, const EffectParams& params) {
  GpBitmapPtr bitmap = ToGdiplusBitmap(picture);
  for (const Gdiplus::ColorMatrix& matrix : ReferenceMatrices(params)) bitmap = DrawnThrough(bitmap.get(), matrix);
  return FromGdiplusBitmap(bitmap.get());
}

EffectParams Effect(int colour, int brightnessOn, int brightness, int contrastOn, int contrast) {
  return {static_cast<ColourEffect>(colour), brightnessOn != 0, brightness, contrastOn != 0, contrast};
}

}  // namespace

TEST(PhotoEffects, LookAsTheGdiplusColourMatricesDrewThem) {
  const VipsImagePtr photo = VariedPicture(96, 64);
  const EffectParams settings[] = {
      Effect(1, 0, 50, 0, 0),  Effect(2, 0, 50, 0, 0),  Effect(0, 1, 0, 0, 0),    Effect(0, 1, 25, 0, 0),
      Effect(0, 1, 80, 0, 0),  Effect(0, 1, 100, 0, 0), Effect(0, 0, 50, 1, 40),  Effect(0, 0, 50, 1, 100),
      Effect(2, 1, 100, 0, 0), Effect(1, 1, 30, 1, 60), Effect(2, 1, 65, 1, 20),
  };
  for (const EffectParams& params : settings) {
    SCOPED_TRACE(testing::Message() << "effect " << static_cast<int>(params.EffectRadioIndex) << ", brightness "
                                    << params.CheckBriteness << "/" << params.ValueBriteness << ", contrast "
                                    << params.CheckContrast << "/" << params.ValueContrast);
    const VipsImagePtr ours = ApplyEffects(photo.get(), params);
    const VipsImagePtr reference = ReferenceLook(photo.get(), params);
    ASSERT_TRUE(ours);
    ASSERT_TRUE(reference);
    const double difference = MeanDifference(ours.get(), reference.get());
    EXPECT_GE(difference, 0.0);
    EXPECT_LE(difference, 2.0);
  }
}

TEST(PhotoEffects, AlphaIsKeptAndNothingSwitchedOnCostsNothing) {
  const VipsImagePtr photo = PictureOf(16, 16, [](int x, int y) { return Colour{200, 100, 50, x * 16 + y}; }, true);
  const VipsImagePtr sepia = ApplyEffects(photo.get(), Effect(2, 1, 70, 1, 30));
  ASSERT_TRUE(sepia);
  ASSERT_EQ(4, vips_image_get_bands(sepia.get()));
  EXPECT_EQ(VIPS_FORMAT_UCHAR, vips_image_get_format(sepia.get()));
  for (const int x : {0, 7, 15}) EXPECT_EQ(x * 16 + 9, PixelOf(sepia.get(), x, 9).a);

  EXPECT_EQ(photo.get(), ApplyEffects(photo.get(), Effect(0, 0, 0, 0, 100)).get());
  EXPECT_EQ(photo.get(), ApplyEffects(photo.get(), Effect(7, 0, 0, 0, 0)).get());  // unknown colour effect
}
