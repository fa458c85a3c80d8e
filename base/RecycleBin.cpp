#include "base/RecycleBin.h"

#include <shellapi.h>

#include <atomic>

#include "base/Owned.h"
#include "base/PathIdentity.h"
#include "base/ShellHelpers.h"

namespace {

std::atomic<unsigned> keeperCounter{0};

HRESULT FromWin32(DWORD error) { return HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE); }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Drives Windows keeps no Recycle Bin on.
bool DriveHasNoBin(const std::wstring& path) {
  wchar_t root[MAX_PATH + 1] = {};
  if (!GetVolumePathNameW(path.c_str(), root, MAX_PATH)) return false;
  const UINT type = GetDriveTypeW(root);
  return type == DRIVE_REMOTE || type == DRIVE_REMOVABLE || type == DRIVE_CDROM;
}

// A read-only file, or one anybody holds open, is left alone before the shell is asked. The
// shell would fail half-way on the first; the second, deleted while open, would stay "delete
// pending" under its name until the last handle goes, and the check that it went to the bin
// could not tell, so nothing is asked of the shell while a handle is open.
HRESULT CheckDeletable(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FromWin32(GetLastError());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return E_INVALIDARG;
  if (attributes & FILE_ATTRIBUTE_READONLY) return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
  const KernelHandle probe(CreateFileW(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  return probe ? S_OK : FromWin32(GetLastError());
}

// The file's second name while the shell works: removed when it goes out of scope, unless it
// was moved back to the file's own name.
class Keeper {
public:
  ~Keeper() {
    if (!path.empty()) DeleteFileW(path.c_str());
  }
  // A hard link beside `file`; kNoRecycleBin on a file system without hard links.
  HRESULT Make(const std::wstring& file) {
    const std::wstring stem = DirectoryPart(file) + L"\\" + kRecycleKeeperPrefix +
                              std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::wstring candidate = stem + std::to_wstring(keeperCounter++) + L".keep";
      if (CreateHardLinkW(candidate.c_str(), file.c_str(), nullptr)) {
        path = candidate;
        linksBefore = Links();
        return S_OK;
      }
      const DWORD error = GetLastError();
      if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED) return kNoRecycleBin;
      if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return FromWin32(error);
    }
    return FromWin32(ERROR_FILE_EXISTS);
  }
  // Whether the file still has as many names as before the shell worked: its own went to the
  // bin rather than away (a photo that is a hard link has other names besides).
  bool FileLivesOn() const { return linksBefore >= 2 && Links() == linksBefore; }
  // Never fails to keep the file: when it cannot go back, it stays under the second name.
  HRESULT MoveBackTo(const std::wstring& file) {
    const HRESULT moved = MoveFileExW(path.c_str(), file.c_str(), MOVEFILE_WRITE_THROUGH) ? S_OK : FromWin32(GetLastError());
    path.clear();
    return moved;
  }

private:
  // How many names the file has; 0 when that cannot be read.
  DWORD Links() const {
    const KernelHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    return file && GetFileInformationByHandle(file.get(), &info) ? info.nNumberOfLinks : 0;
  }

  std::wstring path;
  DWORD linksBefore = 0;
};

// The shell's undoable delete, asking nothing and showing nothing.
int ShellRecycle(const std::wstring& path) {
  std::wstring from = path;
  from.push_back(L'\0');  // the list ends with a second null
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI | FOF_NOCONFIRMMKDIR;
  const int result = SHFileOperationW(&operation);
  return result == 0 && operation.fAnyOperationsAborted ? ERROR_CANCELLED : result;
}

}  // namespace

HRESULT MoveToRecycleBin(const std::wstring& path) {
  const std::wstring full = FullPathOf(path);
  if (full.empty()) return E_INVALIDARG;
  if (full.size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  if (const HRESULT deletable = CheckDeletable(full); FAILED(deletable)) return deletable;
  if (DriveHasNoBin(full)) return kNoRecycleBin;
  Keeper keeper;
  if (const HRESULT kept = keeper.Make(full); FAILED(kept)) return kept;
  const int shell = ShellRecycle(full);
  // Still there after a shell that says it is done: the bin would not take it.
  if (Exists(full)) return shell == 0 ? kNoRecycleBin : FromWin32(static_cast<DWORD>(shell));
  if (keeper.FileLivesOn()) return S_OK;
  // Deleted for good: the keeper is all that is left of it.
  const HRESULT back = keeper.MoveBackTo(full);
  return SUCCEEDED(back) ? kNoRecycleBin : back;
}
