// The preview of one photo: the photo as the conversion will write it, JPEG compression
// included, handed to the preview pane.
#include <cstdint>

#include "engine/PhotoEncoder.h"
#include "engine/PhotoResize.h"
#include "engine/SaveData.h"
#include "mainwindow/TheSaveData.h"
#include "engine/VipsBitmap.h"
#include "mainwindow/MainWindowLinks.h"
#include "mainwindow/MyPictureImage.h"

namespace {

constexpr uint64_t kBytesPerKByte = 1024;

// The finished picture after the JPEG encoding the settings choose, decoded back in memory,
// so the preview shows the real compression. Other quality modes leave it as it is.
VipsImagePtr ThroughJpeg(VipsImagePtr picture, const SaveData_CL& settings) {
  if (!picture) return picture;
  const bool keep = settings.KeepMetadata != 0;
  switch (settings.JpegQualityTypeIndex) {
    case kJpegFixedQuality:
      return JpegRoundTrip(picture.get(), settings.JpegQuantization, keep);
    case kJpegTargetSize: {
      // A negative size (hand-edited settings) asks for the smallest file, as when saving.
      const uint64_t target =
          settings.JpegFileSize < 0 ? 0 : static_cast<uint64_t>(settings.JpegFileSize) * kBytesPerKByte;
      return JpegTargetRoundTrip(picture.get(), target, keep);
    }
    default:
      return picture;
  }
}

}  // namespace

void RenderPreview(int index) {
  MyPictureImage_CL* const preview = theMainWindowLinks.previewControl;
  if (preview == nullptr) return;
  const SaveData_CL& data = theSaveData;
  if (index < 0 || index >= static_cast<int>(data.items.size())) {
    preview->ShowPlaceholder();
    return;
  }
  // A photo that cannot be read gives no picture: the pane turns black.
  PreparedPhoto prepared = PreparePhoto(data.items[static_cast<size_t>(index)], data);
  const VipsImagePtr shown = ThroughJpeg(std::move(prepared.picture), data);
  preview->SetPicture(shown ? ToGdiplusBitmap(shown.get()) : GpBitmapPtr());
  preview->UpdateScrollBars();
  if (preview->hwnd != nullptr) InvalidateRect(preview->hwnd, nullptr, FALSE);
}
