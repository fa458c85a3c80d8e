#pragma once
// Names the program compares as the platform does for INI sections and keys and host names:
// whole texts, letter case ignored.
#include <cwctype>
#include <string>

inline bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}
