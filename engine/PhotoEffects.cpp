#include "engine/PhotoEffects.h"

#include "base/LogFile.h"

namespace {

constexpr int kGreyScale = 1;
constexpr int kSepia = 2;

Gdiplus::ColorMatrix IdentityMatrix() {
  Gdiplus::ColorMatrix m{};
  for (int i = 0; i < 5; ++i) m.m[i][i] = 1.0f;
  return m;
}

// Each output colour is the same weighted sum of the input colours, in columns R', G', B'.
Gdiplus::ColorMatrix MixingMatrix(const float (&red)[3], const float (&green)[3], const float (&blue)[3]) {
  Gdiplus::ColorMatrix m = IdentityMatrix();
  for (int j = 0; j < 3; ++j) {
    m.m[0][j] = red[j];
    m.m[1][j] = green[j];
    m.m[2][j] = blue[j];
  }
  return m;
}

Gdiplus::ColorMatrix GreyScaleMatrix() {
  return MixingMatrix({0.298912f, 0.298912f, 0.298912f}, {0.586611f, 0.586611f, 0.586611f},
                      {0.114478f, 0.114478f, 0.114478f});
}

Gdiplus::ColorMatrix SepiaMatrix() {
  return MixingMatrix({0.393f, 0.349f, 0.272f}, {0.769f, 0.686f, 0.534f}, {0.189f, 0.168f, 0.131f});
}

// Multiplies R, G and B by `factor`.
Gdiplus::ColorMatrix BrightnessMatrix(float factor) {
  Gdiplus::ColorMatrix m = IdentityMatrix();
  for (int i = 0; i < 3; ++i) m.m[i][i] = factor;
  return m;
}

// Stretches each colour by `factor` about the middle grey 0.5.
Gdiplus::ColorMatrix ContrastMatrix(float factor) {
  const float offset = (1.0f - factor) * 0.5f;
  Gdiplus::ColorMatrix m = BrightnessMatrix(factor);
  for (int j = 0; j < 3; ++j) m.m[4][j] = offset;
  return m;
}

// Slider 0..100 to factor 0.0..2.0 (50 leaves the photo as it is).
float BrightnessFactor(int slider) { return static_cast<float>(2.0 * slider / 100.0); }

// Slider 0..100 to factor 1.0..2.0.
float ContrastFactor(int slider) { return static_cast<float>((static_cast<double>(slider) + 100.0) / 100.0); }

}  // namespace

void LogBitmapCreationFailure() { theLog.Write(L"ビットマップ生成失敗"); }

GpBitmapPtr ApplyColorMatrix(GpBitmapPtr bitmap, const Gdiplus::ColorMatrix& matrix) {
  UINT width = 0;
  UINT height = 0;
  gp::GdipGetImageWidth(bitmap.get(), &width);
  gp::GdipGetImageHeight(bitmap.get(), &height);

  GpBitmapPtr result;
  if (gp::GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height), 0, PixelFormat32bppARGB,
                                    nullptr, result.receive()) != Gdiplus::Ok ||
      !result) {
    LogBitmapCreationFailure();
    return {};
  }

  GpImageAttributesPtr attributes;
  gp::GdipCreateImageAttributes(attributes.receive());
  gp::GdipSetImageAttributesColorMatrix(attributes.get(), Gdiplus::ColorAdjustTypeDefault, TRUE, &matrix, nullptr,
                                        Gdiplus::ColorMatrixFlagsDefault);
  GpGraphicsPtr graphics;
  if (gp::GdipGetImageGraphicsContext(result.get(), graphics.receive()) == Gdiplus::Ok) {
    const auto w = static_cast<Gdiplus::REAL>(width);
    const auto h = static_cast<Gdiplus::REAL>(height);
    gp::GdipDrawImageRectRect(graphics.get(), bitmap.get(), 0, 0, w, h, 0, 0, w, h, Gdiplus::UnitPixel,
                              attributes.get(), nullptr, nullptr);
  }
  return result;
}

GpBitmapPtr ApplyEffects(GpBitmapPtr bitmap, const EffectParams& params) {
  if (params.EffectRadioIndex == kGreyScale && bitmap) bitmap = ApplyColorMatrix(std::move(bitmap), GreyScaleMatrix());
  if (params.EffectRadioIndex == kSepia && bitmap) bitmap = ApplyColorMatrix(std::move(bitmap), SepiaMatrix());
  if (params.CheckBriteness != 0 && bitmap)
    bitmap = ApplyColorMatrix(std::move(bitmap), BrightnessMatrix(BrightnessFactor(params.ValueBriteness)));
  if (params.CheckContrast != 0 && bitmap)
    bitmap = ApplyColorMatrix(std::move(bitmap), ContrastMatrix(ContrastFactor(params.ValueContrast)));
  return bitmap;
}
