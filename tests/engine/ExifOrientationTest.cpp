#include <gtest/gtest.h>

#include "engine/PhotoResize.h"
#include "tests/engine/PipelinePhotos.h"
#include "tests/support/ExifWriter.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 32;

// The upright picture: four quadrants of different colours, so that every turn and mirror
// of it differs. Its edges lie on JPEG block edges whichever way it is stored.
Colour UprightAt(int x, int y) {
  static const Colour quadrants[2][2] = {{{220, 30, 30}, {30, 200, 40}}, {{30, 40, 210}, {230, 220, 40}}};
  return quadrants[y < kHeight / 2 ? 0 : 1][x < kWidth / 2 ? 0 : 1];
}

// The stored pixel (x, y) of a photo with EXIF `orientation` shows the upright pixel returned,
// by the table of the standard: where stored row 0 and column 0 appear once upright.
Colour StoredAt(int orientation, int x, int y) {
  const int w = kWidth - 1;
  const int h = kHeight - 1;
  switch (orientation) {
    case 2: return UprightAt(w - x, y);      // row 0 top, column 0 right
    case 3: return UprightAt(w - x, h - y);  // bottom, right
    case 4: return UprightAt(x, h - y);      // bottom, left
    case 5: return UprightAt(y, x);          // left, top
    case 6: return UprightAt(w - y, x);      // right, top
    case 7: return UprightAt(w - y, h - x);  // right, bottom
    case 8: return UprightAt(y, h - x);      // left, bottom
    default: return UprightAt(x, y);
  }
}

bool Across(int orientation) { return orientation >= 5; }

std::string StoredJpeg(int orientation) {
  const int width = Across(orientation) ? kHeight : kWidth;
  const int height = Across(orientation) ? kWidth : kHeight;
  const VipsImagePtr stored =
      PictureOf(width, height, [orientation](int x, int y) { return StoredAt(orientation, x, y); });
  return WithExifOrientation(JpegOf(stored.get()), orientation, orientation % 2 == 0);
}

PreparedPhoto PreparedAtOwnSize(const std::wstring& path, int rotation) {
  PhotoItem item;
  item.path = path;
  item.rotation = rotation;
  ConvertSettings settings;
  settings.ResizeRadioIndex = SizeChoice::Keep;
  return PreparePhoto(item, settings);
}

// The upright picture turned clockwise by `rotation` quarter turns.
VipsImagePtr TurnedUpright(int rotation) {
  const bool across = rotation % 2 == 1;
  return PictureOf(across ? kHeight : kWidth, across ? kWidth : kHeight, [rotation](int x, int y) {
    switch (rotation) {
      case 1: return UprightAt(y, kHeight - 1 - x);
      case 2: return UprightAt(kWidth - 1 - x, kHeight - 1 - y);
      case 3: return UprightAt(kWidth - 1 - y, x);
      default: return UprightAt(x, y);
    }
  });
}

}  // namespace

TEST(ExifOrientation, EveryOrientationComesOutAsTheSameUprightPicture) {
  const TempFolder folder;
  for (int rotation = 0; rotation < 4; ++rotation) {
    const VipsImagePtr expected = TurnedUpright(rotation);
    for (int orientation = 1; orientation <= 8; ++orientation) {
      SCOPED_TRACE(testing::Message() << "orientation " << orientation << ", rotation " << rotation);
      const std::wstring path = folder.File(L"stored" + std::to_wstring(orientation) + L".jpg");
      if (rotation == 0) {
        ASSERT_TRUE(WriteFileBytes(path, StoredJpeg(orientation)));
      }
      const PreparedPhoto photo = PreparedAtOwnSize(path, rotation);
      ASSERT_TRUE(photo.picture);
      EXPECT_LE(MeanDifference(expected.get(), photo.picture.get()), 2.0);
      EXPECT_GE(MeanDifference(expected.get(), photo.picture.get()), 0.0);  // -1: another size
    }
  }
}

TEST(ExifOrientation, TheTurnIsDoneSoTheEncoderWritesNoneButKeepsTheExif) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"turned.jpg");
  ASSERT_TRUE(WriteFileBytes(path, StoredJpeg(6)));
  const PreparedPhoto photo = PreparedAtOwnSize(path, 0);
  ASSERT_TRUE(photo.picture);
  EXPECT_NE(0u, vips_image_get_typeof(photo.picture.get(), VIPS_META_EXIF_NAME));

  void* data = nullptr;
  size_t size = 0;
  ASSERT_EQ(0, vips_jpegsave_buffer(photo.picture.get(), &data, &size, nullptr));
  const GMemory saved(data);
  const VipsImagePtr reloaded(vips_image_new_from_buffer(data, size, "", nullptr));
  ASSERT_TRUE(reloaded);
  EXPECT_EQ(1, vips_image_get_orientation(reloaded.get()));
  EXPECT_EQ(kWidth, vips_image_get_width(reloaded.get()));
}
