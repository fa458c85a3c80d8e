#include "engine/HeifPhoto.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/DllFunction.h"
#include "base/Owned.h"
#include "base/ShellHelpers.h"
#include "engine/StopFlag.h"
#include "engine/VipsErrors.h"

// libvips' own EXIF reader, as its loaders run it on the EXIF block they attach: it fills the
// "exif-ifd..." fields and the orientation from the block. The savers rebuild the EXIF they
// write from those fields, so a block without them would lose every tag.
extern "C" int vips__exif_parse(VipsImage* image);

namespace {

// The widest and tallest picture libheif is let decode, each side. The pixel count is checked
// from the header before this (kMaxPhotoPixels); this bounds every tile of a grid as well.
constexpr int kLargestHeifSide = 32768;

// A file larger than this is no photo anyone takes; it is not read into memory.
constexpr int64_t kLargestHeifFile = int64_t{1} << 30;

constexpr DWORD kReadChunk = 4u << 20;

constexpr char kExifHeader[] = {'E', 'x', 'i', 'f', '\0', '\0'};

uint32_t Big32(const unsigned char* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

bool IsBrand(const unsigned char* p, const char* brand) { return std::memcmp(p, brand, 4) == 0; }

bool IsHevcBrand(const unsigned char* p) {
  for (const char* brand : {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm", "hevs"})
    if (IsBrand(p, brand)) return true;
  return false;
}

bool IsAvifBrand(const unsigned char* p) { return IsBrand(p, "avif") || IsBrand(p, "avis"); }

std::wstring AsciiText(const char* text) {
  if (text == nullptr) return {};
  return std::wstring(text, text + std::strlen(text));
}

bool Failed(const heif_error& error) { return error.code != heif_error_Ok; }

// The program loads libheif.dll at its first call into it, and a DLL missing then would end
// the program; so it is loaded from the program's folder before the first call, once, and
// stays loaded for the life of the process.
bool HeifLibraryPresent() {
  static LoadedModule library;
  static const bool present = SUCCEEDED(LoadLibraryFrom(ModuleDirectory(), L"libheif.dll", library));
  return present;
}

std::wstring HeifWords(const heif_error& error) { return L"libheif: " + AsciiText(error.message); }

// The whole file into `bytes`, through a Windows handle (any UTF-16 path).
PhotoFailure ReadWholeFile(const std::wstring& path, const std::atomic<int>* stop, std::vector<unsigned char>& bytes,
                           std::wstring& why) {
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) {
    why = L"ファイルを開けません (エラー " + std::to_wstring(GetLastError()) + L")";
    return PhotoFailure::Unreadable;
  }
  if (size.QuadPart > kLargestHeifFile) {
    why = std::to_wstring(size.QuadPart) + L" バイトの HEIF ファイルです";
    return PhotoFailure::TooLarge;
  }
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    if (Stopped(stop)) return PhotoFailure::Cancelled;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(kReadChunk, bytes.size() - done));
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + done, wanted, &read, nullptr) || read == 0) {
      why = L"ファイルを最後まで読めません";
      return PhotoFailure::Unreadable;
    }
    done += read;
  }
  return PhotoFailure::None;
}

// The decoded picture's pixels copied into a libvips memory image, row by row (libheif pads
// its rows).
VipsImagePtr CopiedPixels(const heif_image* picture, int bands) {
  int stride = 0;
  const uint8_t* const plane = heif_image_get_plane_readonly(picture, heif_channel_interleaved, &stride);
  const int width = heif_image_get_width(picture, heif_channel_interleaved);
  const int height = heif_image_get_height(picture, heif_channel_interleaved);
  if (plane == nullptr || width <= 0 || height <= 0 || stride < width * bands ||
      heif_image_get_bits_per_pixel_range(picture, heif_channel_interleaved) != 8)
    return {};
  VipsImagePtr copy(vips_image_new_memory());
  if (!copy) return {};
  vips_image_init_fields(copy.get(), width, height, bands, VIPS_FORMAT_UCHAR, VIPS_CODING_NONE,
                         VIPS_INTERPRETATION_sRGB, 1.0, 1.0);
  if (vips_image_write_prepare(copy.get()) != 0) return {};
  for (int y = 0; y < height; ++y) {
    const uint8_t* const row = plane + static_cast<std::ptrdiff_t>(y) * stride;
    if (vips_image_write_line(copy.get(), y, const_cast<VipsPel*>(row)) != 0) return {};
  }
  return copy;
}

// `handle` decoded to 8-bit RGB, or RGBA when it has alpha; deeper pictures come down to 8 bits.
VipsImagePtr DecodedPixels(const heif_image_handle* handle, std::wstring& why) {
  const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
  heif_decoding_options* const options = heif_decoding_options_alloc();
  if (options == nullptr) {
    why = L"libheif の設定を作れません";
    return {};
  }
  options->convert_hdr_to_8bit = 1;
  HeifImagePtr picture;
  const heif_chroma chroma = alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
  const heif_error decoded = heif_decode_image(handle, picture.receive(), heif_colorspace_RGB, chroma, options);
  heif_decoding_options_free(options);
  if (Failed(decoded)) {
    why = HeifWords(decoded);
    return {};
  }
  VipsImagePtr pixels = CopiedPixels(picture.get(), alpha ? 4 : 3);
  if (!pixels) why = L"HEIF の画素を受け取れません: " + TakeVipsError();
  return pixels;
}

// The ICC profile of the file (an iPhone's: Display P3). A picture with only an nclx colour
// box, or none, is taken as sRGB and gets no profile.
void AttachProfile(const heif_image_handle* handle, VipsImage* picture) {
  const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
  if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) return;
  std::vector<unsigned char> profile(heif_image_handle_get_raw_color_profile_size(handle));
  if (profile.empty() || Failed(heif_image_handle_get_raw_color_profile(handle, profile.data()))) return;
  vips_image_set_blob_copy(picture, VIPS_META_ICC_NAME, profile.data(), profile.size());
}

// Where the TIFF data of a HEIF's EXIF block starts: the block begins with a 4-byte offset
// from its end to the TIFF header (6 on an iPhone, for the "Exif\0\0" it keeps; 0 on others).
// The block's size when the offset points outside it.
std::size_t TiffStart(const std::vector<unsigned char>& block) {
  if (block.size() < 4) return block.size();
  const uint64_t start = uint64_t{4} + Big32(block.data());
  return start < block.size() ? static_cast<std::size_t>(start) : block.size();
}

// The EXIF block attached as the JPEG reader attaches it ("Exif\0\0" and the TIFF data) and
// read into fields, without the orientation: the picture is upright already. A block libvips
// cannot read is dropped, and `warning` says so.
void AttachExif(const heif_image_handle* handle, VipsImage* picture, std::wstring& warning) {
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1) return;
  std::vector<unsigned char> block(heif_image_handle_get_metadata_size(handle, id));
  if (block.empty() || Failed(heif_image_handle_get_metadata(handle, id, block.data()))) return;
  const std::size_t start = TiffStart(block);
  if (start >= block.size()) return;
  std::vector<unsigned char> exif(sizeof(kExifHeader) + (block.size() - start));
  std::memcpy(exif.data(), kExifHeader, sizeof(kExifHeader));
  std::memcpy(exif.data() + sizeof(kExifHeader), block.data() + start, block.size() - start);
  vips_image_set_blob_copy(picture, VIPS_META_EXIF_NAME, exif.data(), exif.size());
  if (vips__exif_parse(picture) != 0) {
    // A block libvips cannot read would fail the save that keeps it: the photo goes without.
    vips_image_remove(picture, VIPS_META_EXIF_NAME);
    const std::wstring words = TakeVipsError();  // libvips' words when working alone
    warning = words.empty() ? L"exif: EXIF を読めないため外しました" : words;
  }
  vips_image_remove(picture, VIPS_META_ORIENTATION);
}

// `handle` decoded, with the metadata of `primary` (a thumbnail has none of its own).
VipsImagePtr Picture(const heif_image_handle* handle, const heif_image_handle* primary, std::wstring& why) {
  VipsImagePtr picture = DecodedPixels(handle, why);
  if (!picture) return {};
  AttachProfile(primary, picture.get());
  AttachExif(primary, picture.get(), why);
  return picture;
}

}  // namespace

bool IsHeifPhotoHeader(const unsigned char* head, std::size_t length) {
  if (length < 16 || !IsBrand(head + 4, "ftyp")) return false;
  const std::size_t boxEnd = std::min<std::size_t>(length, Big32(head));
  if (IsAvifBrand(head + 8)) return false;
  bool hevc = IsHevcBrand(head + 8);
  bool avif = false;
  for (std::size_t at = 16; at + 4 <= boxEnd; at += 4) {
    hevc = hevc || IsHevcBrand(head + at);
    avif = avif || IsAvifBrand(head + at);
  }
  return hevc || (!avif && (IsBrand(head + 8, "mif1") || IsBrand(head + 8, "msf1")));
}

PhotoFailure HeifPhoto::Open(const std::wstring& path, const std::atomic<int>* stop, std::wstring& why) {
  if (!HeifLibraryPresent()) {
    why = L"libheif.dll が見つからないため HEIC を読めません";
    return PhotoFailure::Unreadable;
  }
  const PhotoFailure read = ReadWholeFile(path, stop, bytes, why);
  if (read != PhotoFailure::None) return read;
  context.reset(heif_context_alloc());
  if (!context) {
    why = L"libheif を使えません";
    return PhotoFailure::Unreadable;
  }
  heif_context_set_maximum_image_size_limit(context.get(), kLargestHeifSide);
  heif_error error = heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr);
  if (!Failed(error)) error = heif_context_get_primary_image_handle(context.get(), primary.receive());
  if (Failed(error)) {
    why = HeifWords(error);
    return error.subcode == heif_suberror_Security_limit_exceeded ? PhotoFailure::TooLarge : PhotoFailure::Unreadable;
  }
  width = heif_image_handle_get_width(primary.get());
  height = heif_image_handle_get_height(primary.get());
  if (width <= 0 || height <= 0) {
    why = L"HEIF の画像に大きさがありません";
    return PhotoFailure::Unreadable;
  }
  return PhotoFailure::None;
}

VipsImagePtr HeifPhoto::Decode(int threads, std::wstring& why) const {
  heif_context_set_max_decoding_threads(context.get(), threads < 1 ? 1 : threads);
  return Picture(primary.get(), primary.get(), why);
}

VipsImagePtr HeifPhoto::CoveringThumbnail(int targetWidth, int targetHeight, std::wstring& why) const {
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_thumbnail_IDs(primary.get(), &id, 1) < 1) return {};
  HeifHandlePtr thumbnail;
  if (Failed(heif_image_handle_get_thumbnail(primary.get(), id, thumbnail.receive()))) return {};
  const int64_t thumbWidth = heif_image_handle_get_width(thumbnail.get());
  const int64_t thumbHeight = heif_image_handle_get_height(thumbnail.get());
  // The same picture, smaller: its sides in the primary image's proportion, to a pixel.
  const int64_t skew = thumbWidth * height - thumbHeight * width;
  const bool samePicture = (skew < 0 ? -skew : skew) <= std::max(width, height);
  if (!samePicture || thumbWidth < targetWidth || thumbHeight < targetHeight) return {};
  return Picture(thumbnail.get(), primary.get(), why);
}
