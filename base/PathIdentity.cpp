#include "base/PathIdentity.h"

#include "base/Owned.h"

namespace {

constexpr wchar_t kExtendedPrefix[] = L"\\\\?\\";
constexpr wchar_t kExtendedUncPrefix[] = L"\\\\?\\UNC\\";
constexpr size_t kPlainPathLimit = MAX_PATH - 12;

// Repeated separators collapsed to one, except the two that open a UNC or "\\?\" path.
std::wstring CollapseSeparators(const std::wstring& path) {
  std::wstring result;
  result.reserve(path.size());
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == L'\\' && i > 1 && path[i - 1] == L'\\') continue;
    result += path[i];
  }
  return result;
}

}  // namespace

bool EqualIgnoringCase(std::wstring a, std::wstring b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring FullPathOf(std::wstring path) {
  if (path.empty()) return {};
  std::wstring full(MAX_PATH, L'\0');
  DWORD length =
      GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {  // the buffer was too small: length counts the terminator too
    full.resize(length);
    length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) return {};
  }
  full.resize(length);
  return CollapseSeparators(full);
}

std::wstring ExtendedLengthPath(std::wstring fullPath) {
  if (fullPath.size() < kPlainPathLimit) return fullPath;
  if (fullPath.starts_with(kExtendedPrefix)) return fullPath;
  if (fullPath.starts_with(L"\\\\")) return kExtendedUncPrefix + fullPath.substr(2);
  return kExtendedPrefix + fullPath;
}

FileIdentity IdentityOf(std::wstring path) {
  FileIdentity identity;
  const std::wstring full = FullPathOf(path);
  if (full.empty()) return identity;
  const KernelHandle handle(CreateFileW(ExtendedLengthPath(full).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (handle && GetFileInformationByHandle(handle.get(), &info)) {
    identity.known = true;
    identity.volume = info.dwVolumeSerialNumber;
    identity.indexHigh = info.nFileIndexHigh;
    identity.indexLow = info.nFileIndexLow;
  }
  return identity;
}

bool SameIdentity(const FileIdentity& a, const FileIdentity& b) {
  return a.known && b.known && a.volume == b.volume && a.indexHigh == b.indexHigh &&
         a.indexLow == b.indexLow;
}

bool IsSameFile(std::wstring a, std::wstring b) {
  const FileIdentity first = IdentityOf(a);
  const FileIdentity second = IdentityOf(b);
  if (first.known && second.known) return SameIdentity(first, second);
  const std::wstring fullA = FullPathOf(a);
  return !fullA.empty() && EqualIgnoringCase(fullA, FullPathOf(b));
}
