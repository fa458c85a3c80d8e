#pragma once
// Owners for libvips objects and the memory it hands out. libvips-42.dll has a C runtime
// of its own: what it allocates is given back to it (g_object_unref, g_free), never to ours.
#include <vips/vips.h>

#include <cstddef>

#include "base/Owned.h"

struct VipsImageTraits {
  using Handle = VipsImage*;
  static bool IsValid(VipsImage* p) { return p != nullptr; }
  static void Release(VipsImage* p) { g_object_unref(p); }
};
using VipsImagePtr = Owned<VipsImageTraits>;

struct VipsRegionTraits {
  using Handle = VipsRegion*;
  static bool IsValid(VipsRegion* p) { return p != nullptr; }
  static void Release(VipsRegion* p) { g_object_unref(p); }
};
using VipsRegionPtr = Owned<VipsRegionTraits>;

struct GMemoryTraits {
  using Handle = void*;
  static bool IsValid(void* p) { return p != nullptr; }
  static void Release(void* p) { g_free(p); }
};
using GMemory = Owned<GMemoryTraits>;

// A block of bytes libvips wrote (an encoded file in memory) with its length.
struct VipsBytes {
  GMemory data;
  std::size_t size = 0;
  const unsigned char* begin() const { return static_cast<const unsigned char*>(data.get()); }
  const unsigned char* end() const { return begin() + size; }
};

// A second owner of `image`: one more reference, given back when the owner goes.
inline VipsImagePtr ShareImage(VipsImage* image) {
  if (image != nullptr) g_object_ref(image);
  return VipsImagePtr(image);
}
