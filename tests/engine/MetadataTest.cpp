// What of a camera photo's metadata the written files carry: its EXIF (upright, without the
// thumbnail) and colour profile when the settings keep metadata, nothing when they do not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/PhotoEncoder.h"
#include "engine/VipsSession.h"
#include "tests/support/ExifWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"

namespace {

struct VipsBlobTraits {
  using Handle = VipsBlob*;
  static bool IsValid(VipsBlob* p) { return p != nullptr; }
  static void Release(VipsBlob* p) { vips_area_unref(VIPS_AREA(p)); }
};
using VipsBlobPtr = Owned<VipsBlobTraits>;

constexpr const char* kXmpPacket =
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
    "<rdf:Description xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" tiff:Orientation=\"6\"/></rdf:RDF></x:xmpmeta>";
constexpr const char* kCaption = "Evening at the harbour";

// The ways of writing a file that can carry metadata.
struct Writing {
  const char* name;
  OutputFormat type;
  QualityMode jpegMode;
};
const Writing kWritings[] = {{"JPEG", OutputFormat::Jpeg, QualityMode::Fixed},
                             {"JPEG by size", OutputFormat::Jpeg, QualityMode::TargetSize},
                             {"PNG", OutputFormat::Png, QualityMode::Fixed},
                             {"WebP", OutputFormat::Webp, QualityMode::Fixed},
                             {"AVIF", OutputFormat::Avif, QualityMode::Fixed}};

std::string BlobText(VipsBlob* blob) {
  size_t size = 0;
  const void* data = blob ? vips_blob_get(blob, &size) : nullptr;
  return data ? std::string(static_cast<const char*>(data), size) : std::string{};
}

// libvips' own sRGB profile: a valid profile for an RGB photo.
std::string SrgbProfile() {
  VipsBlobPtr profile;
  if (vips_profile_load("srgb", profile.receive(), nullptr) != 0) return {};
  return BlobText(profile.get());
}

bool HasField(VipsImage* image, const char* name) { return vips_image_get_typeof(image, name) != 0; }

std::string StringField(VipsImage* image, const char* name) {
  const char* value = nullptr;
  if (!HasField(image, name) || vips_image_get_string(image, name, &value) != 0 || value == nullptr) return {};
  return value;
}

std::string BlobField(VipsImage* image, const char* name) {
  const void* data = nullptr;
  size_t size = 0;
  if (!HasField(image, name) || vips_image_get_blob(image, name, &data, &size) != 0) return {};
  return std::string(static_cast<const char*>(data), size);
}

std::vector<std::string> FieldsStartingWith(VipsImage* image, const std::string& prefix) {
  std::vector<std::string> found;
  gchar** const fields = vips_image_get_fields(image);
  for (gchar** field = fields; field != nullptr && *field != nullptr; ++field)
    if (std::string(*field).rfind(prefix, 0) == 0) found.emplace_back(*field);
  g_strfreev(fields);
  return found;
}

class Metadata : public testing::Test {
protected:
  void SetUp() override {
    profile = SrgbProfile();
    ASSERT_FALSE(profile.empty());
    thumbnail = JpegBytes(MakeBitmap(16, 12, 0xFF20A040).get(), 50);
    ASSERT_FALSE(thumbnail.empty());
    CameraExif camera;
    camera.thumbnailJpeg = thumbnail;
    GpBitmapPtr pixels = MakeBitmap(64, 48, 0xFF336699);
    PaintRect(pixels.get(), 8, 8, 20, 10, 0xFFE0C020);
    const std::string segments = CameraExifSegment(camera) + IccProfileSegment(profile) + XmpSegment(kXmpPacket) +
                                 IptcSegment(kCaption);
    const std::wstring path = folder.File(L"camera.jpg");
    ASSERT_TRUE(WriteFileBytes(path, InsertAfterSoi(JpegBytes(pixels.get()), segments)));
    ASSERT_EQ(0, vips_jpegload(Utf8Path(path).c_str(), photo.receive(), nullptr));

    // The photo as the converter meets it: every kind of metadata there, the thumbnail too.
    ASSERT_EQ("Glimmer Optics", StringField(photo.get(), "exif-ifd0-Make").substr(0, 14));
    ASSERT_EQ(thumbnail, BlobField(photo.get(), "jpeg-thumbnail-data"));
    ASSERT_FALSE(FieldsStartingWith(photo.get(), "exif-ifd1-").empty());
    ASSERT_EQ(profile, BlobField(photo.get(), VIPS_META_ICC_NAME));
    ASSERT_TRUE(HasField(photo.get(), VIPS_META_XMP_NAME));
    ASSERT_TRUE(HasField(photo.get(), VIPS_META_IPTC_NAME));
    int orientation = 0;
    ASSERT_EQ(0, vips_image_get_int(photo.get(), VIPS_META_ORIENTATION, &orientation));
    ASSERT_EQ(6, orientation);
  }

  static std::string Encode(VipsImage* picture, const Writing& writing, int keepMetadata) {
    ConvertSettings settings;
    settings.KeepMetadata = keepMetadata;
    settings.JpegQualityTypeIndex = writing.jpegMode;
    settings.JpegFileSize = 2;
    VipsBytes bytes;
    if (FAILED(EncodePhoto(picture, writing.type, settings, bytes))) return {};
    return std::string(bytes.begin(), bytes.end());
  }

  // The header of an encoded file as libvips reads it; the pixels are not decoded.
  static VipsImagePtr Header(const std::string& file) {
    return VipsImagePtr(vips_image_new_from_buffer(file.data(), file.size(), "", nullptr));
  }

  TempFolder folder;
  VipsImagePtr photo;
  std::string profile;
  std::string thumbnail;
};

}  // namespace

TEST_F(Metadata, KeptExifIsUprightWithoutItsThumbnailAndTheProfileStays) {
  for (const Writing& writing : kWritings) {
    SCOPED_TRACE(writing.name);
    const std::string file = Encode(photo.get(), writing, 1);
    ASSERT_FALSE(file.empty());
    const VipsImagePtr header = Header(file);
    ASSERT_TRUE(header);
    // libvips writes a field's value first, then its description in brackets.
    EXPECT_EQ(0u, StringField(header.get(), "exif-ifd0-Make").find("Glimmer Optics "));
    EXPECT_EQ(0u, StringField(header.get(), "exif-ifd0-Model").find("GX-7 Mark II "));
    EXPECT_EQ(0u, StringField(header.get(), "exif-ifd2-DateTimeOriginal").find("2023:10:14 16:42:05 "));
    EXPECT_EQ(0u, StringField(header.get(), "exif-ifd2-ExposureTime").find("1/250 "));
    EXPECT_EQ(0u, StringField(header.get(), "exif-ifd3-GPSLatitudeRef").find("N "));
    EXPECT_EQ(0u, StringField(header.get(), "exif-ifd3-GPSLatitude").find("35/1 39/1 31/1 "));
    EXPECT_EQ(0u, StringField(header.get(), "exif-ifd3-GPSLongitudeRef").find("E "));
    EXPECT_EQ(0u, StringField(header.get(), "exif-ifd3-GPSLongitude").find("139/1 44/1 43/1 "));
    // libvips' HEIF reader leaves the orientation out (libheif turns the picture itself);
    // exiftool reads it in the AVIF test of OutputOptionsTest.
    if (writing.type != OutputFormat::Avif) {
      EXPECT_EQ(0u, StringField(header.get(), "exif-ifd0-Orientation").find("1 "));
    }

    EXPECT_TRUE(FieldsStartingWith(header.get(), "exif-ifd1-").empty());
    EXPECT_EQ("", BlobField(header.get(), "jpeg-thumbnail-data"));
    EXPECT_EQ(std::string::npos, file.find(thumbnail));

    EXPECT_EQ(profile, BlobField(header.get(), VIPS_META_ICC_NAME));
    EXPECT_FALSE(HasField(header.get(), VIPS_META_XMP_NAME));
    EXPECT_FALSE(HasField(header.get(), VIPS_META_IPTC_NAME));
  }
}

TEST_F(Metadata, StrippedFilesCarryNone) {
  for (const Writing& writing : kWritings) {
    SCOPED_TRACE(writing.name);
    const std::string file = Encode(photo.get(), writing, 0);
    ASSERT_FALSE(file.empty());
    const VipsImagePtr header = Header(file);
    ASSERT_TRUE(header);
    EXPECT_FALSE(HasField(header.get(), VIPS_META_EXIF_NAME));
    EXPECT_TRUE(FieldsStartingWith(header.get(), "exif-").empty());
    EXPECT_FALSE(HasField(header.get(), VIPS_META_ICC_NAME));
    EXPECT_FALSE(HasField(header.get(), VIPS_META_XMP_NAME));
    EXPECT_FALSE(HasField(header.get(), VIPS_META_IPTC_NAME));
    // Nor do the bytes hide any of it.
    for (const std::string& trace : {std::string("Exif\0\0", 6), std::string("Glimmer Optics"),
                                     std::string("2023:10:14"), std::string("ns.adobe.com"), std::string(kCaption),
                                     profile.substr(0, 128), thumbnail})
      EXPECT_EQ(std::string::npos, file.find(trace)) << trace.substr(0, 16);
  }
}

TEST_F(Metadata, APictureWithoutExifGetsNoneMadeUp) {
  VipsImagePtr bare;
  ASSERT_EQ(0, vips_copy(photo.get(), bare.receive(), nullptr));
  for (const std::string& field : FieldsStartingWith(bare.get(), "exif-")) vips_image_remove(bare.get(), field.c_str());
  for (const Writing& writing : kWritings) {
    SCOPED_TRACE(writing.name);
    const std::string file = Encode(bare.get(), writing, 1);
    ASSERT_FALSE(file.empty());
    const VipsImagePtr header = Header(file);
    ASSERT_TRUE(header);
    EXPECT_FALSE(HasField(header.get(), VIPS_META_EXIF_NAME));
    EXPECT_EQ(profile, BlobField(header.get(), VIPS_META_ICC_NAME));
  }
}
