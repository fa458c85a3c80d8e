#include "toolkit/ImageList.h"

namespace {

constexpr COLORREF transparentColour = RGB(255, 0, 255);

}  // namespace

ImageList_CL::~ImageList_CL() {
  if (notOwned) handle.release();
}

bool ImageList_CL::LoadStrip(const std::wstring& path, int cellWidth) {
  if (cellWidth <= 0) return false;
  // Loaded from the file as a private copy: it is deleted as soon as the list holds it.
  const GdiBitmap strip(static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
  if (!strip) return false;
  BITMAP info{};
  if (!GetObjectW(strip.get(), sizeof(info), &info)) return false;
  OwnedImageList list(ImageList_Create(cellWidth, info.bmHeight, ILC_COLOR24 | ILC_MASK, 0,
                                       info.bmWidth / cellWidth));
  if (!list) return false;
  ImageList_AddMasked(list.get(), strip.get(), transparentColour);
  handle = std::move(list);
  return true;
}
