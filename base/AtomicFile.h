#pragma once
// Writing a whole file in one step: whoever looks at the path sees the old file or the new
// one, never a file cut short by a full disk, a crash or a photo that failed half-way.
#include <windows.h>

#include <cstddef>
#include <string>

// Name of the temporary files, each followed by "<process id>-<number>.tmp".
constexpr wchar_t kAtomicTemporaryPrefix[] = L"~glimmer-";

// Writes `size` bytes into a new temporary file in the folder of `path` (marked
// FILE_ATTRIBUTE_TEMPORARY while it is written), flushes it to the disk, and moves it over
// `path`, replacing a file there; a folder or a read-only file at `path` is refused
// (ERROR_ACCESS_DENIED) before anything is written. On any failure the temporary file is
// removed and what was at `path` is left as it was. Paths of any length. S_OK, E_INVALIDARG
// for a path that names no file, E_POINTER for missing data, otherwise the platform's error.
// `lastWrite`, when given, becomes the file's modification time before it is moved into place.
HRESULT WriteFileAtomically(const std::wstring& path, const unsigned char* data, std::size_t size,
                            const FILETIME* lastWrite = nullptr);

// WriteFileAtomically up to the move: the finished temporary file is left in the folder of
// `path` and named in `written` (in its "\\?\" form when long), for the caller to move into
// place or delete. Nothing is left behind on failure.
HRESULT WriteFileBeside(const std::wstring& path, const unsigned char* data, std::size_t size,
                        const FILETIME* lastWrite, std::wstring& written);
