#include "engine/ExifOrientation.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/Owned.h"

namespace {

namespace gp = Gdiplus::DllExports;

constexpr PROPID kOrientationTag = 0x0112;
constexpr GUID kImageFormatJpeg = {0xB96B3CAE, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

// Random access to a file that never reads past its end.
class ReadOnlyFile {
public:
  explicit ReadOnlyFile(const std::wstring& path)
      : handle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    LARGE_INTEGER size{};
    if (handle && ::GetFileSizeEx(handle.get(), &size)) fileSize = static_cast<uint64_t>(size.QuadPart);
  }

  uint64_t Size() const { return fileSize; }

  bool ReadAt(uint64_t offset, void* buffer, uint32_t count) const {
    if (!handle || offset > fileSize || fileSize - offset < count) return false;
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(handle.get(), position, nullptr, FILE_BEGIN)) return false;
    DWORD read = 0;
    return ::ReadFile(handle.get(), buffer, count, &read, nullptr) && read == count;
  }

  bool ReadByte(uint64_t offset, uint8_t& value) const { return ReadAt(offset, &value, 1); }

private:
  KernelHandle handle;
  uint64_t fileSize = 0;
};

uint16_t Read16(const uint8_t* p, bool bigEndian) {
  return bigEndian ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
}

uint32_t Read32(const uint8_t* p, bool bigEndian) {
  return bigEndian ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3])
                   : (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
}

// True when `count` bytes starting at `offset` lie inside a block of `size` bytes.
bool Inside(size_t size, uint64_t offset, uint64_t count) { return offset <= size && size - offset >= count; }

// Tag 274 of IFD0 in a TIFF header block (the body of an EXIF segment).
int OrientationFromTiff(const uint8_t* tiff, size_t size) {
  constexpr uint64_t kEntrySize = 12;
  if (size < 8) return 0;
  bool bigEndian = false;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    bigEndian = false;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    bigEndian = true;
  } else {
    return 0;
  }
  if (Read16(tiff + 2, bigEndian) != 42) return 0;
  const uint64_t ifd = Read32(tiff + 4, bigEndian);
  if (!Inside(size, ifd, 2)) return 0;
  const unsigned entryCount = Read16(tiff + ifd, bigEndian);
  for (unsigned i = 0; i < entryCount; ++i) {
    const uint64_t entry = ifd + 2 + kEntrySize * i;
    if (!Inside(size, entry, kEntrySize)) return 0;
    const uint8_t* p = tiff + entry;
    if (Read16(p, bigEndian) != kOrientationTag) continue;
    const uint16_t type = Read16(p + 2, bigEndian);
    const uint32_t count = Read32(p + 4, bigEndian);
    if (count < 1) return 0;
    if (type == 3) return Read16(p + 8, bigEndian);  // SHORT, the form the standard prescribes
    if (type == 4) {                                  // LONG, written by a few tools
      const uint32_t value = Read32(p + 8, bigEndian);
      return value <= 0xFFFF ? static_cast<int>(value) : 0;
    }
    return 0;
  }
  return 0;
}

bool IsExifHeader(const std::vector<uint8_t>& segment) {
  static constexpr uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
  return segment.size() >= sizeof(kExif) && std::memcmp(segment.data(), kExif, sizeof(kExif)) == 0;
}

bool IsStandaloneMarker(uint8_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

// Reads property 274 through GDI+. False when the platform offers no such property.
bool OrientationProperty(Gdiplus::GpImage* image, int& orientation) {
  UINT count = 0;
  if (gp::GdipGetPropertyCount(image, &count) != Gdiplus::Ok || count == 0) return false;
  UINT size = 0;
  if (gp::GdipGetPropertyItemSize(image, kOrientationTag, &size) != Gdiplus::Ok || size == 0) return false;
  // The item holds a pointer into its own buffer; keep the buffer pointer-aligned.
  std::vector<uint64_t> buffer((size + sizeof(uint64_t) - 1) / sizeof(uint64_t));
  auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
  orientation = 0;
  if (gp::GdipGetPropertyItem(image, kOrientationTag, size, item) != Gdiplus::Ok) return true;
  if (item->value != nullptr && item->length >= sizeof(uint16_t)) {
    uint16_t value = 0;
    std::memcpy(&value, item->value, sizeof(value));
    orientation = value;
  }
  return true;
}

bool IsJpeg(Gdiplus::GpImage* image) {
  GUID format{};
  return gp::GdipGetImageRawFormat(image, &format) == Gdiplus::Ok && IsEqualGUID(format, kImageFormatJpeg);
}

}  // namespace

int ReadExifOrientationFromFile(const std::wstring& path) {
  const ReadOnlyFile file(path);
  uint8_t soi[2] = {};
  if (!file.ReadAt(0, soi, 2) || soi[0] != 0xFF || soi[1] != 0xD8) return 0;

  uint64_t position = 2;
  for (;;) {
    uint8_t byte = 0;
    if (!file.ReadByte(position, byte) || byte != 0xFF) return 0;
    while (byte == 0xFF) {  // a marker may be preceded by fill bytes
      ++position;
      if (!file.ReadByte(position, byte)) return 0;
    }
    const uint8_t marker = byte;
    ++position;
    if (marker == 0xD9 || marker == 0xDA) return 0;  // end of image or start of scan: no EXIF before the data
    if (IsStandaloneMarker(marker)) continue;

    uint8_t lengthBytes[2] = {};
    if (!file.ReadAt(position, lengthBytes, 2)) return 0;
    const uint32_t length = Read16(lengthBytes, true);
    if (length < 2 || !Inside(file.Size(), position, length)) return 0;
    if (marker == 0xE1) {
      std::vector<uint8_t> segment(length - 2);
      if (!segment.empty() && !file.ReadAt(position + 2, segment.data(), static_cast<uint32_t>(segment.size())))
        return 0;
      if (IsExifHeader(segment)) return OrientationFromTiff(segment.data() + 6, segment.size() - 6);
    }
    position += length;
  }
}

int PhotoOrientation(Gdiplus::GpImage* image, const std::wstring& path) {
  if (image == nullptr) return 0;
  int orientation = 0;
  if (OrientationProperty(image, orientation)) return orientation;
  if (!path.empty() && IsJpeg(image)) return ReadExifOrientationFromFile(path);
  return 0;
}

Gdiplus::RotateFlipType OrientationToRotateFlip(int orientation) {
  switch (orientation) {
  case 2: return Gdiplus::RotateNoneFlipX;
  case 3: return Gdiplus::Rotate180FlipNone;
  case 4: return Gdiplus::Rotate180FlipX;
  case 5: return Gdiplus::Rotate90FlipX;
  case 6: return Gdiplus::Rotate90FlipNone;
  case 7: return Gdiplus::Rotate270FlipX;
  case 8: return Gdiplus::Rotate270FlipNone;
  default: return Gdiplus::RotateNoneFlipNone;
  }
}

void RotateFlipImage(Gdiplus::GpImage* image, Gdiplus::RotateFlipType type) {
  const int quarterTurns = static_cast<int>(type) & 3;
  const bool flipX = (static_cast<int>(type) & 4) != 0;
  if (image == nullptr) return;
  if (quarterTurns != 0) gp::GdipImageRotateFlip(image, static_cast<Gdiplus::RotateFlipType>(quarterTurns));
  if (flipX) gp::GdipImageRotateFlip(image, Gdiplus::RotateNoneFlipX);
}

void TurnUpright(Gdiplus::GpImage* image, int orientation, int rotation) {
  const Gdiplus::RotateFlipType exifTurn = OrientationToRotateFlip(orientation);
  if (exifTurn != Gdiplus::RotateNoneFlipNone) RotateFlipImage(image, exifTurn);
  if (rotation >= 1 && rotation <= 3) RotateFlipImage(image, static_cast<Gdiplus::RotateFlipType>(rotation));
}
