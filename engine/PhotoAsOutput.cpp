#include "engine/PhotoAsOutput.h"

#include <windows.h>

#include <cstring>
#include <string_view>
#include <utility>

#include "base/Owned.h"
#include "base/PathIdentity.h"
#include "engine/IccProfile.h"
#include "engine/JpegMetadata.h"
#include "engine/PhotoEncoder.h"
#include "engine/PhotoResize.h"

namespace {

constexpr DWORD kLargestRead = 1u << 30;

// The types told apart by their first bytes. An ISO media file ("ftyp" at 4) is told by its
// brand, so an AVIF and a HEIC are of two types.
std::string_view FileTypeOf(const unsigned char* bytes, std::size_t size) {
  const std::string_view head(reinterpret_cast<const char*>(bytes), size < 16 ? size : 16);
  const auto starts = [&head](std::string_view prefix, std::size_t at = 0) {
    return head.size() >= at + prefix.size() && head.substr(at, prefix.size()) == prefix;
  };
  if (starts("\xFF\xD8\xFF")) return "jpeg";
  if (starts("\x89PNG\r\n\x1A\n")) return "png";
  if (starts("GIF8")) return "gif";
  if (starts("BM")) return "bmp";
  if (starts(std::string_view("II*\0", 4)) || starts(std::string_view("MM\0*", 4))) return "tiff";
  if (starts("RIFF") && starts("WEBP", 8)) return "webp";
  if (starts("ftyp", 4) && head.size() >= 12) return head.substr(8, 4);
  return {};
}

bool HasField(VipsImage* image, const char* name) { return vips_image_get_typeof(image, name) != 0; }

// Any field of the EXIF's GPS directory, as libvips' loaders name them.
bool HasGpsTag(VipsImage* image) {
  gchar** const fields = vips_image_get_fields(image);
  bool found = false;
  for (gchar** field = fields; field != nullptr && *field != nullptr && !found; ++field)
    found = std::strncmp(*field, "exif-ifd3-", 10) == 0;
  g_strfreev(fields);
  return found;
}

// The pixels are sRGB as they stand: no profile, or an sRGB one.
bool ColoursStayAsTheyAre(VipsImage* header) {
  if (header->BandFmt != VIPS_FORMAT_UCHAR) return false;
  if (header->Type != VIPS_INTERPRETATION_sRGB && header->Type != VIPS_INTERPRETATION_B_W) return false;
  if (!HasField(header, VIPS_META_ICC_NAME)) return true;
  const void* data = nullptr;
  size_t size = 0;
  return vips_image_get_blob(header, VIPS_META_ICC_NAME, &data, &size) == 0 && IsSrgbProfile(data, size);
}

// What the settings ask of the metadata is already so.
bool MetadataStaysAsItIs(VipsImage* header, const ConvertSettings& settings) {
  const bool hasXmp = HasField(header, VIPS_META_XMP_NAME);
  if (!settings.KeepMetadata) {
    return !HasField(header, VIPS_META_EXIF_NAME) && !hasXmp && !HasField(header, VIPS_META_IPTC_NAME) &&
           !HasField(header, VIPS_META_ICC_NAME);
  }
  // The location may sit in the XMP as well as in the GPS tags.
  return !settings.RemoveGps || (!HasGpsTag(header) && !hasXmp);
}

bool NoEffect(const EffectParams& effect) {
  return effect.EffectRadioIndex == ColourEffect::None && !effect.CheckBriteness && !effect.CheckContrast;
}

// Upright as stored, at the finished size, with nothing done to its pixels.
bool PixelsStayAsTheyAre(VipsImage* header, const PhotoItem& item, const ConvertSettings& settings,
                         VipsImage* finished) {
  return vips_image_get_orientation(header) <= 1 && item.rotation % 4 == 0 && NoEffect(PhotoEffect(item, settings)) &&
         header->Xsize == finished->Xsize && header->Ysize == finished->Ysize;
}

bool KeepsUnderLimit(std::size_t size, const ConvertSettings& settings) {
  return !HasStrictSizeLimit(settings) ||
         (settings.JpegFileSize > 0 && size <= static_cast<std::size_t>(settings.JpegFileSize) * 1024u);
}

}  // namespace

bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes) {
  const std::wstring full = FullPathOf(path);
  const KernelHandle file(CreateFileW(ExtendedLengthPath(full.empty() ? path : full).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return false;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t left = bytes.size() - at;
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + at, left < kLargestRead ? static_cast<DWORD>(left) : kLargestRead, &read,
                  nullptr) ||
        read == 0)
      return false;
    at += read;
  }
  return true;
}

bool SameFileType(const std::vector<unsigned char>& a, const unsigned char* b, std::size_t bSize) {
  const std::string_view type = FileTypeOf(a.data(), a.size());
  return !type.empty() && type == FileTypeOf(b, bSize);
}

PhotoUse UsePhotoForOutput(const PhotoItem& item, const ConvertSettings& settings, VipsImage* finished,
                           std::vector<unsigned char>& photo, const VipsBytes& encoded) {
  if (finished == nullptr || photo.empty() || photo.size() >= encoded.size) return PhotoUse::None;
  if (!SameFileType(photo, encoded.begin(), encoded.size)) return PhotoUse::None;
  const VipsImagePtr header(vips_image_new_from_buffer(photo.data(), photo.size(), "", nullptr));
  if (!header) {
    vips_error_clear();
    return PhotoUse::None;
  }
  if (!PixelsStayAsTheyAre(header.get(), item, settings, finished) || !ColoursStayAsTheyAre(header.get()))
    return PhotoUse::None;
  PhotoUse use = PhotoUse::AsItIs;
  if (!MetadataStaysAsItIs(header.get(), settings)) {
    std::vector<unsigned char> rewritten =
        JpegWithMetadataRemoved(photo, settings.KeepMetadata, settings.RemoveGps);
    if (rewritten.empty()) return PhotoUse::None;
    photo = std::move(rewritten);
    use = PhotoUse::Rewritten;
  }
  return KeepsUnderLimit(photo.size(), settings) ? use : PhotoUse::None;
}
