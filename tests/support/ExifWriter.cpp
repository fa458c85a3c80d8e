#include "tests/support/ExifWriter.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

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

namespace {

constexpr uint32_t kByte = 1;
constexpr uint32_t kRational = 5;
constexpr uint32_t kUndefined = 7;

// One directory of a TIFF block: its entries in tag order, the values longer than four
// bytes stored right behind it.
class IfdBuilder {
public:
  explicit IfdBuilder(bool bigEndian) : bigEndian(bigEndian) {}

  void Ascii(uint32_t tag, const std::string& text) { Add(tag, kAscii, text.size() + 1, text + '\0'); }
  void Short(uint32_t tag, uint32_t value) {
    ByteWriter w(bigEndian);
    w.U16(value);
    Add(tag, kShort, 1, w.bytes);
  }
  void Long(uint32_t tag, uint32_t value) {
    ByteWriter w(bigEndian);
    w.U32(value);
    Add(tag, kLong, 1, w.bytes);
  }
  void Rationals(uint32_t tag, std::initializer_list<std::pair<uint32_t, uint32_t>> values) {
    ByteWriter w(bigEndian);
    for (const auto& [numerator, denominator] : values) {
      w.U32(numerator);
      w.U32(denominator);
    }
    Add(tag, kRational, values.size(), w.bytes);
  }
  // BYTE or UNDEFINED values, one per byte.
  void Bytes(uint32_t tag, uint32_t type, const std::string& bytes) { Add(tag, type, bytes.size(), bytes); }
  // A new value for an entry added with Long, such as the offset of a later directory.
  void SetLong(uint32_t tag, uint32_t value) {
    for (Entry& entry : entries) {
      if (entry.tag != tag) continue;
      ByteWriter w(bigEndian);
      w.U32(value);
      entry.value = w.bytes;
    }
  }

  // Bytes the directory takes together with its stored values.
  uint32_t Size() const {
    uint32_t size = 2 + static_cast<uint32_t>(entries.size()) * 12 + 4;
    for (const Entry& entry : entries)
      if (entry.value.size() > 4) size += Padded(entry.value.size());
    return size;
  }

  // The directory as it lies at `offset` of the TIFF block, followed by the directory at `next`.
  std::string Write(uint32_t offset, uint32_t next) const {
    std::vector<Entry> sorted = entries;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    ByteWriter ifd(bigEndian);
    std::string stored;
    uint32_t storedAt = offset + 2 + static_cast<uint32_t>(sorted.size()) * 12 + 4;
    ifd.U16(static_cast<uint32_t>(sorted.size()));
    for (const Entry& entry : sorted) {
      ifd.U16(entry.tag);
      ifd.U16(entry.type);
      ifd.U32(entry.count);
      if (entry.value.size() <= 4) {
        ifd.Text(entry.value + std::string(4 - entry.value.size(), '\0'));
        continue;
      }
      ifd.U32(storedAt);
      const uint32_t padded = Padded(entry.value.size());
      stored += entry.value + std::string(padded - entry.value.size(), '\0');
      storedAt += padded;
    }
    ifd.U32(next);
    return ifd.bytes + stored;
  }

private:
  struct Entry {
    uint32_t tag;
    uint32_t type;
    uint32_t count;
    std::string value;  // in the block's byte order
  };

  static uint32_t Padded(size_t size) { return static_cast<uint32_t>((size + 1) / 2 * 2); }
  void Add(uint32_t tag, uint32_t type, size_t count, const std::string& value) {
    entries.push_back({tag, type, static_cast<uint32_t>(count), value});
  }

  bool bigEndian;
  std::vector<Entry> entries;
};

// A JPEG marker segment: FF, the marker, the big-endian length (which counts itself), the body.
std::string JpegSegment(uint32_t marker, const std::string& body) {
  ByteWriter segment(true);
  segment.U8(0xFF);
  segment.U8(marker);
  segment.U16(static_cast<uint32_t>(body.size() + 2));
  segment.Text(body);
  return segment.bytes;
}

constexpr uint32_t kTagMake = 0x010F;
constexpr uint32_t kTagModel = 0x0110;
constexpr uint32_t kTagOrientation = 0x0112;
constexpr uint32_t kTagXResolution = 0x011A;
constexpr uint32_t kTagYResolution = 0x011B;
constexpr uint32_t kTagResolutionUnit = 0x0128;
constexpr uint32_t kTagCompression = 0x0103;
constexpr uint32_t kTagThumbnailOffset = 0x0201;
constexpr uint32_t kTagThumbnailLength = 0x0202;
constexpr uint32_t kTagExifIfd = 0x8769;
constexpr uint32_t kTagGpsIfd = 0x8825;
constexpr uint32_t kTagExposureTime = 0x829A;
constexpr uint32_t kTagExifVersion = 0x9000;
constexpr uint32_t kTagDateTimeOriginal = 0x9003;
constexpr uint32_t kTagGpsVersion = 0x0000;
constexpr uint32_t kTagGpsLatitudeRef = 0x0001;
constexpr uint32_t kTagGpsLatitude = 0x0002;
constexpr uint32_t kTagGpsLongitudeRef = 0x0003;
constexpr uint32_t kTagGpsLongitude = 0x0004;

void AddResolution(IfdBuilder& ifd) {
  ifd.Rationals(kTagXResolution, {{72, 1}});
  ifd.Rationals(kTagYResolution, {{72, 1}});
  ifd.Short(kTagResolutionUnit, 2);  // inches
}

void AddPosition(IfdBuilder& gps, uint32_t refTag, char ref, uint32_t tag, const unsigned (&dms)[3]) {
  gps.Ascii(refTag, std::string(1, ref));
  gps.Rationals(tag, {{dms[0], 1}, {dms[1], 1}, {dms[2], 1}});
}

}  // namespace

std::string CameraExifSegment(const CameraExif& camera, bool bigEndian) {
  IfdBuilder ifd0(bigEndian);
  ifd0.Ascii(kTagMake, camera.make);
  ifd0.Ascii(kTagModel, camera.model);
  ifd0.Short(kTagOrientation, static_cast<uint32_t>(camera.orientation));
  AddResolution(ifd0);
  ifd0.Long(kTagExifIfd, 0);
  ifd0.Long(kTagGpsIfd, 0);

  IfdBuilder exif(bigEndian);
  exif.Rationals(kTagExposureTime, {{camera.exposureNumerator, camera.exposureDenominator}});
  exif.Bytes(kTagExifVersion, kUndefined, "0232");
  exif.Ascii(kTagDateTimeOriginal, camera.dateTimeOriginal);

  IfdBuilder gps(bigEndian);
  gps.Bytes(kTagGpsVersion, kByte, std::string("\x02\x03\x00\x00", 4));
  AddPosition(gps, kTagGpsLatitudeRef, camera.latitudeRef, kTagGpsLatitude, camera.latitude);
  AddPosition(gps, kTagGpsLongitudeRef, camera.longitudeRef, kTagGpsLongitude, camera.longitude);

  const bool thumbnail = !camera.thumbnailJpeg.empty();
  IfdBuilder ifd1(bigEndian);
  ifd1.Short(kTagCompression, 6);  // JPEG
  AddResolution(ifd1);
  ifd1.Long(kTagThumbnailOffset, 0);
  ifd1.Long(kTagThumbnailLength, static_cast<uint32_t>(camera.thumbnailJpeg.size()));

  const uint32_t ifd0At = 8;
  const uint32_t exifAt = ifd0At + ifd0.Size();
  const uint32_t gpsAt = exifAt + exif.Size();
  const uint32_t ifd1At = gpsAt + gps.Size();
  ifd0.SetLong(kTagExifIfd, exifAt);
  ifd0.SetLong(kTagGpsIfd, gpsAt);
  ifd1.SetLong(kTagThumbnailOffset, ifd1At + ifd1.Size());

  ByteWriter tiff(bigEndian);
  tiff.Text(bigEndian ? "MM" : "II");
  tiff.U16(42);
  tiff.U32(ifd0At);
  tiff.Text(ifd0.Write(ifd0At, thumbnail ? ifd1At : 0));
  tiff.Text(exif.Write(exifAt, 0));
  tiff.Text(gps.Write(gpsAt, 0));
  if (thumbnail) tiff.Text(ifd1.Write(ifd1At, 0) + camera.thumbnailJpeg);
  return JpegSegment(0xE1, std::string("Exif\0\0", 6) + tiff.bytes);
}

std::string IccProfileSegment(const std::string& profile) {
  const std::string chunk = std::string("ICC_PROFILE\0", 12) + '\x01' + '\x01';  // chunk 1 of 1
  return JpegSegment(0xE2, chunk + profile);
}

std::string XmpSegment(const std::string& packet) {
  return JpegSegment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0", 29) + packet);
}

std::string IptcSegment(const std::string& caption) {
  ByteWriter iptc(true);
  iptc.Text("\x1C\x02");  // record 2 (application), dataset 120 (caption)
  iptc.U8(120);
  iptc.U16(static_cast<uint32_t>(caption.size()));
  iptc.Text(caption);

  ByteWriter resource(true);
  resource.Text(std::string("Photoshop 3.0\0", 14));
  resource.Text("8BIM");
  resource.U16(0x0404);  // the IPTC resource
  resource.U16(0);       // an empty name, padded to even
  resource.U32(static_cast<uint32_t>(iptc.bytes.size()));
  resource.Text(iptc.bytes);
  if (iptc.bytes.size() % 2 != 0) resource.U8(0);  // resources are padded to even
  return JpegSegment(0xED, resource.bytes);
}
