#include <gtest/gtest.h>

#include "tests/views/TestImages.h"
#include "views/BackBuffer.h"
#include "views/BitmapHelpers.h"

namespace {

void ExpectPlacement(int w, int h, int x, int y, int drawWidth, int drawHeight) {
  const BoxPlacement p = FitIntoBox(w, h, 192, 144);
  EXPECT_EQ((std::vector<int>{p.x, p.y, p.width, p.height}), (std::vector<int>{x, y, drawWidth, drawHeight}))
      << w << " x " << h;
}

}  // namespace

TEST(FitIntoBox, FollowsThePhotosOwnOrientationAndCentresEvenWhenCut) {
  ExpectPlacement(4000, 3000, 0, 0, 192, 144);
  ExpectPlacement(3000, 4000, 42, 0, 108, 144);
  ExpectPlacement(4000, 1000, 0, 48, 192, 48);
  ExpectPlacement(1100, 1000, 0, -15, 192, 174);
  ExpectPlacement(1000, 1000, 0, -24, 192, 192);
}

TEST(FitIntoBox, PhotoWithoutSizeGetsNothingInsteadOfADivisionByZero) {
  ExpectPlacement(0, 0, 0, 0, 0, 0);
  ExpectPlacement(4000, 0, 0, 0, 0, 0);
  ExpectPlacement(0, 3000, 0, 0, 0, 0);
}

TEST(ScaleIntoBox, NearlySquareLandscapeIsCutAtTopAndBottom) {
  // Red above row 87: drawn 174 high from y = -15, the red band lies wholly above the box.
  const GpBitmapPtr source = MakePicture({1100, 1000, 0xFFFFFFFF, 0xFFFF0000, 87});
  const GpBitmapPtr thumbnail = ScaleIntoBox(source.get(), 192, 144);
  ASSERT_TRUE(thumbnail);
  EXPECT_TRUE(IsWhite(PixelAt(thumbnail.get(), 96, 3)));
  EXPECT_TRUE(IsWhite(PixelAt(thumbnail.get(), 96, 143)));
}

TEST(BackBuffer, KeepsItsBitmapForTheSameSizeAndHasNoneForAnEmptyWindow) {
  BackBuffer_CL buffer;
  buffer.pixelFormat = PixelFormat32bppRGB;
  GpBitmap* const first = buffer.Resize(300, 200);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(buffer.Resize(300, 200), first);
  GpBitmap* const wider = buffer.Resize(301, 200);
  ASSERT_NE(wider, nullptr);
  UINT width = 0;
  gp::GdipGetImageWidth(wider, &width);
  EXPECT_EQ(width, 301u);
  EXPECT_EQ(buffer.Resize(0, 0), nullptr);
  EXPECT_EQ(buffer.Bitmap(), nullptr);
}

TEST(BackBuffer, FillCoversEveryPixelInEachThirtyTwoBitFormat) {
  for (const Gdiplus::PixelFormat format : {PixelFormat32bppRGB, PixelFormat32bppARGB, PixelFormat32bppPARGB}) {
    SCOPED_TRACE(testing::Message() << "format " << std::hex << format);
    BackBuffer_CL buffer;
    buffer.pixelFormat = static_cast<int>(format);
    GpBitmap* const bitmap = buffer.Resize(33, 7);  // an odd width: rows are not padded alike
    ASSERT_NE(bitmap, nullptr);
    {
      GpGraphicsPtr graphics;
      ASSERT_EQ(gp::GdipGetImageGraphicsContext(bitmap, graphics.receive()), Gdiplus::Ok);
      gp::GdipGraphicsClear(graphics.get(), 0xFFFFFFFF);
    }
    ASSERT_TRUE(buffer.Fill(0xFF102030));
    for (const int x : {0, 16, 32})
      for (const int y : {0, 6}) EXPECT_EQ(PixelAt(bitmap, x, y), 0xFF102030u) << x << "," << y;
  }
  BackBuffer_CL none;
  EXPECT_FALSE(none.Fill(0xFF000000));
}
