#include "tests/support/ExifWriter.h"

#include <cstdint>

namespace {

class ByteWriter {
public:
  explicit ByteWriter(bool bigEndian) : bigEndian(bigEndian) {}

  void U8(uint32_t v) { bytes.push_back(static_cast<char>(v & 0xFF)); }
  void U16(uint32_t v) {
    if (bigEndian) {
      U8(v >> 8);
      U8(v);
    } else {
      U8(v);
      U8(v >> 8);
    }
  }
  void U32(uint32_t v) {
    if (bigEndian) {
      U16(v >> 16);
      U16(v);
    } else {
      U16(v);
      U16(v >> 16);
    }
  }
  void Text(const std::string& s) { bytes += s; }
  // One IFD entry whose value fits in its four bytes.
  void Entry(uint32_t tag, uint32_t type, uint32_t count, uint32_t value) {
    U16(tag);
    U16(type);
    U32(count);
    if (type == 3 && count == 1) {
      U16(value);
      U16(0);
    } else {
      U32(value);
    }
  }

  std::string bytes;

private:
  bool bigEndian;
};

constexpr uint32_t kAscii = 2;
constexpr uint32_t kShort = 3;
constexpr uint32_t kLong = 4;

}  // namespace

std::string ExifOrientationSegment(int orientation, bool bigEndian) {
  ByteWriter tiff(bigEndian);
  tiff.Text(bigEndian ? "MM" : "II");
  tiff.U16(42);
  tiff.U32(8);  // IFD0 right after the header
  const uint32_t entries = 2;
  const uint32_t makeOffset = 8 + 2 + entries * 12 + 4;
  tiff.U16(entries);
  tiff.Entry(0x010F, kAscii, 8, makeOffset);  // Make, stored behind the IFD
  tiff.Entry(0x0112, kShort, 1, static_cast<uint32_t>(orientation));
  tiff.U32(0);  // no next IFD
  tiff.Text(std::string("Glimmer", 7) + '\0');

  const std::string body = std::string("Exif\0\0", 6) + tiff.bytes;
  ByteWriter segment(true);
  segment.U8(0xFF);
  segment.U8(0xE1);
  segment.U16(static_cast<uint32_t>(body.size() + 2));
  segment.Text(body);
  return segment.bytes;
}

std::string InsertAfterSoi(const std::string& jpeg, const std::string& segment) {
  if (jpeg.size() < 2) return jpeg;
  return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

std::string WithExifOrientation(const std::string& jpeg, int orientation, bool bigEndian) {
  return InsertAfterSoi(jpeg, ExifOrientationSegment(orientation, bigEndian));
}

std::string UncompressedTiff(int width, int height, const std::string& rgb, int orientation) {
  ByteWriter tiff(false);
  const uint32_t entries = 11;
  const uint32_t ifdEnd = 8 + 2 + entries * 12 + 4;
  const uint32_t bitsOffset = ifdEnd;     // three SHORTs: 8, 8, 8
  const uint32_t pixelOffset = ifdEnd + 6;
  tiff.Text("II");
  tiff.U16(42);
  tiff.U32(8);
  tiff.U16(entries);
  tiff.Entry(256, kLong, 1, static_cast<uint32_t>(width));    // ImageWidth
  tiff.Entry(257, kLong, 1, static_cast<uint32_t>(height));   // ImageLength
  tiff.Entry(258, kShort, 3, bitsOffset);                     // BitsPerSample
  tiff.Entry(259, kShort, 1, 1);                              // Compression: none
  tiff.Entry(262, kShort, 1, 2);                              // Photometric: RGB
  tiff.Entry(273, kLong, 1, pixelOffset);                     // StripOffsets
  tiff.Entry(274, kShort, 1, static_cast<uint32_t>(orientation));
  tiff.Entry(277, kShort, 1, 3);                              // SamplesPerPixel
  tiff.Entry(278, kLong, 1, static_cast<uint32_t>(height));   // RowsPerStrip
  tiff.Entry(279, kLong, 1, static_cast<uint32_t>(rgb.size()));  // StripByteCounts
  tiff.Entry(284, kShort, 1, 1);                              // PlanarConfiguration: chunky
  tiff.U32(0);
  tiff.U16(8);
  tiff.U16(8);
  tiff.U16(8);
  tiff.Text(rgb);
  return tiff.bytes;
}
