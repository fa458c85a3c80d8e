#pragma once
// Paths as the file system sees them: the absolute form of a path, the "\\?\" form that
// long paths need, and which file or folder a path names whatever spelling leads to it.
#include <windows.h>

#include <string>

// The absolute, normalised form of a path of any length (relative parts resolved, "/" read
// as "\"); empty when the platform rejects the path.
std::wstring FullPathOf(std::wstring path);

// The "\\?\" form of an absolute path when it is too long for the plain platform calls
// (CreateDirectoryW already refuses MAX_PATH - 12 units), otherwise the path itself.
// UNC paths become "\\?\UNC\server\...". A path already in that form is returned as it is.
std::wstring ExtendedLengthPath(std::wstring fullPath);

// Which file or folder a path names on disk: volume and file index.
struct FileIdentity {
  bool known = false;  // false when the path could not be opened
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
};
// Opens the path (files and folders alike, shared with everybody) just long enough to ask.
FileIdentity IdentityOf(std::wstring path);
// Both known and naming the same file or folder.
bool SameIdentity(const FileIdentity& a, const FileIdentity& b);

// Text equality without regard to case, the way the platform compares file names
// (ordinal, so the result does not depend on the user's locale).
bool EqualIgnoringCase(std::wstring a, std::wstring b);

// True when the two paths name the same file: the same file on disk when both exist (links,
// case, doubled separators and relative parts do not matter), otherwise the same absolute
// path compared without regard to case, as the platform treats file names.
bool IsSameFile(std::wstring a, std::wstring b);
