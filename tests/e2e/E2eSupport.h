#pragma once
// What the tests that start the real Glimmerset.exe share: the program's path, a private
// Documents folder for its settings and log, and the UTF-16 text of its files.
#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// The user's Documents folder as the shell reports it now.
std::wstring DocumentsFolder();

// Points the user's Documents folder at a folder of the test for as long as the object lives.
// Under Wine a prefix's Documents is a link to the Unix home folder, which every prefix
// shares; the program's settings and log would otherwise land there, in reach of any other
// run of these tests. The test program runs alone (RUN_SERIAL), so nobody else sees this.
class PrivateDocuments {
public:
  explicit PrivateDocuments(const std::wstring& folder);
  ~PrivateDocuments();
  PrivateDocuments(const PrivateDocuments&) = delete;
  PrivateDocuments& operator=(const PrivateDocuments&) = delete;

private:
  void Set(DWORD type, const std::wstring& value);

  HKEY key = nullptr;
  bool hadValue = false;
  DWORD oldType = REG_EXPAND_SZ;
  std::wstring oldValue;
};

// Glimmerset.exe beside this test program.
std::wstring ProgramPath();

// UTF-16LE text of a file, without its byte-order mark.
std::wstring ReadUtf16(const std::wstring& path);
// Writes `text` as UTF-16LE with a byte-order mark, as the program's settings file is kept.
bool WriteUtf16(const std::wstring& path, const std::wstring& text);

// The lines of `text`, split at CR LF.
std::vector<std::wstring> Lines(const std::wstring& text);

}  // namespace e2e
