#include "mainwindow/PreviewMaker.h"

#include <windows.h>

#include "engine/OutputNaming.h"
#include "engine/PhotoEncoder.h"
#include "engine/VipsBitmap.h"

namespace {

bool SameEffect(const EffectParams& a, const EffectParams& b) {
  return a.EffectRadioIndex == b.EffectRadioIndex && a.CheckBriteness == b.CheckBriteness &&
         a.ValueBriteness == b.ValueBriteness && a.CheckContrast == b.CheckContrast &&
         a.ValueContrast == b.ValueContrast;
}

uint64_t Join(DWORD high, DWORD low) { return static_cast<uint64_t>(high) << 32 | low; }

std::unique_ptr<PreviewResult> FailedResult(int sequence, PhotoFailure failure, std::wstring detail) {
  auto result = std::make_unique<PreviewResult>();
  result->sequence = sequence;
  result->failure = failure;
  result->detail = std::move(detail);
  return result;
}

}  // namespace

PreviewMaker_CL::FileStamp PreviewMaker_CL::StampOf(const std::wstring& path) {
  FileStamp stamp;
  stamp.path = path;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    stamp.bytes = Join(data.nFileSizeHigh, data.nFileSizeLow);
    stamp.written = Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
  }
  return stamp;
}

std::unique_ptr<PreviewResult> PreviewMaker_CL::Make(const PreviewRequest& request, const std::atomic<bool>* stop) {
  const PhotoItem& photo = request.photo;
  const FileStamp stamp = StampOf(photo.path);
  KeepScaled(request, stamp, stop);
  if (scaled.failure != PhotoFailure::None) {
    auto failed = FailedResult(request.sequence, scaled.failure, scaled.detail);
    if (scaled.failure == PhotoFailure::Cancelled) keptFile = FileStamp{};  // read it again next time
    return failed;
  }
  const PreparedPhoto result = Finished(request);
  if (result.failure != PhotoFailure::None) return FailedResult(request.sequence, result.failure, result.detail);

  auto made = std::make_unique<PreviewResult>();
  made->sequence = request.sequence;
  Encode(finished.get(), request, *made);
  if (!made->picture) return FailedResult(request.sequence, PhotoFailure::Unreadable, L"プレビューを作れません");
  if (request.withOriginal) {
    const PreparedPhoto original = FinishPhoto(scaled, photo.rotation, nullptr);
    if (original.picture) made->original = ToGdiplusBitmap(original.picture.get());
  }
  Weigh(stamp, request.settings, *made);
  return made;
}

void PreviewMaker_CL::KeepScaled(const PreviewRequest& request, const FileStamp& stamp,
                                 const std::atomic<bool>* stop) {
  const PhotoItem& photo = request.photo;
  if (stamp == keptFile && (scaled.failure != PhotoFailure::None || IsScaledFor(scaled, photo.rotation, request.settings)))
    return;
  finished.reset();
  scaled = ScalePhoto(photo.path, photo.rotation, request.settings, stop);
  keptFile = stamp;
  ++fileReads;
}

PreparedPhoto PreviewMaker_CL::Finished(const PreviewRequest& request) {
  const EffectParams& effect = PhotoEffect(request.photo, request.settings);
  if (finished && finishedRotation == request.photo.rotation && SameEffect(finishedEffect, effect)) return {};
  finished.reset();
  PreparedPhoto done = FinishPhoto(scaled, request.photo.rotation, &effect);
  if (done.failure != PhotoFailure::None) return done;
  finished = std::move(done.picture);
  finishedRotation = request.photo.rotation;
  finishedEffect = effect;
  return {};
}

// The picture as the output type's own encoding gives it back, and that encoding's size. PNG
// and BMP lose nothing: they show the finished picture, and BMP's size is known without
// encoding.
void PreviewMaker_CL::Encode(VipsImage* picture, const PreviewRequest& request, PreviewResult& result) const {
  const SaveData_CL& settings = request.settings;
  const OutputFormat type = MapOutputType(request.photo.path, settings).typeCode;
  result.weight.type = type;
  result.weight.outputWidth = vips_image_get_width(picture);
  result.weight.outputHeight = vips_image_get_height(picture);
  if (type == OutputFormat::Bmp) {
    result.weight.outputBytes = BmpFileSize(result.weight.outputWidth, result.weight.outputHeight);
    result.picture = ToGdiplusBitmap(picture);
    return;
  }
  VipsBytes encoded;
  if (FAILED(EncodePhoto(picture, type, settings, encoded))) return;
  result.weight.outputBytes = encoded.size;
  if (type == OutputFormat::Png) {
    result.picture = ToGdiplusBitmap(picture);
    return;
  }
  const VipsImagePtr decoded = DecodeEncoded(encoded);
  if (decoded) result.picture = ToGdiplusBitmap(decoded.get());
}

void PreviewMaker_CL::Weigh(const FileStamp& stamp, const SaveData_CL& settings, PreviewResult& result) const {
  PreviewWeight& weight = result.weight;
  const bool across = scaled.turnsSides;
  weight.sourceWidth = across ? scaled.storedHeight : scaled.storedWidth;
  weight.sourceHeight = across ? scaled.storedWidth : scaled.storedHeight;
  weight.sourceBytes = stamp.bytes;
  weight.jpegMode = settings.JpegQualityTypeIndex;
  weight.quality = settings.JpegQuantization;
  weight.targetKBytes = settings.JpegFileSize;
}
