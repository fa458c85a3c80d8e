#include "base/AtomicFile.h"

#include <atomic>
#include <utility>

#include "base/Owned.h"
#include "base/PathIdentity.h"
#include "base/ShellHelpers.h"

namespace {

constexpr int kNameAttempts = 100;
constexpr DWORD kLargestWrite = 1u << 30;

std::atomic<unsigned> temporaryCounter{0};

HRESULT LastError() {
  const DWORD error = GetLastError();
  return HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE);
}

// The temporary file, removed when it goes out of scope unless it was moved into place.
class TemporaryFile {
public:
  TemporaryFile() = default;
  ~TemporaryFile() {
    handle.reset();
    if (!path.empty()) DeleteFileW(path.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Creates a file of a name nobody uses yet in folder; false when none could be made.
  bool Create(const std::wstring& folder) {
    const std::wstring stem = folder + L"\\" + kAtomicTemporaryPrefix + std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      const std::wstring candidate = ExtendedLengthPath(stem + std::to_wstring(temporaryCounter++) + L".tmp");
      handle.reset(CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_TEMPORARY, nullptr));
      if (handle) {
        path = candidate;
        return true;
      }
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
  }

  HRESULT Write(const unsigned char* data, std::size_t size) const {
    while (size > 0) {
      const DWORD chunk = size < kLargestWrite ? static_cast<DWORD>(size) : kLargestWrite;
      DWORD written = 0;
      if (!WriteFile(handle.get(), data, chunk, &written, nullptr)) return LastError();
      if (written == 0) return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
      data += written;
      size -= written;
    }
    return S_OK;
  }

  // The finished file is an ordinary one: the temporary mark goes, the modification time is
  // `lastWrite` when given, the bytes reach the disk, and the handle is closed so that the
  // file can be moved.
  HRESULT Finish(const FILETIME* lastWrite) {
    FILE_BASIC_INFO info{};  // zero times are left as they are
    info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (lastWrite != nullptr) {
      info.LastWriteTime.LowPart = lastWrite->dwLowDateTime;
      info.LastWriteTime.HighPart = static_cast<LONG>(lastWrite->dwHighDateTime);
    }
    if (!SetFileInformationByHandle(handle.get(), FileBasicInfo, &info, sizeof(info))) return LastError();
    if (!FlushFileBuffers(handle.get())) return LastError();
    handle.reset();
    return S_OK;
  }

  HRESULT MoveOver(const std::wstring& target) {
    if (!MoveFileExW(path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return LastError();
    }
    path.clear();
    return S_OK;
  }

  // The finished file stays under its temporary name, now the caller's.
  std::wstring Release() { return std::exchange(path, std::wstring()); }

private:
  KernelHandle handle;
  std::wstring path;  // in its "\\?\" form when long
};

// A folder, or a file marked read-only, is never replaced (the platform refuses both, though
// Wine replaces a read-only file).
HRESULT CheckReplaceable(const std::wstring& target) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return S_OK;
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
  }
  return S_OK;
}

}  // namespace

namespace {

// The checks and the temporary file both writers share: `temporary` holds the finished bytes.
HRESULT WriteTemporary(const std::wstring& path, const unsigned char* data, std::size_t size,
                       const FILETIME* lastWrite, TemporaryFile& temporary, std::wstring& target) {
  if (data == nullptr && size > 0) return E_POINTER;
  const std::wstring full = FullPathOf(path);
  if (full.empty() || FileNamePart(full).empty() || DirectoryPart(full).empty()) return E_INVALIDARG;

  target = ExtendedLengthPath(full);
  if (const HRESULT checked = CheckReplaceable(target); FAILED(checked)) return checked;
  if (!temporary.Create(DirectoryPart(full))) return LastError();
  const HRESULT result = temporary.Write(data, size);
  return SUCCEEDED(result) ? temporary.Finish(lastWrite) : result;
}

}  // namespace

HRESULT WriteFileAtomically(const std::wstring& path, const unsigned char* data, std::size_t size,
                            const FILETIME* lastWrite) {
  TemporaryFile temporary;
  std::wstring target;
  const HRESULT result = WriteTemporary(path, data, size, lastWrite, temporary, target);
  return SUCCEEDED(result) ? temporary.MoveOver(target) : result;
}

HRESULT WriteFileBeside(const std::wstring& path, const unsigned char* data, std::size_t size,
                        const FILETIME* lastWrite, std::wstring& written) {
  TemporaryFile temporary;
  std::wstring target;
  const HRESULT result = WriteTemporary(path, data, size, lastWrite, temporary, target);
  if (SUCCEEDED(result)) written = temporary.Release();
  return result;
}
