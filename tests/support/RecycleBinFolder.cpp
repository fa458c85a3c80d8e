#include "tests/support/RecycleBinFolder.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "tests/support/TempFolder.h"

namespace {

using UnixFileName = char*(CDECL*)(const wchar_t*);

// The test program's own XDG data folder, set up before main and removed at exit.
class TestDataHome {
public:
  TestDataHome() {
    const auto toUnix = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr) return;
    std::vector<wchar_t> temp(MAX_PATH + 1);
    const DWORD n = GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
    folder = std::wstring(temp.data(), n) + L"gs_bin_" + std::to_wstring(GetCurrentProcessId());
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
      folder.clear();
      return;
    }
    char* const unixPath = toUnix(folder.c_str());
    if (unixPath == nullptr) return;
    SetEnvironmentVariableA("XDG_DATA_HOME", unixPath);
    HeapFree(GetProcessHeap(), 0, unixPath);
    bin = folder + L"\\Trash";
  }
  ~TestDataHome() {
    if (!folder.empty()) RemoveTree(folder);
  }
  std::wstring folder;
  std::wstring bin;  // made by the shell at its first use
};

TestDataHome& DataHome() {
  static TestDataHome home;
  return home;
}

// Set before main, so before the shell first looks for the bin.
const bool kDataHomeSet = !DataHome().folder.empty();

}  // namespace

std::wstring RecycledFilesFolder() {
  (void)kDataHomeSet;
  return DataHome().bin.empty() ? std::wstring() : DataHome().bin + L"\\files";
}

namespace {

// The shell makes the bin's folder once, at its first use: a file sent there first makes sure
// it is made now, while it can be.
void MakeBinNow() {
  const std::wstring file = DataHome().folder + L"\first.txt";
  if (!WriteFileBytes(file, "first")) return;
  std::wstring from = file;
  from.push_back(L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  SHFileOperationW(&operation);
}

}  // namespace

RecycleBinOff::RecycleBinOff() {
  const std::wstring bin = DataHome().bin;
  if (bin.empty()) return;
  if (GetFileAttributesW(bin.c_str()) == INVALID_FILE_ATTRIBUTES) MakeBinNow();
  off = MoveFileW(bin.c_str(), (bin + L".off").c_str()) != FALSE;
}

RecycleBinOff::~RecycleBinOff() {
  const std::wstring bin = DataHome().bin;
  if (off) MoveFileW((bin + L".off").c_str(), bin.c_str());
}
