#pragma once
// A photo file as libvips reads it: a source over a Windows file handle (so any UTF-16 path
// opens), whose reads fail once a stop flag is set. A decode running on it ends at its next
// read, a few milliseconds later, instead of running to the end of the photo. The file is read
// in large blocks, whatever size libvips asks for.
#include <atomic>
#include <string>

#include "engine/VipsOwned.h"

struct VipsSourceTraits {
  using Handle = VipsSource*;
  static bool IsValid(VipsSource* p) { return p != nullptr; }
  static void Release(VipsSource* p) { g_object_unref(p); }
};
using VipsSourcePtr = Owned<VipsSourceTraits>;

// The file at `path` opened for reading, shared with other readers and writers. `stop` may be
// null; else it must outlive every read, that is every image made from the source. None when
// the file cannot be opened; `why` then says so in the user's words.
VipsSourcePtr OpenFileSource(const std::wstring& path, const std::atomic<int>* stop, std::wstring& why);
