#pragma once
// Owners for GDI+ flat-interface objects. Every pipeline stage hands its bitmap over in
// one of these, so an early return can never leak a bitmap.
#include "base/Owned.h"
#include <gdiplus.h>

namespace gp = Gdiplus::DllExports;
using Gdiplus::GpBitmap;
using Gdiplus::GpGraphics;
using Gdiplus::GpImage;
using Gdiplus::GpImageAttributes;
using Gdiplus::GpStatus;

template <typename T, GpStatus (*Dispose)(T*)>
struct GpTraits {
  using Handle = T*;
  static bool IsValid(T* p) { return p != nullptr; }
  static void Release(T* p) { Dispose(p); }
};

inline GpStatus DisposeGpImage(GpImage* p) { return gp::GdipDisposeImage(p); }
inline GpStatus DisposeGpBitmap(GpBitmap* p) { return gp::GdipDisposeImage(p); }
inline GpStatus DeleteGpGraphics(GpGraphics* p) { return gp::GdipDeleteGraphics(p); }
inline GpStatus DisposeGpAttributes(GpImageAttributes* p) { return gp::GdipDisposeImageAttributes(p); }

using GpImagePtr = Owned<GpTraits<GpImage, DisposeGpImage>>;
using GpBitmapPtr = Owned<GpTraits<GpBitmap, DisposeGpBitmap>>;
using GpGraphicsPtr = Owned<GpTraits<GpGraphics, DeleteGpGraphics>>;
using GpImageAttributesPtr = Owned<GpTraits<GpImageAttributes, DisposeGpAttributes>>;
inline GpStatus DeleteGpPen(Gdiplus::GpPen* p) { return gp::GdipDeletePen(p); }
using GpPenPtr = Owned<GpTraits<Gdiplus::GpPen, DeleteGpPen>>;
inline GpStatus DeleteGpBrush(Gdiplus::GpSolidFill* p) { return gp::GdipDeleteBrush(p); }
using GpSolidFillPtr = Owned<GpTraits<Gdiplus::GpSolidFill, DeleteGpBrush>>;

// A GDI+ bitmap's pixels locked in `format` (32-bit ARGB unless named) for the life of the
// object.
class LockedBits {
public:
  LockedBits(GpBitmap* b, int width, int height, UINT mode, Gdiplus::PixelFormat format = PixelFormat32bppARGB)
      : bitmap(b) {
    const Gdiplus::GpRect rect(0, 0, width, height);
    locked = gp::GdipBitmapLockBits(bitmap, &rect, mode, format, &data) == Gdiplus::Ok;
  }
  ~LockedBits() {
    if (locked) gp::GdipBitmapUnlockBits(bitmap, &data);
  }
  LockedBits(const LockedBits&) = delete;
  LockedBits& operator=(const LockedBits&) = delete;
  bool Locked() const { return locked; }
  const Gdiplus::BitmapData& Data() const { return data; }

private:
  GpBitmap* bitmap;
  Gdiplus::BitmapData data{};
  bool locked = false;
};

// GDI+ for the life of the object: from start-up to shutdown in the program, for the whole
// run in each test program and tool. Version 2 is asked for first; a library that knows
// only version 1 is started with that rather than leaving the program without pictures.
class GdiplusSession {
public:
  GdiplusSession() {
    StartupInputEx second;
    second.GdiplusVersion = 2;
    ok = Gdiplus::GdiplusStartup(&token, &second, nullptr) == Gdiplus::Ok;
    if (!ok) {
      const Gdiplus::GdiplusStartupInput first;
      ok = Gdiplus::GdiplusStartup(&token, &first, nullptr) == Gdiplus::Ok;
    }
  }
  ~GdiplusSession() {
    if (ok) Gdiplus::GdiplusShutdown(token);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool Started() const { return ok; }

private:
  // The start-up record of version 2: the version 1 record and the start-up parameters.
  struct StartupInputEx : Gdiplus::GdiplusStartupInput {
    INT StartupParameters = 0;  // GdiplusStartupDefault
  };

  ULONG_PTR token = 0;
  bool ok = false;
};
