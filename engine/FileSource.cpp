#include "engine/FileSource.h"

#include <windows.h>

#include <memory>

#include "base/Owned.h"

namespace {

// What a source reads from; freed with the source.
struct SourceFile {
  KernelHandle handle;
  const std::atomic<int>* stop;
};

bool Stopped(const SourceFile& file) { return file.stop != nullptr && file.stop->load(); }

// libvips' read: up to `length` bytes into `buffer`; 0 at the end of the file, -1 on failure.
gint64 ReadSome(VipsSourceCustom*, void* buffer, gint64 length, void* data) {
  const auto& file = *static_cast<const SourceFile*>(data);
  if (Stopped(file)) return -1;
  constexpr gint64 kMostAtOnce = 1 << 30;
  DWORD read = 0;
  if (!ReadFile(file.handle.get(), buffer, static_cast<DWORD>(length < kMostAtOnce ? length : kMostAtOnce), &read,
                nullptr))
    return -1;
  return read;
}

// libvips' seek, `whence` as for lseek (SEEK_SET, SEEK_CUR, SEEK_END: FILE_BEGIN, FILE_CURRENT,
// FILE_END); the new position, or -1.
gint64 SeekTo(VipsSourceCustom*, gint64 offset, int whence, void* data) {
  const auto& file = *static_cast<const SourceFile*>(data);
  if (Stopped(file)) return -1;
  LARGE_INTEGER distance{};
  distance.QuadPart = offset;
  LARGE_INTEGER position{};
  if (whence < FILE_BEGIN || whence > FILE_END ||
      !SetFilePointerEx(file.handle.get(), distance, &position, static_cast<DWORD>(whence)))
    return -1;
  return position.QuadPart;
}

void CloseFile(void* data, GClosure*) { delete static_cast<SourceFile*>(data); }

}  // namespace

VipsSourcePtr OpenFileSource(const std::wstring& path, const std::atomic<int>* stop, std::wstring& why) {
  KernelHandle handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle) {
    why = L"ファイルを開けません (エラー " + std::to_wstring(GetLastError()) + L")";
    return {};
  }
  VipsSourceCustom* const custom = vips_source_custom_new();
  if (custom == nullptr) {
    why = L"libvips のソースを作れません";
    return {};
  }
  SourceFile* const file = std::make_unique<SourceFile>(SourceFile{std::move(handle), stop}).release();
  // The read handler owns the file: it is closed when the source goes and its handlers with it.
  g_signal_connect_data(custom, "read", reinterpret_cast<GCallback>(&ReadSome), file, &CloseFile,
                        static_cast<GConnectFlags>(0));
  g_signal_connect(custom, "seek", reinterpret_cast<GCallback>(&SeekTo), file);
  return VipsSourcePtr(VIPS_SOURCE(custom));
}
