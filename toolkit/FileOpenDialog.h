#pragma once
// The platform's file-open dialog with multiple selection and a result buffer large enough
// for very large selections.
#include <windows.h>
#include <commdlg.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class FileOpenDialog_CL {
public:
  // Characters of the result buffer (one more is allocated for a closing zero).
  static constexpr DWORD bufferCharacters = 0x1040000;

  FileOpenDialog_CL() = default;
  virtual ~FileOpenDialog_CL() = default;
  FileOpenDialog_CL(const FileOpenDialog_CL&) = delete;
  FileOpenDialog_CL& operator=(const FileOpenDialog_CL&) = delete;

  // Shows the dialog. Returns nonzero when files were chosen; a cancel, a failure or a
  // selection too large for the buffer returns 0 and leaves Paths() empty.
  BOOL Run(bool multiSelect, HWND ownerWindow, const std::wstring& title);
  // Full paths of the chosen files.
  std::vector<std::wstring> Paths() const;

  HWND owner = nullptr;
  // The choices of file type: a shown name and its patterns ("*.a;*.b"), each ended by a
  // zero, for every choice; the first is chosen at the start. Empty: every file is listed.
  std::wstring filter;

private:
  std::unique_ptr<wchar_t[]> buffer;
  OPENFILENAMEW record{};
};

// Splits the dialog's result: zero-ended strings ended by an empty one, within capacity
// characters. One string is a full path; more are a folder followed by file names.
std::vector<std::wstring> SplitOpenFileResult(const wchar_t* result, std::size_t capacity);
