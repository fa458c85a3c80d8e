#pragma once
// Moving a file to the Recycle Bin, where the user can take it back, and never deleting it for
// good. The shell's undoable delete quietly deletes for good where there is no bin (a removable
// drive, a network share, a bin switched off or too small for the file); so while the shell
// works the file keeps a second name beside it (a hard link), and a file the shell deleted for
// good is put back under its own name from there.
#include <windows.h>

#include <string>

// MoveToRecycleBin's answer when the file's drive has no Recycle Bin that takes it:
// HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED). The file is where it was.
constexpr HRESULT kNoRecycleBin = static_cast<HRESULT>(0x80070032u);

// Name of the second name a file keeps while the shell works, followed by
// "<process id>-<number>.keep"; one left by a crash holds the photo.
constexpr wchar_t kRecycleKeeperPrefix[] = L"~glimmer-keep-";

// Moves the file at `path` (absolute or relative, not a folder) to the Recycle Bin. S_OK when
// it is there; kNoRecycleBin when the drive has none for it (a drive without hard links, a
// removable or network drive, a shell that left it where it was without an error, or one that
// deleted it for good, after which it is put back);
// otherwise the platform's error, the file left in place: ERROR_ACCESS_DENIED for a read-only
// file, ERROR_SHARING_VIOLATION for one that is open (in this program or another, whether
// or not it shares its deletion), ERROR_FILENAME_EXCED_RANGE for a path of MAX_PATH or more (the shell's limit).
HRESULT MoveToRecycleBin(const std::wstring& path);
