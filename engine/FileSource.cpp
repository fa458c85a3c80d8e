#include "engine/FileSource.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "base/Owned.h"

namespace {

// libvips' loaders ask for a few kilobytes at a time; each ReadFile is a trip into the system,
// under Wine a slow one. The file is read in blocks of this size and handed out from memory.
constexpr DWORD kBlockBytes = 256 * 1024;

// What a source reads from; freed with the source.
struct SourceFile {
  KernelHandle handle;
  const std::atomic<int>* stop;
  std::vector<char> block;  // the file's bytes from blockOffset on
  gint64 blockOffset = 0;
  gint64 position = 0;     // where libvips reads next
  gint64 filePointer = 0;  // where the handle reads next
};

bool Stopped(const SourceFile& file) { return file.stop != nullptr && file.stop->load(); }

bool InBlock(const SourceFile& file) {
  return file.position >= file.blockOffset &&
         file.position < file.blockOffset + static_cast<gint64>(file.block.size());
}

// Up to `length` bytes from the handle at `file.position`, straight into `buffer`; -1 on failure.
gint64 ReadAt(SourceFile& file, void* buffer, DWORD length) {
  if (file.filePointer != file.position) {
    LARGE_INTEGER distance{};
    distance.QuadPart = file.position;
    if (!SetFilePointerEx(file.handle.get(), distance, nullptr, FILE_BEGIN)) return -1;
    file.filePointer = file.position;
  }
  DWORD read = 0;
  if (!ReadFile(file.handle.get(), buffer, length, &read, nullptr)) return -1;
  file.filePointer += read;
  return read;
}

// The block refilled from `file.position`; false on failure. At the end of the file the block
// is empty.
bool Refill(SourceFile& file) {
  file.block.resize(kBlockBytes);
  const gint64 read = ReadAt(file, file.block.data(), kBlockBytes);
  file.block.resize(read < 0 ? 0 : static_cast<size_t>(read));
  file.blockOffset = file.position;
  return read >= 0;
}

// libvips' read: up to `length` bytes into `buffer`; 0 at the end of the file, -1 on failure.
gint64 ReadSome(VipsSourceCustom*, void* buffer, gint64 length, void* data) {
  auto& file = *static_cast<SourceFile*>(data);
  if (Stopped(file)) return -1;
  if (length <= 0) return 0;
  // A read as large as a block gains nothing from the copy.
  if (!InBlock(file) && length >= kBlockBytes) {
    const gint64 read = ReadAt(file, buffer, kBlockBytes);
    if (read > 0) file.position += read;
    return read;
  }
  if (!InBlock(file) && !Refill(file)) return -1;
  if (file.block.empty()) return 0;
  const gint64 at = file.position - file.blockOffset;
  const gint64 count = std::min<gint64>(length, static_cast<gint64>(file.block.size()) - at);
  std::memcpy(buffer, file.block.data() + at, static_cast<size_t>(count));
  file.position += count;
  return count;
}

// libvips' seek, `whence` as for lseek (SEEK_SET, SEEK_CUR, SEEK_END); the new position, or -1.
// The handle moves only when a read needs it to.
gint64 SeekTo(VipsSourceCustom*, gint64 offset, int whence, void* data) {
  auto& file = *static_cast<SourceFile*>(data);
  if (Stopped(file)) return -1;
  gint64 base = 0;
  if (whence == SEEK_CUR) {
    base = file.position;
  } else if (whence == SEEK_END) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.handle.get(), &size)) return -1;
    base = size.QuadPart;
  } else if (whence != SEEK_SET) {
    return -1;
  }
  const gint64 target = base + offset;
  if (target < 0) return -1;
  file.position = target;
  return target;
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
  SourceFile* const file = std::make_unique<SourceFile>(SourceFile{std::move(handle), stop, {}, 0, 0, 0}).release();
  // The read handler owns the file: it is closed when the source goes and its handlers with it.
  g_signal_connect_data(custom, "read", reinterpret_cast<GCallback>(&ReadSome), file, &CloseFile,
                        static_cast<GConnectFlags>(0));
  g_signal_connect(custom, "seek", reinterpret_cast<GCallback>(&SeekTo), file);
  return VipsSourcePtr(VIPS_SOURCE(custom));
}
