#include "engine/JpegMetadata.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr unsigned char kMarker = 0xFF;
constexpr unsigned char kStartOfImage = 0xD8;
constexpr unsigned char kStartOfScan = 0xDA;
constexpr unsigned char kApp0 = 0xE0;
constexpr unsigned char kApp1 = 0xE1;
constexpr unsigned char kApp14 = 0xEE;
constexpr unsigned char kAppLast = 0xEF;
constexpr unsigned char kComment = 0xFE;
constexpr char kExifHeader[] = "Exif\0";  // and one more zero byte
constexpr std::size_t kExifHeaderSize = 6;
constexpr uint16_t kGpsPointerTag = 0x8825;
constexpr std::size_t kEntrySize = 12;

bool StartsWith(const unsigned char* data, std::size_t size, const char* prefix, std::size_t prefixSize) {
  return size >= prefixSize && std::memcmp(data, prefix, prefixSize) == 0;
}

// A TIFF structure (the EXIF block after its header) read and written in its own byte order.
class Tiff {
public:
  Tiff(unsigned char* data, std::size_t size) : data(data), size(size) {
    bigEndian = size >= 8 && data[0] == 'M' && data[1] == 'M';
    valid = size >= 8 && ((data[0] == 'I' && data[1] == 'I') || bigEndian);
  }
  bool Valid() const { return valid; }
  bool Has(std::size_t at, std::size_t length) const { return at <= size && length <= size - at; }
  uint16_t U16(std::size_t at) const {
    return bigEndian ? static_cast<uint16_t>(data[at] << 8 | data[at + 1])
                     : static_cast<uint16_t>(data[at] | data[at + 1] << 8);
  }
  uint32_t U32(std::size_t at) const {
    return bigEndian ? (uint32_t{U16(at)} << 16 | U16(at + 2)) : (uint32_t{U16(at + 2)} << 16 | U16(at));
  }
  void SetU16(std::size_t at, uint16_t value) {
    data[at + (bigEndian ? 0 : 1)] = static_cast<unsigned char>(value >> 8);
    data[at + (bigEndian ? 1 : 0)] = static_cast<unsigned char>(value & 0xFF);
  }
  void Blank(std::size_t at, std::size_t length) { std::memset(data + at, 0, length); }
  void Move(std::size_t to, std::size_t from, std::size_t length) { std::memmove(data + to, data + from, length); }

private:
  unsigned char* data;
  std::size_t size;
  bool bigEndian = false;
  bool valid = false;
};

// Bytes of one value of each TIFF field type; 0 for a type no reader knows.
std::size_t TypeSize(uint16_t type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
  }
}

// Blanks the directory at `at` and every value it keeps outside itself.
bool BlankDirectory(Tiff& tiff, std::size_t at) {
  if (!tiff.Has(at, 2)) return false;
  const std::size_t count = tiff.U16(at);
  const std::size_t length = 2 + count * kEntrySize + 4;
  if (!tiff.Has(at, length)) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = at + 2 + i * kEntrySize;
    const std::size_t valueBytes = TypeSize(tiff.U16(entry + 2)) * tiff.U32(entry + 4);
    if (valueBytes <= 4) continue;
    const std::size_t value = tiff.U32(entry + 8);
    if (!tiff.Has(value, valueBytes)) return false;
    tiff.Blank(value, valueBytes);
  }
  tiff.Blank(at, length);
  return true;
}

// Cuts the GPS pointer out of IFD0 and blanks the GPS directory; true when the block holds no
// position any more (also when it had none).
bool RemoveGpsDirectory(unsigned char* tiffData, std::size_t size) {
  Tiff tiff(tiffData, size);
  if (!tiff.Valid()) return false;
  const std::size_t ifd0 = tiff.U32(4);
  if (!tiff.Has(ifd0, 2)) return false;
  const std::size_t count = tiff.U16(ifd0);
  if (!tiff.Has(ifd0, 2 + count * kEntrySize + 4)) return false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = ifd0 + 2 + i * kEntrySize;
    if (tiff.U16(entry) != kGpsPointerTag) continue;
    if (!BlankDirectory(tiff, tiff.U32(entry + 8))) return false;
    // The entries after it, and the pointer to the next directory, move up one place.
    const std::size_t end = ifd0 + 2 + count * kEntrySize + 4;
    tiff.Move(entry, entry + kEntrySize, end - entry - kEntrySize);
    tiff.Blank(end - kEntrySize, kEntrySize);
    tiff.SetU16(ifd0, static_cast<uint16_t>(count - 1));
    return true;
  }
  return true;
}

bool IsExif(const unsigned char* payload, std::size_t size) {
  return StartsWith(payload, size, kExifHeader, kExifHeaderSize);
}

enum class Fate { Keep, Drop, RemoveGps };

Fate FateOf(unsigned char marker, const unsigned char* payload, std::size_t size, bool keepMetadata, bool removeGps) {
  const bool app = marker >= kApp0 && marker <= kAppLast;
  if (!keepMetadata) return (app && marker != kApp0 && marker != kApp14) || marker == kComment ? Fate::Drop : Fate::Keep;
  if (!removeGps || marker != kApp1) return Fate::Keep;
  return IsExif(payload, size) ? Fate::RemoveGps : Fate::Drop;  // the other APP1 is the XMP
}

}  // namespace

std::vector<unsigned char> JpegWithMetadataRemoved(const std::vector<unsigned char>& jpeg, bool keepMetadata,
                                                   bool removeGps) {
  if (jpeg.size() < 4 || jpeg[0] != kMarker || jpeg[1] != kStartOfImage) return {};
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  std::size_t at = 2;
  while (at + 4 <= jpeg.size()) {
    if (jpeg[at] != kMarker) return {};
    const unsigned char marker = jpeg[at + 1];
    if (marker == kStartOfScan) {
      out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at), jpeg.end());
      return out;
    }
    const std::size_t length = static_cast<std::size_t>(jpeg[at + 2] << 8 | jpeg[at + 3]);
    if (length < 2 || at + 2 + length > jpeg.size()) return {};
    const unsigned char* payload = jpeg.data() + at + 4;
    const std::size_t payloadSize = length - 2;
    const Fate fate = FateOf(marker, payload, payloadSize, keepMetadata, removeGps);
    if (fate != Fate::Drop) {
      const std::size_t start = out.size();
      out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at),
                 jpeg.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
      if (fate == Fate::RemoveGps &&
          !RemoveGpsDirectory(out.data() + start + 4 + kExifHeaderSize, payloadSize - kExifHeaderSize))
        return {};
    }
    at += 2 + length;
  }
  return {};
}
