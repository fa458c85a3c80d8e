#include <gtest/gtest.h>

#include "engine/ExifOrientation.h"
#include "tests/support/ExifWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPhotos.h"

namespace {

// Offsets inside ExifOrientationSegment: marker and length (4), "Exif\0\0" (6), then the
// TIFF block with its IFD0 at 8; the orientation is the second entry.
constexpr size_t kTiffStart = 10;
constexpr size_t kIfdCount = kTiffStart + 8;
constexpr size_t kOrientationEntry = kIfdCount + 2 + 12;

const std::string& PlainJpeg() {
  static const std::string bytes = [] {
    GpBitmapPtr bitmap = MakeBitmap(32, 24, 0xFF3060C0);
    return JpegBytes(bitmap.get());
  }();
  return bytes;
}

int OrientationOfBytes(const TempFolder& folder, const std::string& bytes) {
  const std::wstring path = folder.File(L"photo.jpg");
  if (!WriteFileBytes(path, bytes)) return -1;
  return ReadExifOrientationFromFile(path);
}

int OrientationWithSegment(const TempFolder& folder, const std::string& segment) {
  return OrientationOfBytes(folder, InsertAfterSoi(PlainJpeg(), segment));
}

void PutU16LittleEndian(std::string& bytes, size_t offset, unsigned value) {
  bytes[offset] = static_cast<char>(value & 0xFF);
  bytes[offset + 1] = static_cast<char>(value >> 8);
}

}  // namespace

TEST(ExifReader, ReadsEveryOrientationInBothByteOrders) {
  ASSERT_FALSE(PlainJpeg().empty());
  const TempFolder folder;
  for (int orientation = 1; orientation <= 9; ++orientation) {
    for (const bool bigEndian : {false, true}) {
      SCOPED_TRACE(testing::Message() << "orientation " << orientation << (bigEndian ? " MM" : " II"));
      EXPECT_EQ(orientation, OrientationOfBytes(folder, WithExifOrientation(PlainJpeg(), orientation, bigEndian)));
    }
  }
}

TEST(ExifReader, FindsExifBehindCommentsXmpAndFillBytes) {
  const TempFolder folder;
  const std::string comment = std::string("\xFF\xFE\x00\x07hello", 9);
  const std::string xmpBody = std::string("http://ns.adobe.com/xap/1.0/\0<x/>", 33);
  const std::string xmp =
      std::string("\xFF\xE1", 2) + static_cast<char>(0) + static_cast<char>(xmpBody.size() + 2) + xmpBody;
  const std::string fill = "\xFF\xFF";
  const std::string segments = comment + xmp + fill + ExifOrientationSegment(6, true);
  EXPECT_EQ(6, OrientationWithSegment(folder, segments));
}

TEST(ExifReader, GivesZeroForFilesWithoutTheTag) {
  const TempFolder folder;
  EXPECT_EQ(0, OrientationOfBytes(folder, PlainJpeg()));
  EXPECT_EQ(0, OrientationOfBytes(folder, ""));
  EXPECT_EQ(0, OrientationOfBytes(folder, "not a picture at all"));
  EXPECT_EQ(0, ReadExifOrientationFromFile(folder.File(L"missing.jpg")));

  GpBitmapPtr bitmap = MakeBitmap(8, 8, 0xFFFFFFFF);
  ASSERT_TRUE(SaveAs(bitmap.get(), folder.File(L"picture.png"), kTestFormatPng));
  EXPECT_EQ(0, ReadExifOrientationFromFile(folder.File(L"picture.png")));

  // An EXIF block whose IFD0 has other tags only.
  std::string segment = ExifOrientationSegment(6, false);
  PutU16LittleEndian(segment, kOrientationEntry, 0x0113);
  EXPECT_EQ(0, OrientationWithSegment(folder, segment));
}

TEST(ExifReader, TruncatedFilesGiveZero) {
  const TempFolder folder;
  const std::string segment = ExifOrientationSegment(8, false);
  const std::string whole = InsertAfterSoi(PlainJpeg(), segment);
  for (size_t cut = 0; cut < 2 + segment.size(); ++cut) {
    SCOPED_TRACE(testing::Message() << "cut at " << cut);
    EXPECT_EQ(0, OrientationOfBytes(folder, whole.substr(0, cut)));
  }
  EXPECT_EQ(8, OrientationOfBytes(folder, whole.substr(0, 2 + segment.size())));
}

TEST(ExifReader, MalformedBlocksGiveZero) {
  const TempFolder folder;
  const std::string good = ExifOrientationSegment(6, false);
  struct Damage {
    const char* what;
    size_t offset;
    unsigned value;
  };
  const Damage damages[] = {
      {"segment length below 2", 2, 0x0001},
      {"segment length past the file", 2, 0xFFFF},
      {"unknown byte order", kTiffStart, 0x5858},
      {"wrong TIFF magic", kTiffStart + 2, 43},
      {"IFD0 outside the block", kTiffStart + 4, 0x7FFF},
      {"IFD0 at the last byte", kTiffStart + 4, static_cast<unsigned>(good.size() - kTiffStart - 1)},
      {"entry count past the block", kIfdCount, 0xFFFF},
      {"orientation stored as text", kOrientationEntry + 2, 2},
      {"orientation with no values", kOrientationEntry + 4, 0},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    std::string segment = good;
    if (damage.offset == 2) {
      segment[2] = static_cast<char>(damage.value >> 8);
      segment[3] = static_cast<char>(damage.value & 0xFF);
    } else {
      PutU16LittleEndian(segment, damage.offset, damage.value);
    }
    if (damage.offset == kIfdCount) PutU16LittleEndian(segment, kOrientationEntry, 0x0113);
    EXPECT_EQ(0, OrientationWithSegment(folder, segment));
  }
}

TEST(PhotoOrientation, ReadsTheOrientationOfALoadedJpeg) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"turned.jpg");
  ASSERT_TRUE(WriteFileBytes(path, WithExifOrientation(PlainJpeg(), 6, true)));
  GpImagePtr image = LoadPicture(path);
  ASSERT_TRUE(image);
  EXPECT_EQ(6, PhotoOrientation(image.get(), path));
  EXPECT_EQ(0, PhotoOrientation(nullptr, path));

  const std::wstring plain = folder.File(L"plain.jpg");
  ASSERT_TRUE(WriteFileBytes(plain, PlainJpeg()));
  GpImagePtr plainImage = LoadPicture(plain);
  EXPECT_EQ(0, PhotoOrientation(plainImage.get(), plain));
}
