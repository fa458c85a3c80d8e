#include "tests/e2e/E2eSupport.h"

#include <shlobj.h>

#include "tests/support/TempFolder.h"

namespace e2e {

namespace {
constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr wchar_t kPersonal[] = L"Personal";
}  // namespace

std::wstring DocumentsFolder() {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

PrivateDocuments::PrivateDocuments(const std::wstring& folder) {
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    key = nullptr;
    return;
  }
  wchar_t old[MAX_PATH * 2] = {};
  DWORD bytes = sizeof(old) - sizeof(wchar_t);
  DWORD type = 0;
  hadValue = RegQueryValueExW(key, kPersonal, nullptr, &type, reinterpret_cast<BYTE*>(old), &bytes) == ERROR_SUCCESS;
  if (hadValue) {
    oldType = type;
    oldValue = old;
  }
  Set(REG_EXPAND_SZ, folder);
}

PrivateDocuments::~PrivateDocuments() {
  if (key == nullptr) return;
  if (hadValue) {
    Set(oldType, oldValue);
  } else {
    RegDeleteValueW(key, kPersonal);
  }
  RegCloseKey(key);
}

void PrivateDocuments::Set(DWORD type, const std::wstring& value) {
  RegSetValueExW(key, kPersonal, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring ProgramPath() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.find_last_of(L'\\')) + L"\\Glimmerset.exe";
}

std::wstring ReadUtf16(const std::wstring& path) {
  const std::string bytes = ReadFileBytes(path);
  std::wstring text(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  return text;
}

bool WriteUtf16(const std::wstring& path, const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (const wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  return WriteFileBytes(path, bytes);
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace e2e
