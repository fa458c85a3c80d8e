#include "mainwindow/PreviewMaker.h"

#include <windows.h>

#include "engine/OutputNaming.h"
#include "engine/PhotoEncoder.h"
#include "engine/VipsBitmap.h"
#include "mainwindow/PictureImage.h"

namespace {

bool SameEffect(const EffectParams& a, const EffectParams& b) {
  return a.EffectRadioIndex == b.EffectRadioIndex && a.CheckBriteness == b.CheckBriteness &&
         a.ValueBriteness == b.ValueBriteness && a.CheckContrast == b.CheckContrast &&
         a.ValueContrast == b.ValueContrast;
}

// `picture` fitted into the request's pane, as a fitted view draws it; none when it fits as it is.
GpBitmapPtr FittedCopy(VipsImage* picture, const PreviewRequest& request) {
  if (picture == nullptr || request.paneWidth <= 0 || request.paneHeight <= 0) return {};
  const int width = vips_image_get_width(picture);
  const int height = vips_image_get_height(picture);
  const PictureRect place = FitIntoPane(width, height, request.paneWidth, request.paneHeight);
  if (place.width <= 0 || (place.width == width && place.height == height)) return {};
  VipsImagePtr fitted;
  if (vips_thumbnail_image(picture, fitted.receive(), place.width, "height", place.height, "size", VIPS_SIZE_FORCE,
                           nullptr) != 0)
    return {};
  return ToGdiplusBitmap(fitted.get());
}

// A BMP made smaller is not decoded back (it loses nothing): the picture at its size.
VipsImagePtr ScaledTo(VipsImage* picture, const EncodedSize& size) {
  VipsImagePtr scaled;
  if (vips_thumbnail_image(picture, scaled.receive(), size.width, "height", size.height, "size", VIPS_SIZE_FORCE,
                           nullptr) != 0)
    return {};
  return scaled;
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

std::unique_ptr<PreviewResult> PreviewMaker_CL::Make(const PreviewRequest& request, const std::atomic<int>* stop) {
  const PhotoItem& photo = request.photo;
  const FileStamp stamp = StampOf(photo.path);
  KeepScaled(request, stamp, stop);
  if (scaled.failure != PhotoFailure::None) return FailedResult(request.sequence, scaled.failure, scaled.detail);
  const PreparedPhoto result = Finished(request);
  if (result.failure != PhotoFailure::None) return FailedResult(request.sequence, result.failure, result.detail);

  auto made = std::make_unique<PreviewResult>();
  made->sequence = request.sequence;
  // The compare view's original needs no encoding; libvips spreads each picture's work over
  // its own threads.
  if (request.withOriginal) {
    const PreparedPhoto before = FinishPhoto(scaled, photo.rotation, nullptr);
    made->original = ToGdiplusBitmap(before.picture.get());
    made->fittedOriginal = FittedCopy(before.picture.get(), request);
  }
  const VipsImagePtr shown = Encode(finished.get(), request, *made);
  made->fittedPicture = FittedCopy(shown.get(), request);
  made->picture = ToGdiplusBitmap(shown.get());
  if (made->failure == PhotoFailure::OverSizeLimit)
    return FailedResult(request.sequence, made->failure, FailureText(made->failure));
  if (!made->picture) return FailedResult(request.sequence, PhotoFailure::Unreadable, L"プレビューを作れません");
  Weigh(stamp, request.settings, *made);
  return made;
}

void PreviewMaker_CL::KeepScaled(const PreviewRequest& request, const FileStamp& stamp,
                                 const std::atomic<int>* stop) {
  const PhotoItem& photo = request.photo;
  // A failure is not kept: it may have come from the settings (an output size of nothing).
  if (stamp == keptFile && IsScaledFor(scaled, photo.rotation, request.settings)) return;
  finished.reset();
  scaled = ScalePhoto(photo.path, photo.rotation, request.settings, stop);
  keptFile = stamp;
  ++fileReads;
}

PreparedPhoto PreviewMaker_CL::Finished(const PreviewRequest& request) {
  const EffectParams& effect = PhotoEffect(request.photo, request.settings);
  const bool sharpen = request.settings.Sharpen;
  if (finished && finishedRotation == request.photo.rotation && SameEffect(finishedEffect, effect) &&
      finishedSharpen == sharpen)
    return {};
  finished.reset();
  PreparedPhoto done = FinishPhoto(scaled, request.photo.rotation, &effect, sharpen);
  if (done.failure != PhotoFailure::None) return done;
  finished = std::move(done.picture);
  finishedRotation = request.photo.rotation;
  finishedEffect = effect;
  finishedSharpen = sharpen;
  return {};
}

// The picture as the output type's own encoding gives it back, and that encoding's size. PNG
// and BMP lose nothing: they show the finished picture, and BMP's size is known without
// encoding. None when the encoding failed.
VipsImagePtr PreviewMaker_CL::Encode(VipsImage* picture, const PreviewRequest& request, PreviewResult& result) const {
  const SaveData_CL& settings = request.settings;
  const OutputFormat type = MapOutputType(request.photo.path, settings).typeCode;
  result.weight.type = type;
  result.weight.outputWidth = vips_image_get_width(picture);
  result.weight.outputHeight = vips_image_get_height(picture);
  const bool strict = HasStrictSizeLimit(settings);
  if (type == OutputFormat::Bmp && !strict) {
    result.weight.outputBytes = BmpFileSize(result.weight.outputWidth, result.weight.outputHeight);
    return ShareImage(picture);
  }
  // Under the strict limit the file's own search runs here too: it may make the picture smaller.
  VipsBytes encoded;
  EncodedSize given;
  const HRESULT hr = EncodePhoto(picture, type, settings, encoded, &given);
  if (hr == kSizeLimitUnmet) result.failure = PhotoFailure::OverSizeLimit;
  if (FAILED(hr)) return {};
  result.weight.outputBytes = encoded.size;
  result.weight.outputWidth = given.width;
  result.weight.outputHeight = given.height;
  if (type == OutputFormat::Bmp) return given.madeSmaller ? ScaledTo(picture, given) : ShareImage(picture);
  if (type == OutputFormat::Png && !given.madeSmaller) return ShareImage(picture);
  return DecodeEncoded(encoded);
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
