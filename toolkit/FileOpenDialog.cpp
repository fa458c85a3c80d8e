#include "toolkit/FileOpenDialog.h"

#include <new>

namespace {

constexpr DWORD singleSelectFlags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
constexpr DWORD multiSelectFlags = singleSelectFlags | OFN_ALLOWMULTISELECT;

std::wstring JoinFolder(const std::wstring& folder, const std::wstring& name) {
  // A drive root ("C:\") already ends with the separator.
  if (!folder.empty() && folder.back() == L'\\') return folder + name;
  return folder + L"\\" + name;
}

}  // namespace

BOOL FileOpenDialog_CL::Run(bool multiSelect, HWND ownerWindow, const std::wstring& title) {
  owner = ownerWindow;
  if (!buffer) buffer.reset(new (std::nothrow) wchar_t[bufferCharacters + 1]);
  if (!buffer) return FALSE;
  buffer[0] = L'\0';
  buffer[bufferCharacters] = L'\0';
  record = OPENFILENAMEW{};
  record.lStructSize = sizeof(record);
  record.hwndOwner = owner;
  record.hInstance = GetModuleHandleW(nullptr);
  // c_str() adds the second zero that ends the list.
  record.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  record.lpstrFile = buffer.get();
  record.nMaxFile = bufferCharacters;
  record.lpstrTitle = title.c_str();
  record.Flags = multiSelect ? multiSelectFlags : singleSelectFlags;
  const BOOL chosen = GetOpenFileNameW(&record);
  record.lpstrTitle = nullptr;
  // On FNERR_BUFFERTOOSMALL and every other failure the buffer holds no list of names.
  if (!chosen) buffer[0] = L'\0';
  return chosen;
}

std::vector<std::wstring> FileOpenDialog_CL::Paths() const {
  if (!buffer) return {};
  return SplitOpenFileResult(buffer.get(), bufferCharacters + 1);
}

std::vector<std::wstring> SplitOpenFileResult(const wchar_t* result, std::size_t capacity) {
  std::vector<std::wstring> parts;
  std::size_t at = 0;
  while (at < capacity && result[at] != L'\0') {
    std::size_t end = at;
    while (end < capacity && result[end] != L'\0') ++end;
    parts.emplace_back(result + at, end - at);
    at = end + 1;
  }
  if (parts.size() <= 1) return parts;
  std::vector<std::wstring> paths;
  paths.reserve(parts.size() - 1);
  for (std::size_t i = 1; i < parts.size(); ++i) paths.push_back(JoinFolder(parts[0], parts[i]));
  return paths;
}
