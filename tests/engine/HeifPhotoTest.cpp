// HEIC and HEIF photos through the pipeline: the real iPhone photo and the small HEIF of
// tests/data/heic, and the files heif-enc made at build time (build/testdata/heic).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/ShellHelpers.h"
#include "engine/PhotoEncoder.h"
#include "engine/PhotoResize.h"
#include "engine/VipsSession.h"
#include "tests/engine/PipelinePhotos.h"
#include "tests/support/TempFolder.h"

namespace {

std::wstring HeicData(const wchar_t* name) { return ModuleDirectory() + L"\\testdata\\heic\\" + name; }

VipsImagePtr LoadedFile(const std::wstring& path) {
  const VipsImagePtr file(vips_image_new_from_file(Utf8Path(path).c_str(), nullptr));
  return file ? VipsImagePtr(vips_image_copy_memory(file.get())) : VipsImagePtr();
}

// A PNG read as 8-bit sRGB, as the pipeline hands pictures on.
VipsImagePtr PngAsSrgbBytes(const std::wstring& path) {
  const VipsImagePtr file = LoadedFile(path);
  VipsImagePtr bytes;
  if (!file || vips_colourspace(file.get(), bytes.receive(), VIPS_INTERPRETATION_sRGB, nullptr) != 0) return {};
  return bytes;
}

ConvertSettings KeepSize() {
  ConvertSettings settings;
  settings.ResizeRadioIndex = SizeChoice::Keep;
  return settings;
}

ConvertSettings Box(int width, int height) {
  ConvertSettings settings;
  settings.ResizeRadioIndex = SizeChoice::Custom;
  settings.outputWidth = width;
  settings.outputHeight = height;
  return settings;
}

PreparedPhoto Prepared(const std::wstring& path, const ConvertSettings& settings) {
  PhotoItem item;
  item.path = path;
  return PreparePhoto(item, settings);
}

std::string Field(VipsImage* image, const char* name) {
  const char* text = nullptr;
  if (!vips_image_get_typeof(image, name) || vips_image_get_string(image, name, &text) != 0) return {};
  return text;
}

std::string WithRandomBytesInTheMiddle(std::string file) {
  uint32_t random = 2024;
  for (size_t i = file.size() / 2; i < file.size() / 2 + 4096 && i < file.size(); ++i) {
    random = random * 1103515245u + 12345u;
    file[i] = static_cast<char>(random >> 16);
  }
  return file;
}

}  // namespace

TEST(HeifPhotos, IphonePhotoIsUprightAtItsShownSizeAndLooksAsDebiansReaderShowsIt) {
  const std::wstring iphone = HeicData(L"IMG_5195.HEIC");
  const PreparedPhoto whole = Prepared(iphone, KeepSize());
  ASSERT_EQ(whole.failure, PhotoFailure::None) << testing::PrintToString(whole.detail);
  EXPECT_EQ(vips_image_get_width(whole.picture.get()), 2566) << "turned by the file's own rotation only";
  EXPECT_EQ(vips_image_get_height(whole.picture.get()), 3313);

  // Debian's libheif and libvips at the size fitted into 160 x 160, in sRGB: the picture is
  // upright and its Display P3 colours are converted.
  const VipsImagePtr reference = LoadedFile(HeicData(L"iphone-160.png"));
  ASSERT_TRUE(reference);
  ASSERT_EQ(vips_image_get_width(reference.get()), 123);
  const PreparedPhoto fitted = Prepared(iphone, Box(160, 160));
  const PreparedPhoto thumbnail = ThumbnailPhoto(iphone, 0, 160, 160);
  // The preview reads and finishes in two halves, and must read a HEIC as the batch does.
  const PreparedPhoto previewed = FinishPhoto(ScalePhoto(iphone, 0, Box(160, 160)), 0, nullptr);
  for (const PreparedPhoto* photo : {&fitted, &thumbnail, &previewed}) {
    SCOPED_TRACE(photo == &fitted ? "the whole picture, decoded and scaled"
                 : photo == &thumbnail ? "the strip's tile" : "the preview's two halves");
    ASSERT_EQ(photo->failure, PhotoFailure::None) << testing::PrintToString(photo->detail);
    EXPECT_EQ(vips_image_get_width(photo->picture.get()), 123);
    EXPECT_EQ(vips_image_get_height(photo->picture.get()), 160);
    const double difference = MeanDifference(photo->picture.get(), reference.get());
    EXPECT_GE(difference, 0.0);
    EXPECT_LT(difference, 1.5) << "about 4 when the Display P3 profile is lost";
  }
  const PreparedPhoto turned = ThumbnailPhoto(iphone, 1, 160, 160);
  ASSERT_EQ(turned.failure, PhotoFailure::None);
  EXPECT_EQ(vips_image_get_width(turned.picture.get()), 160) << "the user's quarter turn comes on top";
  EXPECT_EQ(vips_image_get_height(turned.picture.get()), 123);
}

TEST(HeifPhotos, ExifAndColourProfileAreKeptUprightOrDroppedAsTheSettingsSay) {
  const TempFolder folder;
  for (const int keep : {1, 0}) {
    SCOPED_TRACE(keep ? "kept" : "dropped");
    ConvertSettings settings = Box(400, 400);
    settings.KeepMetadata = keep;
    const PreparedPhoto photo = Prepared(HeicData(L"IMG_5195.HEIC"), settings);
    ASSERT_EQ(photo.failure, PhotoFailure::None) << testing::PrintToString(photo.detail);
    const std::wstring output = folder.File(keep ? L"kept.jpg" : L"dropped.jpg");
    ASSERT_EQ(SavePhoto(photo.picture.get(), output, OutputFormat::Jpeg, settings), S_OK);
    const VipsImagePtr written = LoadedFile(output);
    ASSERT_TRUE(written);
    EXPECT_EQ(vips_image_get_width(written.get()), 309);
    EXPECT_EQ(vips_image_get_height(written.get()), 400);
    if (keep) {
      EXPECT_EQ(Field(written.get(), "exif-ifd0-Make").rfind("Apple", 0), 0u);
      EXPECT_EQ(Field(written.get(), "exif-ifd2-DateTimeOriginal").rfind("2021:04:11 15:47:53", 0), 0u);
      EXPECT_EQ(Field(written.get(), "exif-ifd3-GPSLatitude").rfind("39/1 3/1 484/100", 0), 0u);
      EXPECT_EQ(vips_image_get_orientation(written.get()), 1) << "upright, and says so";
      EXPECT_TRUE(vips_image_get_typeof(written.get(), VIPS_META_ICC_NAME)) << "the sRGB profile it was converted to";
    } else {
      EXPECT_FALSE(vips_image_get_typeof(written.get(), VIPS_META_EXIF_NAME));
      EXPECT_FALSE(vips_image_get_typeof(written.get(), VIPS_META_ICC_NAME));
    }
  }
  // A HEIF whose EXIF block starts at offset 0 and that has no colour profile.
  ConvertSettings settings = KeepSize();
  settings.KeepMetadata = true;
  const PreparedPhoto small = Prepared(HeicData(L"samplefilehub.heif"), settings);
  ASSERT_EQ(small.failure, PhotoFailure::None) << testing::PrintToString(small.detail);
  EXPECT_EQ(vips_image_get_width(small.picture.get()), 640);
  EXPECT_EQ(vips_image_get_height(small.picture.get()), 426);
  EXPECT_TRUE(vips_image_get_typeof(small.picture.get(), VIPS_META_EXIF_NAME));
  EXPECT_FALSE(vips_image_get_typeof(small.picture.get(), VIPS_META_ICC_NAME)) << "no profile: taken as sRGB";
}

TEST(HeifPhotos, TenBitAndAlphaFilesComeOutInTheColoursOfTheirSources) {
  const struct {
    const wchar_t* heif;
    const wchar_t* source;
    int bands;
  } cases[] = {{L"ten-bit.heic", L"ten-bit.png", 3}, {L"alpha.heic", L"alpha.png", 4}};
  for (const auto& file : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(file.heif)));
    const PreparedPhoto photo = Prepared(HeicData(file.heif), KeepSize());
    ASSERT_EQ(photo.failure, PhotoFailure::None) << testing::PrintToString(photo.detail);
    EXPECT_EQ(vips_image_get_bands(photo.picture.get()), file.bands);
    EXPECT_EQ(vips_image_get_format(photo.picture.get()), VIPS_FORMAT_UCHAR);
    const VipsImagePtr source = PngAsSrgbBytes(HeicData(file.source));
    ASSERT_TRUE(source);
    const double difference = MeanDifference(photo.picture.get(), source.get());
    EXPECT_GE(difference, 0.0) << "same size and bands";
    EXPECT_LT(difference, 3.0);
  }
  // The strip's tile from the 64-pixel thumbnail inside alpha.heic, as the whole picture scaled.
  const PreparedPhoto tile = ThumbnailPhoto(HeicData(L"alpha.heic"), 0, 48, 48);
  const PreparedPhoto scaled = Prepared(HeicData(L"alpha.heic"), Box(48, 48));
  ASSERT_EQ(tile.failure, PhotoFailure::None) << testing::PrintToString(tile.detail);
  ASSERT_EQ(scaled.failure, PhotoFailure::None);
  EXPECT_EQ(vips_image_get_width(tile.picture.get()), 48);
  EXPECT_EQ(vips_image_get_height(tile.picture.get()), 32);
  const double difference = MeanDifference(tile.picture.get(), scaled.picture.get());
  EXPECT_GE(difference, 0.0);
  EXPECT_LT(difference, 4.0);
}

TEST(HeifPhotos, DamagedOversizedAndFalseHeifFilesAreRefusedWithoutCrashOrHang) {
  const std::string iphone = ReadFileBytes(HeicData(L"IMG_5195.HEIC"));
  const std::string small = ReadFileBytes(HeicData(L"samplefilehub.heif"));
  ASSERT_FALSE(iphone.empty());
  ASSERT_FALSE(small.empty());
  const struct {
    const wchar_t* name;
    std::string bytes;
    PhotoFailure failure;
    const wchar_t* detail;  // a part of the detail
  } refused[] = {
      {L"empty.heic", "", PhotoFailure::Unreadable, L""},
      {L"text.heic", "These are notes, not a photo, in a file named .heic\r\n", PhotoFailure::Unreadable, L""},
      {L"half.heic", iphone.substr(0, iphone.size() / 2), PhotoFailure::Unreadable, L"libheif"},
      {L"kilobyte.HEIC", iphone.substr(0, 1024), PhotoFailure::Unreadable, L"libheif"},
      {L"bomb.heif", WithStoredSize(small, 20000, 20000), PhotoFailure::TooLarge, L"20000×20000"},
      {L"wide-bomb.hif", WithStoredSize(small, 40000, 40000), PhotoFailure::TooLarge, L"libheif"},
  };
  const TempFolder folder;
  for (const auto& file : refused) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(file.name)));
    ASSERT_TRUE(WriteFileBytes(folder.File(file.name), file.bytes));
    const PreparedPhoto photo = Prepared(folder.File(file.name), ConvertSettings());
    EXPECT_EQ(photo.failure, file.failure);
    EXPECT_FALSE(photo.picture);
    EXPECT_FALSE(photo.detail.empty());
    EXPECT_NE(photo.detail.find(file.detail), std::wstring::npos) << testing::PrintToString(photo.detail);
  }
  // Garbage inside the coded data may decode to a garbled picture, and an AVIF named .heic is
  // still an AVIF: either way the call comes back with a whole picture or a reason.
  ASSERT_TRUE(WriteFileBytes(folder.File(L"garbled.heic"), WithRandomBytesInTheMiddle(iphone)));
  for (const std::wstring& path : {folder.File(L"garbled.heic"), HeicData(L"avif-named.heic")}) {
    SCOPED_TRACE(testing::PrintToString(path));
    const PreparedPhoto photo = Prepared(path, ConvertSettings());
    const bool written = photo.failure == PhotoFailure::None && photo.picture;
    const bool refused = photo.failure == PhotoFailure::Unreadable && !photo.detail.empty();
    EXPECT_TRUE(written || refused);
  }
}
