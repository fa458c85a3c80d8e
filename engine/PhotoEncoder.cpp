#include "engine/PhotoEncoder.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

constexpr GUID kImageFormatBmp = {0xB96B3CAB, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr GUID kImageFormatJpeg = {0xB96B3CAE, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr GUID kImageFormatPng = {0xB96B3CAF, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr GUID kEncoderQuality = {0x1D5BE4B5, 0xFA4A, 0x452D, {0x9C, 0xDD, 0x5D, 0xB3, 0x51, 0x05, 0xE7, 0xEB}};

constexpr int kMaxQuality = 100;
constexpr uint64_t kTargetTolerance = 512;
constexpr uint64_t kBytesPerKByte = 1024;

// The one-parameter record that carries a JPEG quality to the encoder.
class QualityParameter {
public:
  explicit QualityParameter(int quality) : value(static_cast<ULONG>(std::clamp(quality, 0, kMaxQuality))) {
    record.Count = 1;
    record.Parameter[0].Guid = kEncoderQuality;
    record.Parameter[0].NumberOfValues = 1;
    record.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
    record.Parameter[0].Value = &value;
  }
  QualityParameter(const QualityParameter&) = delete;
  QualityParameter& operator=(const QualityParameter&) = delete;

  const Gdiplus::EncoderParameters* get() const { return &record; }

private:
  ULONG value;
  Gdiplus::EncoderParameters record{};
};

HRESULT StatusResult(GpStatus status) { return status == Gdiplus::Ok ? S_OK : E_FAIL; }

HRESULT SaveWithoutParameters(GpBitmap* bitmap, const std::wstring& path, const GUID& format) {
  CLSID encoder{};
  if (bitmap == nullptr || FindEncoder(format, encoder) < 0) return E_FAIL;
  return StatusResult(gp::GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr));
}

HRESULT SaveJpegFile(GpBitmap* bitmap, const std::wstring& path, const CLSID& jpeg, int quality) {
  const QualityParameter parameter(quality);
  return StatusResult(gp::GdipSaveImageToFile(bitmap, path.c_str(), &jpeg, parameter.get()));
}

// Encodes `bitmap` as JPEG into a new memory stream.
HRESULT EncodeToStream(GpBitmap* bitmap, const CLSID& jpeg, int quality, ComPtr<IStream>& stream) {
  const HRESULT created = ::CreateStreamOnHGlobal(nullptr, TRUE, stream.receive());
  if (FAILED(created)) return created;
  const QualityParameter parameter(quality);
  return StatusResult(gp::GdipSaveImageToStream(bitmap, stream.get(), &jpeg, parameter.get()));
}

HRESULT StreamSize(IStream* stream, uint64_t& bytes) {
  STATSTG stat{};
  const HRESULT hr = stream->Stat(&stat, STATFLAG_NONAME);
  if (FAILED(hr)) return hr;
  bytes = stat.cbSize.QuadPart;
  return S_OK;
}

// The bitmap decoded from the start of `stream`; the bitmap keeps its own reference.
GpBitmapPtr DecodeStream(IStream* stream) {
  const LARGE_INTEGER start{};
  if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return {};
  GpBitmapPtr bitmap;
  if (gp::GdipCreateBitmapFromStream(stream, bitmap.receive()) != Gdiplus::Ok) bitmap.reset();
  return bitmap;
}

bool WithinTolerance(uint64_t encodedBytes, uint64_t targetBytes) {
  return encodedBytes + kTargetTolerance >= targetBytes && encodedBytes <= targetBytes + kTargetTolerance;
}

// JpegFileSize in KByte to bytes; a negative size (hand-edited settings) asks for the smallest file.
uint64_t TargetBytes(int fileSizeKBytes) {
  return fileSizeKBytes < 0 ? 0 : static_cast<uint64_t>(fileSizeKBytes) * kBytesPerKByte;
}

}  // namespace

int FindEncoder(const GUID& format, CLSID& encoder) {
  UINT count = 0;
  UINT size = 0;
  if (gp::GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return -1;
  // ImageCodecInfo records hold pointers into the same buffer: keep it pointer-aligned.
  std::unique_ptr<uint64_t[]> buffer(new (std::nothrow) uint64_t[size / sizeof(uint64_t) + 1]);
  if (!buffer) return -1;
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.get());
  if (gp::GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return -1;
  for (UINT i = 0; i < count; ++i) {
    if (IsEqualGUID(codecs[i].FormatID, format)) {
      encoder = codecs[i].Clsid;
      return static_cast<int>(i);
    }
  }
  return -1;
}

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

HRESULT SaveJpegQuality(GpBitmap* bitmap, const std::wstring& path, int quality) {
  CLSID jpeg{};
  if (bitmap == nullptr || FindEncoder(kImageFormatJpeg, jpeg) < 0) return E_FAIL;
  return SaveJpegFile(bitmap, path, jpeg, quality);
}

HRESULT SaveJpegTargetSize(GpBitmap* bitmap, const std::wstring& path, uint64_t targetBytes) {
  CLSID jpeg{};
  if (bitmap == nullptr || FindEncoder(kImageFormatJpeg, jpeg) < 0) return E_FAIL;
  const JpegSearchResult search = SearchJpegQuality(targetBytes, [&](int quality, uint64_t& encodedBytes) {
    ComPtr<IStream> stream;  // released as soon as it has been measured
    const HRESULT hr = EncodeToStream(bitmap, jpeg, quality, stream);
    return FAILED(hr) ? hr : StreamSize(stream.get(), encodedBytes);
  });
  if (FAILED(search.result)) return search.result;
  return SaveJpegFile(bitmap, path, jpeg, search.quality);
}

GpBitmapPtr JpegRoundTrip(GpBitmapPtr bitmap, int quality) {
  CLSID jpeg{};
  if (!bitmap || FindEncoder(kImageFormatJpeg, jpeg) < 0) return {};
  ComPtr<IStream> stream;
  if (FAILED(EncodeToStream(bitmap.get(), jpeg, quality, stream))) return {};
  return DecodeStream(stream.get());
}

GpBitmapPtr JpegTargetRoundTrip(GpBitmapPtr bitmap, uint64_t targetBytes) {
  CLSID jpeg{};
  if (!bitmap || FindEncoder(kImageFormatJpeg, jpeg) < 0) return {};
  ComPtr<IStream> last;  // only the newest encoding is kept
  const JpegSearchResult search = SearchJpegQuality(targetBytes, [&](int quality, uint64_t& encodedBytes) {
    ComPtr<IStream> stream;
    const HRESULT hr = EncodeToStream(bitmap.get(), jpeg, quality, stream);
    if (FAILED(hr)) return hr;
    last = std::move(stream);
    return StreamSize(last.get(), encodedBytes);
  });
  if (FAILED(search.result) || !last) return {};
  return DecodeStream(last.get());
}

HRESULT SavePhoto(GpBitmap* bitmap, const std::wstring& path, OutputFormat type, const SaveData_CL& settings) {
  switch (type) {
  case OutputFormat::Bmp: return SaveWithoutParameters(bitmap, path, kImageFormatBmp);
  case OutputFormat::Png: return SaveWithoutParameters(bitmap, path, kImageFormatPng);
  case OutputFormat::Jpeg:
    if (settings.JpegQualityTypeIndex == kJpegFixedQuality)
      return SaveJpegQuality(bitmap, path, settings.JpegQuantization);
    if (settings.JpegQualityTypeIndex == kJpegTargetSize)
      return SaveJpegTargetSize(bitmap, path, TargetBytes(settings.JpegFileSize));
    return E_FAIL;
  default: return E_FAIL;
  }
}
