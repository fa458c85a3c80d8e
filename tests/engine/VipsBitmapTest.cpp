#include <gtest/gtest.h>

#include "engine/VipsBitmap.h"
#include "tests/engine/PipelinePhotos.h"
#include "tests/support/TestPhotos.h"

TEST(VipsBitmap, GdiplusGetsArgbWithTheColoursAndAlphaOfEachPixel) {
  const VipsImagePtr rgb = PictureOf(3, 2, [](int x, int y) { return Colour{10 * x, 100 + y, 250 - x}; });
  GpBitmapPtr bitmap = ToGdiplusBitmap(rgb.get());
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(3, SizeOf(bitmap.get()).width);
  EXPECT_EQ(0xFF0065FAu, PixelAt(bitmap.get(), 0, 1));
  EXPECT_EQ(0xFF1464F8u, PixelAt(bitmap.get(), 2, 0));

  const VipsImagePtr rgba = PictureOf(2, 1, [](int x, int) { return Colour{1, 2, 3, x * 128}; }, true);
  bitmap = ToGdiplusBitmap(rgba.get());
  EXPECT_EQ(0x80010203u, PixelAt(bitmap.get(), 1, 0));

  VipsImagePtr grey;
  ASSERT_EQ(0, vips_extract_band(rgb.get(), grey.receive(), 1, nullptr));  // one band: taken as grey
  bitmap = ToGdiplusBitmap(grey.get());
  EXPECT_EQ(0xFF656565u, PixelAt(bitmap.get(), 0, 1));
  EXPECT_FALSE(ToGdiplusBitmap(nullptr));
}

TEST(VipsBitmap, LibvipsGetsRgbUnlessSomePixelIsTranslucent) {
  GpBitmapPtr bitmap = MakeBitmap(4, 3, 0xFF204060);
  PaintRect(bitmap.get(), 1, 1, 1, 1, 0xFFFF8000);
  VipsImagePtr picture = FromGdiplusBitmap(bitmap.get());
  ASSERT_TRUE(picture);
  EXPECT_EQ(3, vips_image_get_bands(picture.get()));
  EXPECT_EQ(VIPS_INTERPRETATION_sRGB, vips_image_get_interpretation(picture.get()));
  const Colour orange = PixelOf(picture.get(), 1, 1);
  EXPECT_EQ(255, orange.r);
  EXPECT_EQ(128, orange.g);
  EXPECT_EQ(0, orange.b);

  PaintRect(bitmap.get(), 3, 2, 1, 1, 0x40FFFFFF);
  picture = FromGdiplusBitmap(bitmap.get());
  ASSERT_EQ(4, vips_image_get_bands(picture.get()));
  EXPECT_EQ(0x40, PixelOf(picture.get(), 3, 2).a);
  EXPECT_EQ(0x60, PixelOf(picture.get(), 0, 0).b);
  EXPECT_FALSE(FromGdiplusBitmap(nullptr));
}
