#include "engine/PhotoEncoder.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "base/AtomicFile.h"
#include "engine/AvifColour.h"

namespace {

constexpr int kMinQuality = 1;  // the lowest quality libvips' JPEG saver takes
constexpr int kMaxQuality = 100;
constexpr uint64_t kTargetTolerance = 512;
constexpr uint64_t kBytesPerKByte = 1024;

// mozjpeg's ways to a smaller file at the same look, as measured (make bench, SSIM on 24
// photos at quality 80): quant table 3 (N. Robidoux's, tuned for the look), optimised Huffman
// tables, progressive scans and overshoot deringing on hard edges give files 11 % smaller than
// libjpeg's at the same SSIM, in about 15 ms for 800 x 600 instead of 8 (baseline) or 2
// (libjpeg's defaults). mozjpeg's search for the best scans saves 0.3 % more for three times
// the time: off. Trellis quantisation makes files 17 % smaller, but its SSIM falls by 0.005,
// as from quality 80 to 78: off, so the quality number keeps its look. Chroma stays whole at
// quality 90 and above (subsample_mode auto).
constexpr int kQuantTable = 3;
constexpr gboolean kTrellisQuantisation = FALSE;
constexpr gboolean kSearchScans = FALSE;
// libwebp's method 2 of 0..6: an 800 x 600 picture in about 35 ms instead of 70 to 120 ms
// at the default 4, for files some 3 % larger.
constexpr int kWebpEffort = 2;

// AVIF: AV1 by libheif's aom encoder, 8-bit. Effort 2 of 0..9 (aom's speed 7), as measured on
// photos of real detail at 1600 x 1200 (make bench): at the same SSIM as our JPEG at quality 80,
// effort 0 gives 0.75 of the JPEG's bytes in 0.25 s a photo, 1 gives 0.70 in 0.55 s, 2 gives
// 0.66 in 0.8 s, 3 gives 0.64 in 1.5 s and 4 gives 0.61 in 8 s. Past 2 each step costs twice
// the time or more for 2 % to 5 % of bytes; at 2 an AVIF costs about a dozen JPEGs' time.
constexpr int kAvifEffort = 2;
// Whole chroma (4:4:4) from this slider quality up, as the JPEG has it.
constexpr int kWholeChromaQuality = 90;
// The slider's quality and the AVIF quality (libheif's 1..100) that looks the same: the mean
// SSIM of our JPEG at the slider's quality and of the AVIF at that quality (by effort
// kAvifEffort, 4:2:0 below kWholeChromaQuality, 4:4:4 from it) are equal on photos of real
// detail at 1600 x 1200 (make bench's), read between the AVIF qualities measured. At 89 the
// JPEG's curve is carried on from 80 and 85.
struct QualityPoint {
  int slider;
  int avif;
};
constexpr QualityPoint kAvifQualities[] = {{0, 1},   {10, 11}, {20, 27}, {30, 36}, {40, 41},
                                           {50, 45}, {60, 49}, {70, 54}, {75, 57}, {80, 62},
                                           {85, 67}, {89, 72}, {90, 78}, {95, 90}, {100, 99}};

constexpr uint64_t kBmpHeaderBytes = 14 + 40;  // BITMAPFILEHEADER + BITMAPINFOHEADER
constexpr uint64_t kBmpPixelBytes = 3;
constexpr uint64_t kLargestBmp = 0xFFFFFFFFu;  // bfSize is 32 bits wide

// The embedded thumbnail of a photo's EXIF, as libvips' JPEG loader attaches it.
constexpr const char* kThumbnailField = "jpeg-thumbnail-data";

struct VipsAreaTraits {
  using Handle = VipsArea*;
  static bool IsValid(VipsArea* p) { return p != nullptr; }
  static void Release(VipsArea* p) { vips_area_unref(p); }
};
using VipsAreaPtr = Owned<VipsAreaTraits>;

bool KeepsMetadata(const ConvertSettings& settings) { return settings.KeepMetadata; }

// What the saver keeps of `input`'s metadata. libvips makes up an EXIF block for a picture
// that has none; only a photo's own is kept.
int KeepFlags(VipsImage* input, bool keepMetadata) {
  if (!keepMetadata) return VIPS_FOREIGN_KEEP_NONE;
  const bool hasExif = vips_image_get_typeof(input, VIPS_META_EXIF_NAME) != 0;
  return VIPS_FOREIGN_KEEP_ICC | (hasExif ? VIPS_FOREIGN_KEEP_EXIF : 0);
}

// JpegFileSize in KByte to bytes; a negative size (hand-edited settings) asks for the smallest file.
uint64_t TargetBytes(int fileSizeKBytes) {
  return fileSizeKBytes < 0 ? 0 : static_cast<uint64_t>(fileSizeKBytes) * kBytesPerKByte;
}

bool WithinTolerance(uint64_t encodedBytes, uint64_t targetBytes) {
  return encodedBytes + kTargetTolerance >= targetBytes && encodedBytes <= targetBytes + kTargetTolerance;
}

// Takes over a block libvips wrote; a failed call may still have left one behind.
HRESULT TakeEncoded(int status, void* data, size_t size, VipsBytes& encoded) {
  GMemory owned(data);
  if (status != 0 || !owned || size == 0) return E_FAIL;
  encoded.data = std::move(owned);
  encoded.size = size;
  return S_OK;
}

// --- the picture as a saver takes it ---------------------------------------------------

// The GPS IFD's fields, as libvips' loader names them. libvips drops from the EXIF block it
// rebuilds every tag whose field is gone, and libexif writes no GPS IFD that has no tag.
constexpr char kGpsFieldPrefix[] = "exif-ifd3-";

void RemoveGpsFields(VipsImage* picture) {
  gchar** const fields = vips_image_get_fields(picture);
  for (gchar** field = fields; field != nullptr && *field != nullptr; ++field)
    if (std::strncmp(*field, kGpsFieldPrefix, sizeof(kGpsFieldPrefix) - 1) == 0) vips_image_remove(picture, *field);
  g_strfreev(fields);
}

// A copy of `picture` whose EXIF says it is upright and carries no thumbnail (nor GPS tags
// when `removeGps`). libvips
// rebuilds the EXIF block when it saves: the orientation from "orientation", the thumbnail
// from "jpeg-thumbnail-data"; without a thumbnail, libexif writes no IFD1 either.
VipsImagePtr WithUprightExif(VipsImage* picture, bool removeGps) {
  VipsImagePtr copy;
  if (vips_copy(picture, copy.receive(), nullptr) != 0) return {};
  vips_image_set_int(copy.get(), VIPS_META_ORIENTATION, 1);
  vips_image_remove(copy.get(), kThumbnailField);
  if (removeGps) RemoveGpsFields(copy.get());
  return copy;
}

VipsImagePtr NewReference(VipsImage* picture) {
  g_object_ref(picture);
  return VipsImagePtr(picture);
}

// `picture` over a white background when it has alpha; a new reference to it otherwise.
VipsImagePtr FlattenedOnWhite(VipsImage* picture) {
  if (!vips_image_hasalpha(picture)) return NewReference(picture);
  const double white = vips_interpretation_max_alpha(picture->Type);
  const VipsAreaPtr background(VIPS_AREA(vips_array_double_new(&white, 1)));
  VipsImagePtr flat;
  if (!background ||
      vips_flatten(picture, flat.receive(), "background", background.get(), "max_alpha", white, nullptr) != 0)
    return {};
  return flat;
}

// `picture` as it is handed to a saver: flattened when the type has no alpha, the
// metadata prepared when it is kept.
VipsImagePtr SaverInput(VipsImage* picture, bool opaqueType, bool keepMetadata, bool removeGps = false) {
  VipsImagePtr ready = opaqueType ? FlattenedOnWhite(picture) : NewReference(picture);
  if (!ready || !keepMetadata) return ready;
  return WithUprightExif(ready.get(), removeGps);
}

// --- the encoders ------------------------------------------------------------------------

HRESULT EncodeJpeg(VipsImage* input, int quality, bool keepMetadata, VipsBytes& encoded) {
  void* data = nullptr;
  size_t size = 0;
  const int status =
      vips_jpegsave_buffer(input, &data, &size, "Q", std::clamp(quality, kMinQuality, kMaxQuality), "optimize_coding",
                           TRUE, "trellis_quant", kTrellisQuantisation, "overshoot_deringing", TRUE, "quant_table",
                           kQuantTable, "interlace", TRUE, "optimize_scans", kSearchScans, "subsample_mode",
                           VIPS_FOREIGN_SUBSAMPLE_AUTO, "keep", KeepFlags(input, keepMetadata), nullptr);
  return TakeEncoded(status, data, size, encoded);
}

// The target search; `encoded` receives the last JPEG it made, which is the one it settled on.
HRESULT EncodeJpegTarget(VipsImage* input, uint64_t targetBytes, bool keepMetadata, VipsBytes& encoded) {
  VipsBytes last;
  const JpegSearchResult search = SearchJpegQuality(targetBytes, [&](int quality, uint64_t& encodedBytes) {
    VipsBytes probe;
    const HRESULT hr = EncodeJpeg(input, quality, keepMetadata, probe);
    if (FAILED(hr)) return hr;
    encodedBytes = probe.size;
    last = std::move(probe);
    return S_OK;
  });
  if (FAILED(search.result)) return search.result;
  encoded = std::move(last);
  return S_OK;
}

HRESULT EncodePng(VipsImage* input, bool keepMetadata, VipsBytes& encoded) {
  void* data = nullptr;
  size_t size = 0;
  // Adaptive filtering makes photos a third smaller than no filtering, in about the same time.
  const int status = vips_pngsave_buffer(input, &data, &size, "filter", VIPS_FOREIGN_PNG_FILTER_ALL, "keep",
                                         KeepFlags(input, keepMetadata), nullptr);
  return TakeEncoded(status, data, size, encoded);
}

HRESULT EncodeWebp(VipsImage* input, int quality, bool keepMetadata, VipsBytes& encoded) {
  void* data = nullptr;
  size_t size = 0;
  const int status = vips_webpsave_buffer(input, &data, &size, "Q", std::clamp(quality, 0, kMaxQuality), "effort",
                                          kWebpEffort, "keep", KeepFlags(input, keepMetadata), nullptr);
  return TakeEncoded(status, data, size, encoded);
}

// The AVIF quality for the slider's `quality`, between the measured points in a straight line.
int AvifQuality(int quality) {
  const int slider = std::clamp(quality, 0, kMaxQuality);
  for (std::size_t i = 1; i < std::size(kAvifQualities); ++i) {
    const QualityPoint low = kAvifQualities[i - 1];
    const QualityPoint high = kAvifQualities[i];
    if (slider <= high.slider)
      return low.avif + ((high.avif - low.avif) * (slider - low.slider) + (high.slider - low.slider) / 2) /
                            (high.slider - low.slider);
  }
  return kAvifQualities[std::size(kAvifQualities) - 1].avif;
}

// libheif writes no colour tag without an ICC profile: the file gets the sRGB one.
HRESULT EncodeAvif(VipsImage* input, int quality, bool keepMetadata, VipsBytes& encoded) {
  void* data = nullptr;
  size_t size = 0;
  const VipsForeignSubsample chroma =
      std::clamp(quality, 0, kMaxQuality) >= kWholeChromaQuality ? VIPS_FOREIGN_SUBSAMPLE_OFF : VIPS_FOREIGN_SUBSAMPLE_ON;
  const int status = vips_heifsave_buffer(input, &data, &size, "compression", VIPS_FOREIGN_HEIF_COMPRESSION_AV1,
                                          "encoder", VIPS_FOREIGN_HEIF_ENCODER_AOM, "Q", AvifQuality(quality),
                                          "bitdepth", 8, "effort", kAvifEffort, "subsample_mode", chroma, "keep",
                                          KeepFlags(input, keepMetadata), nullptr);
  VipsBytes untagged;
  const HRESULT hr = TakeEncoded(status, data, size, untagged);
  if (FAILED(hr)) return hr;
  VipsBytes tagged;
  const HRESULT tag = WithSrgbTag(untagged.begin(), untagged.size, tagged);
  if (FAILED(tag)) return tag;
  encoded = std::move(tag == S_OK ? tagged : untagged);
  return S_OK;
}

// --- BMP -----------------------------------------------------------------------------------

uint64_t BmpRowBytes(int width) { return (static_cast<uint64_t>(width) * kBmpPixelBytes + 3) / 4 * 4; }

// 8-bit sRGB in three bands, alpha flattened on white: the pixels of a 24-bit BMP.
VipsImagePtr Rgb8(VipsImage* picture) {
  const VipsImagePtr flat = FlattenedOnWhite(picture);
  VipsImagePtr srgb;
  VipsImagePtr rgb8;
  if (!flat || vips_colourspace(flat.get(), srgb.receive(), VIPS_INTERPRETATION_sRGB, nullptr) != 0 ||
      vips_cast_uchar(srgb.get(), rgb8.receive(), nullptr) != 0 || rgb8.get()->Bands != 3)
    return {};
  return rgb8;
}

// Little-endian fields at a running position of a block sized beforehand.
class LittleEndianWriter {
public:
  explicit LittleEndianWriter(unsigned char* out) : next(out) {}
  void U16(uint32_t value) {
    *next++ = static_cast<unsigned char>(value);
    *next++ = static_cast<unsigned char>(value >> 8);
  }
  void U32(uint32_t value) {
    U16(value & 0xFFFF);
    U16(value >> 16);
  }

private:
  unsigned char* next;
};

void WriteBmpHeaders(unsigned char* out, int width, int height, uint64_t fileBytes) {
  LittleEndianWriter header(out);
  header.U16(0x4D42);  // "BM"
  header.U32(static_cast<uint32_t>(fileBytes));
  header.U32(0);  // reserved
  header.U32(static_cast<uint32_t>(kBmpHeaderBytes));
  header.U32(40);  // BITMAPINFOHEADER
  header.U32(static_cast<uint32_t>(width));
  header.U32(static_cast<uint32_t>(height));  // positive: the rows run bottom-up
  header.U16(1);   // planes
  header.U16(24);  // bits per pixel
  header.U32(0);   // BI_RGB
  header.U32(static_cast<uint32_t>(fileBytes - kBmpHeaderBytes));
  header.U32(2835);  // 72 dpi in pixels per metre
  header.U32(2835);
  header.U32(0);  // colours used
  header.U32(0);  // important colours
}

// The rows of `rgb` (top-down, three bytes a pixel) bottom-up as BGR, each padded to four bytes.
void WriteBmpRows(unsigned char* out, const unsigned char* rgb, int width, int height) {
  const size_t sourceRow = static_cast<size_t>(width) * kBmpPixelBytes;
  const size_t padding = static_cast<size_t>(BmpRowBytes(width)) - sourceRow;
  for (int y = height - 1; y >= 0; --y) {
    const unsigned char* pixel = rgb + static_cast<size_t>(y) * sourceRow;
    for (int x = 0; x < width; ++x, pixel += kBmpPixelBytes) {
      *out++ = pixel[2];
      *out++ = pixel[1];
      *out++ = pixel[0];
    }
    std::memset(out, 0, padding);
    out += padding;
  }
}

HRESULT EncodeBmp(VipsImage* picture, VipsBytes& encoded) {
  const VipsImagePtr rgb = Rgb8(picture);
  if (!rgb) return E_FAIL;
  const int width = rgb.get()->Xsize;
  const int height = rgb.get()->Ysize;
  const uint64_t fileBytes = BmpFileSize(width, height);
  if (fileBytes == 0) return E_OUTOFMEMORY;
  size_t pixelBytes = 0;
  const GMemory pixels(vips_image_write_to_memory(rgb.get(), &pixelBytes));
  if (!pixels || pixelBytes != static_cast<size_t>(width) * static_cast<size_t>(height) * kBmpPixelBytes)
    return E_FAIL;
  GMemory file(g_try_malloc(static_cast<size_t>(fileBytes)));
  if (!file) return E_OUTOFMEMORY;
  auto* const out = static_cast<unsigned char*>(file.get());
  WriteBmpHeaders(out, width, height, fileBytes);
  WriteBmpRows(out + kBmpHeaderBytes, static_cast<const unsigned char*>(pixels.get()), width, height);
  encoded.data = std::move(file);
  encoded.size = static_cast<size_t>(fileBytes);
  return S_OK;
}

// --- JPEG by the settings ---------------------------------------------------------------

HRESULT EncodeJpegBySettings(VipsImage* picture, const ConvertSettings& settings, VipsBytes& encoded) {
  const bool keep = KeepsMetadata(settings);
  if (settings.JpegQualityTypeIndex == QualityMode::Fixed) {
    const VipsImagePtr input = SaverInput(picture, true, keep, settings.RemoveGps);
    return input ? EncodeJpeg(input.get(), settings.JpegQuantization, keep, encoded) : E_FAIL;
  }
  if (settings.JpegQualityTypeIndex == QualityMode::TargetSize) {
    // Up to eight encodings of the same pixels: they are computed once, into memory.
    const VipsImagePtr input = SaverInput(picture, true, keep, settings.RemoveGps);
    const VipsImagePtr computed(input ? vips_image_copy_memory(input.get()) : nullptr);
    return computed ? EncodeJpegTarget(computed.get(), TargetBytes(settings.JpegFileSize), keep, encoded) : E_FAIL;
  }
  return E_FAIL;
}

// --- under a strict size limit ------------------------------------------------------------

// Each step scales the side by sqrt(limit / size) times this margin, and by no more than
// kLargestShrink, so that the steps always make progress and rarely need a second one.
constexpr double kShrinkMargin = 0.95;
constexpr double kLargestShrink = 0.9;
constexpr int kMostShrinkSteps = 24;

// Encodes `input` under `limitBytes` at its size: S_OK with the encoding; S_FALSE when even
// its smallest encoding is over, `smallestBytes` then that encoding's size; or a failure.
using FitEncoder = std::function<HRESULT(VipsImage* input, uint64_t limitBytes, VipsBytes& encoded,
                                         uint64_t& smallestBytes)>;

// A lossy encoder's fit: the highest quality of lowest..highest whose encoding fits.
using QualityEncoder = std::function<HRESULT(VipsImage* input, int quality, VipsBytes& encoded)>;
FitEncoder FitByQuality(int lowest, int highest, QualityEncoder encodeAt) {
  return [=](VipsImage* input, uint64_t limitBytes, VipsBytes& encoded, uint64_t& smallestBytes) {
    VipsBytes best;
    const JpegSearchResult search =
        SearchQualityWithin(limitBytes, lowest, highest, [&](int quality, uint64_t& encodedBytes) {
          VipsBytes probe;
          const HRESULT hr = encodeAt(input, quality, probe);
          if (FAILED(hr)) return hr;
          encodedBytes = probe.size;
          if (probe.size <= limitBytes) best = std::move(probe);
          return S_OK;
        });
    if (FAILED(search.result)) return search.result;
    if (search.quality < lowest) {
      smallestBytes = search.lastBytes;
      return S_FALSE;
    }
    encoded = std::move(best);
    return S_OK;
  };
}

// A lossless encoder's fit: its one encoding, when it fits.
FitEncoder FitAsItIs(std::function<HRESULT(VipsImage* input, VipsBytes& encoded)> encode) {
  return [=](VipsImage* input, uint64_t limitBytes, VipsBytes& encoded, uint64_t& smallestBytes) {
    VipsBytes whole;
    const HRESULT hr = encode(input, whole);
    if (FAILED(hr)) return hr;
    if (whole.size > limitBytes) {
      smallestBytes = whole.size;
      return S_FALSE;
    }
    encoded = std::move(whole);
    return S_OK;
  };
}

// A BMP's size is known before it is encoded: a picture over the limit is never encoded.
HRESULT FitBmp(VipsImage* input, uint64_t limitBytes, VipsBytes& encoded, uint64_t& smallestBytes) {
  const uint64_t fileBytes = BmpFileSize(input->Xsize, input->Ysize);
  if (fileBytes == 0 || fileBytes > limitBytes) {
    smallestBytes = fileBytes == 0 ? kLargestBmp + 1 : fileBytes;
    return S_FALSE;
  }
  return EncodeBmp(input, encoded);
}

// The next, smaller size for a picture whose smallest encoding is `bytes` over a limit of
// `limitBytes`; the size itself when its short side cannot get smaller.
EncodedSize ShrunkSize(int width, int height, uint64_t limitBytes, uint64_t bytes) {
  const double floor = std::min(1.0, static_cast<double>(kSmallestLimitedSide) / std::min(width, height));
  const double wanted = std::sqrt(static_cast<double>(limitBytes) / static_cast<double>(bytes)) * kShrinkMargin;
  const double factor = std::max(floor, std::min(wanted, kLargestShrink));
  return {std::max(1, static_cast<int>(std::lround(width * factor))),
          std::max(1, static_cast<int>(std::lround(height * factor))), true};
}

// `picture` scaled to exactly `size` with libvips' Lanczos kernel, alpha premultiplied for the
// scaling, into memory. Metadata goes along.
VipsImagePtr ResizedTo(VipsImage* picture, const EncodedSize& size) {
  const double xScale = static_cast<double>(size.width) / picture->Xsize;
  const double yScale = static_cast<double>(size.height) / picture->Ysize;
  VipsImagePtr resized;
  if (!vips_image_hasalpha(picture)) {
    if (vips_resize(picture, resized.receive(), xScale, "vscale", yScale, nullptr) != 0) return {};
    return VipsImagePtr(vips_image_copy_memory(resized.get()));
  }
  VipsImagePtr premultiplied;
  VipsImagePtr straight;
  VipsImagePtr cast;
  if (vips_premultiply(picture, premultiplied.receive(), nullptr) != 0 ||
      vips_resize(premultiplied.get(), resized.receive(), xScale, "vscale", yScale, nullptr) != 0 ||
      vips_unpremultiply(resized.get(), straight.receive(), nullptr) != 0 ||
      vips_cast(straight.get(), cast.receive(), picture->BandFmt, nullptr) != 0)
    return {};
  return VipsImagePtr(vips_image_copy_memory(cast.get()));
}

// The encoding of `picture` (in memory) under `limitBytes`: at its own size when it fits, else
// made smaller step by step.
HRESULT EncodeWithinLimit(VipsImage* picture, uint64_t limitBytes, const FitEncoder& fit, VipsBytes& encoded,
                          EncodedSize& given) {
  VipsImagePtr current = ShareImage(picture);
  for (int step = 0; step <= kMostShrinkSteps; ++step) {
    const int width = current.get()->Xsize;
    const int height = current.get()->Ysize;
    uint64_t smallestBytes = 0;
    const HRESULT hr = fit(current.get(), limitBytes, encoded, smallestBytes);
    if (FAILED(hr)) return hr;
    if (hr == S_OK) {
      given = {width, height, current.get() != picture};
      return S_OK;
    }
    const EncodedSize next = ShrunkSize(width, height, limitBytes, smallestBytes);
    if (next.width >= width && next.height >= height) break;
    current = ResizedTo(picture, next);
    if (!current) return E_FAIL;
  }
  return kSizeLimitUnmet;
}

FitEncoder FitFor(OutputFormat type, const ConvertSettings& settings) {
  const bool keep = KeepsMetadata(settings);
  switch (type) {
  case OutputFormat::Jpeg:
    return FitByQuality(kMinQuality, kMaxQuality, [keep](VipsImage* input, int quality, VipsBytes& encoded) {
      return EncodeJpeg(input, quality, keep, encoded);
    });
  case OutputFormat::Webp:
    return FitByQuality(0, std::clamp(settings.JpegQuantization, 0, kMaxQuality),
                        [keep](VipsImage* input, int quality, VipsBytes& encoded) {
                          return EncodeWebp(input, quality, keep, encoded);
                        });
  case OutputFormat::Avif:
    return FitByQuality(0, std::clamp(settings.JpegQuantization, 0, kMaxQuality),
                        [keep](VipsImage* input, int quality, VipsBytes& encoded) {
                          return EncodeAvif(input, quality, keep, encoded);
                        });
  case OutputFormat::Png:
    return FitAsItIs([keep](VipsImage* input, VipsBytes& encoded) { return EncodePng(input, keep, encoded); });
  case OutputFormat::Bmp: return FitBmp;
  default: return {};
  }
}

// Every encoding under the strict limit starts from the picture computed once, into memory.
HRESULT EncodeStrict(VipsImage* picture, OutputFormat type, const ConvertSettings& settings, VipsBytes& encoded,
                     EncodedSize& given) {
  const FitEncoder fit = FitFor(type, settings);
  if (!fit) return E_FAIL;
  const bool opaque = type == OutputFormat::Jpeg;
  const bool keep = KeepsMetadata(settings) && type != OutputFormat::Bmp;
  const VipsImagePtr input = SaverInput(picture, opaque, keep, settings.RemoveGps);
  const VipsImagePtr computed(input ? vips_image_copy_memory(input.get()) : nullptr);
  if (!computed) return E_FAIL;
  return EncodeWithinLimit(computed.get(), TargetBytes(settings.JpegFileSize), fit, encoded, given);
}

// The picture decoded from `jpeg` into memory, so that it outlives the encoded bytes.
VipsImagePtr DecodedJpeg(const VipsBytes& jpeg) {
  VipsImagePtr lazy;
  if (vips_jpegload_buffer(jpeg.data.get(), jpeg.size, lazy.receive(), nullptr) != 0) return {};
  return VipsImagePtr(vips_image_copy_memory(lazy.get()));
}

}  // namespace

JpegSearchResult SearchJpegQuality(uint64_t targetBytes, const JpegSizeProbe& encode) {
  int quality = kMaxQuality;
  int step = kMaxQuality;
  for (;;) {
    uint64_t encodedBytes = 0;
    const HRESULT hr = encode(quality, encodedBytes);
    if (FAILED(hr)) return {hr, quality};
    if (step <= 1) break;
    step = (step + 1) / 2;
    if (WithinTolerance(encodedBytes, targetBytes)) break;
    const int next = encodedBytes <= targetBytes ? quality + step : quality - step;
    if (next > kMaxQuality || next < 0) break;
    quality = next;
  }
  return {S_OK, quality};
}

JpegSearchResult SearchQualityWithin(uint64_t limitBytes, int lowest, int highest, const JpegSizeProbe& encode) {
  int low = lowest;
  int high = highest;
  int best = lowest - 1;
  uint64_t lastBytes = 0;
  while (low <= high) {
    const int quality = low + (high - low) / 2;
    const HRESULT hr = encode(quality, lastBytes);
    if (FAILED(hr)) return {hr, quality, lastBytes};
    if (lastBytes <= limitBytes) {
      best = quality;
      low = quality + 1;
    } else {
      high = quality - 1;
    }
  }
  return {S_OK, best, lastBytes};
}

bool HasStrictSizeLimit(const ConvertSettings& settings) {
  return settings.TargetStrict && settings.JpegQualityTypeIndex == QualityMode::TargetSize;
}

uint64_t BmpFileSize(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  const uint64_t bytes = kBmpHeaderBytes + BmpRowBytes(width) * static_cast<uint64_t>(height);
  return bytes > kLargestBmp ? 0 : bytes;
}

HRESULT EncodePhoto(VipsImage* picture, OutputFormat type, const ConvertSettings& settings, VipsBytes& encoded,
                    EncodedSize* given) {
  if (picture == nullptr) return E_POINTER;
  EncodedSize size{picture->Xsize, picture->Ysize, false};
  if (HasStrictSizeLimit(settings)) {
    const HRESULT hr = EncodeStrict(picture, type, settings, encoded, size);
    if (given != nullptr) *given = size;
    return hr;
  }
  if (given != nullptr) *given = size;
  const bool keep = KeepsMetadata(settings);
  switch (type) {
  case OutputFormat::Jpeg: return EncodeJpegBySettings(picture, settings, encoded);
  case OutputFormat::Bmp: return EncodeBmp(picture, encoded);
  case OutputFormat::Png: {
    const VipsImagePtr input = SaverInput(picture, false, keep, settings.RemoveGps);
    return input ? EncodePng(input.get(), keep, encoded) : E_FAIL;
  }
  case OutputFormat::Webp: {
    const VipsImagePtr input = SaverInput(picture, false, keep, settings.RemoveGps);
    return input ? EncodeWebp(input.get(), settings.JpegQuantization, keep, encoded) : E_FAIL;
  }
  case OutputFormat::Avif: {
    const VipsImagePtr input = SaverInput(picture, false, keep, settings.RemoveGps);
    return input ? EncodeAvif(input.get(), settings.JpegQuantization, keep, encoded) : E_FAIL;
  }
  default: return E_FAIL;
  }
}

HRESULT SavePhoto(VipsImage* picture, const std::wstring& path, OutputFormat type, const ConvertSettings& settings) {
  VipsBytes encoded;
  const HRESULT hr = EncodePhoto(picture, type, settings, encoded);
  return FAILED(hr) ? hr : WriteFileAtomically(path, encoded.begin(), encoded.size);
}

VipsImagePtr JpegRoundTrip(VipsImage* picture, int quality, bool keepMetadata) {
  if (picture == nullptr) return {};
  const VipsImagePtr input = SaverInput(picture, true, keepMetadata);
  VipsBytes jpeg;
  if (!input || FAILED(EncodeJpeg(input.get(), quality, keepMetadata, jpeg))) return {};
  return DecodedJpeg(jpeg);
}

VipsImagePtr JpegTargetRoundTrip(VipsImage* picture, uint64_t targetBytes, bool keepMetadata) {
  if (picture == nullptr) return {};
  const VipsImagePtr input = SaverInput(picture, true, keepMetadata);
  const VipsImagePtr computed(input ? vips_image_copy_memory(input.get()) : nullptr);
  VipsBytes jpeg;
  if (!computed || FAILED(EncodeJpegTarget(computed.get(), targetBytes, keepMetadata, jpeg))) return {};
  return DecodedJpeg(jpeg);
}

VipsImagePtr DecodeEncoded(const VipsBytes& encoded) {
  if (!encoded.data || encoded.size == 0) return {};
  VipsImagePtr lazy(vips_image_new_from_buffer(encoded.data.get(), encoded.size, "", nullptr));
  if (!lazy) return {};
  return VipsImagePtr(vips_image_copy_memory(lazy.get()));
}
