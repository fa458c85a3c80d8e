#pragma once
// The picture list with thumbnails: a cache of thumbnails by item index and the caption
// font. Used on its own it shows the files of its own path list, making each thumbnail on
// the spot; the application's MyPictureListView_CL paints the gathered photos instead.
#include <string>
#include <vector>

#include "views/MovieBitmapChcheBase.h"
#include "views/PictureListBase.h"

struct CaptionFontTraits {
  using Handle = Gdiplus::GpFont*;
  static bool IsValid(Handle p) { return p != nullptr; }
  static void Release(Handle p) { gp::GdipDeleteFont(p); }
};
using CaptionFontPtr = Owned<CaptionFontTraits>;

class PictureListView_CL : public PictureListBase_CL {
public:
  PictureListView_CL();

  // WM_DESTROY and WM_CLOSE are answered 0; everything else goes to the list.
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  ~PictureListView_CL() override;
  // A tile for paths[index]: the thumbnail (made now when not cached) and the file name.
  void PaintItem(GpGraphics* graphics, const RECT& cell, int index) override;
  void PaintAll() override;
  void SetUserPointer(void* pointer) override;
  // The file name with its extension.
  std::wstring ItemName(int index) override;
  // Thumbnails are cached by index: a new count forgets them all.
  int SetItemCount(unsigned n) override;

  // The black tile with its one-pixel grid gap, and a caption centred in a band at the
  // bottom of the tile (ellipsis in the middle when too long). Shared by the derived view.
  void PaintTile(GpGraphics* graphics, const RECT& cell);
  void PaintThumbnail(GpGraphics* graphics, const RECT& cell, GpBitmap* thumbnail);
  void PaintCaption(GpGraphics* graphics, const RECT& cell, const std::wstring& text);
  // Captions in a font for the window's DPI (the screen's fonts are made for the system's).
  void UseDpi(int dpi);

  std::vector<std::wstring> paths;
  MovieBitmapChcheBase_CL cache{kThumbnailCacheCapacity};
  CaptionFontPtr captionFont;
};
