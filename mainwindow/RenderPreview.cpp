// The preview of one photo asked for from the preview's worker, with the strip's thumbnail
// standing in until the picture comes.
#include "engine/SaveData.h"
#include "mainwindow/MainWindowLinks.h"
#include "mainwindow/MyPictureImage.h"
#include "views/MyPictureListView.h"

namespace {

// A copy of the strip's finished thumbnail of photo `index`; none while it is not decoded.
GpBitmapPtr ThumbnailCopy(const MainWindowLinks& links, int index) {
  MyPictureListView_CL* const strip = links.thumbnailList;
  if (strip == nullptr) return {};
  GpBitmap* const thumbnail = strip->cache.FindFinished(index);
  if (thumbnail == nullptr) return {};
  GpImage* copy = nullptr;
  if (gp::GdipCloneImage(thumbnail, &copy) != Gdiplus::Ok) return {};
  return GpBitmapPtr(static_cast<GpBitmap*>(copy));
}

}  // namespace

void RenderPreview(const MainWindowLinks& links, int index) {
  MyPictureImage_CL* const preview = links.previewControl;
  if (preview == nullptr || links.settings == nullptr) return;
  const SaveData_CL& data = *links.settings;
  if (index < 0 || index >= static_cast<int>(data.items.size())) {
    preview->ShowPlaceholder();
    return;
  }
  preview->RequestRender(data.items[static_cast<size_t>(index)], data, ThumbnailCopy(links, index));
}
