#pragma once
// An image list loaded from a strip bitmap of equal cells; destroyed with the object unless
// marked as not owned.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "base/Owned.h"

struct ImageListTraits {
  using Handle = HIMAGELIST;
  static bool IsValid(HIMAGELIST h) { return h != nullptr; }
  static void Release(HIMAGELIST h) { ImageList_Destroy(h); }
};
using OwnedImageList = Owned<ImageListTraits>;

class ImageList_CL {
public:
  ImageList_CL() = default;
  virtual ~ImageList_CL();
  ImageList_CL(const ImageList_CL&) = delete;
  ImageList_CL& operator=(const ImageList_CL&) = delete;

  // Loads the bitmap file and cuts it into cells cellWidth wide and as high as the bitmap,
  // magenta (0xFF00FF) transparent. Leaves the list empty (null) when the file cannot be
  // loaded or cellWidth is not positive. Returns true when a list was made.
  bool LoadStrip(const std::wstring& path, int cellWidth);
  HIMAGELIST Handle() const { return handle.get(); }

  int notOwned = 0;

private:
  OwnedImageList handle;
};
