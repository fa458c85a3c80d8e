#include "base/ShellHelpers.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>

namespace {

// Any fixed path will do: only whether the file exists matters.
constexpr wchar_t kDeveloperMarkerPath[] = L"C:\\glimmerset_developer.txt";

std::wstring KnownFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK) return {};
  buffer[MAX_PATH - 1] = L'\0';
  return buffer;
}

}  // namespace

std::wstring DocumentsFolder() { return KnownFolder(CSIDL_PERSONAL); }

std::wstring DesktopFolder() { return KnownFolder(CSIDL_DESKTOP); }

HRESULT EnsureFolder(const std::wstring& path) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return S_OK;
  const DWORD error = GetLastError();
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return S_OK;
  return HRESULT_FROM_WIN32(error);
}

std::wstring ModuleFileName(HMODULE module, DWORD firstCapacity) {
  constexpr size_t kLongestPath = 32768;
  std::wstring buffer(firstCapacity > 0 ? firstCapacity : MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    if (buffer.size() >= kLongestPath) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring ModuleDirectory() { return DirectoryPart(ModuleFileName()); }

std::wstring DirectoryPart(std::wstring path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring FileNamePart(std::wstring path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring ExtensionPart(std::wstring path) {
  const size_t dot = path.rfind(L'.');
  return dot == std::wstring::npos ? std::wstring() : path.substr(dot);
}

std::wstring WithoutExtension(std::wstring path) {
  const size_t dot = path.rfind(L'.');
  return dot == std::wstring::npos ? path : path.substr(0, dot);
}

std::wstring JoinPath(std::wstring head, std::wstring tail) { return head + tail; }

std::wstring IntToText(int value) {
  wchar_t text[256] = {};
  swprintf(text, 256, L"%d", value);
  return text;
}

std::wstring WithoutKey(std::wstring text) {
  const size_t key = text.find(L"(&");
  if (key != std::wstring::npos && key + 3 < text.size() && text[key + 3] == L')') text.erase(key, 4);
  return text;
}

int TextToInt(std::wstring text) {
  size_t position = 0;
  int sign = 1;
  if (!text.empty() && text[0] == L'-') {
    sign = -1;
    position = 1;
  }
  // Unsigned arithmetic wraps around like the 32-bit registers it stands for.
  unsigned int value = 0;
  for (; position < text.size(); ++position) {
    value = value * 10u + static_cast<unsigned int>(static_cast<int>(text[position]) - 48);
  }
  return static_cast<int>(static_cast<unsigned int>(sign) * value);
}

std::wstring SystemErrorText(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&text), 0,
      nullptr);
  if (length == 0 || text == nullptr) return {};
  std::wstring result(text, length);
  LocalFree(text);
  return result;
}

bool DeveloperMarkerExists() { return PathFileExistsW(kDeveloperMarkerPath) != FALSE; }

void OpenWebPage(std::wstring address) {
  if (DeveloperMarkerExists()) return;
  ShellExecuteW(nullptr, nullptr, address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
