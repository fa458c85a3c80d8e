#pragma once
// A "Static" window that shows a picture: the base of the preview. Holds one optional GDI
// object for the picture it shows, deleted with the object.
#include <windows.h>

#include "base/Owned.h"
#include "toolkit/ControlBase.h"

constexpr int kStaticImageKind = 14;

class StaticImage_CL : public ControlBase_CL {
public:
  StaticImage_CL();
  ~StaticImage_CL() override;

  Owned<GdiObjectTraits<HGDIOBJ>> gdiObject;  // unused by the preview; released when set
};
