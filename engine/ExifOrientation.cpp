#include "engine/ExifOrientation.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/VipsOwned.h"
#include "engine/VipsSession.h"

namespace {

namespace gp = Gdiplus::DllExports;

constexpr PROPID kOrientationTag = 0x0112;

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

// The orientation libvips reads from the file's header; 0 when it has none or cannot read it.
int HeaderOrientation(const std::wstring& path) {
  const VipsImagePtr header(vips_image_new_from_file(Utf8Path(path).c_str(), nullptr));
  if (!header) {
    TakeVipsError();
    return 0;
  }
  int orientation = 0;
  if (vips_image_get_typeof(header.get(), VIPS_META_ORIENTATION) == 0 ||
      vips_image_get_int(header.get(), VIPS_META_ORIENTATION, &orientation) != 0)
    return 0;
  return orientation;
}

}  // namespace

int PhotoOrientation(Gdiplus::GpImage* image, const std::wstring& path) {
  if (image == nullptr) return 0;
  int orientation = 0;
  if (OrientationProperty(image, orientation)) return orientation;
  if (!path.empty()) return HeaderOrientation(path);
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
