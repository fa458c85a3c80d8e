#pragma once
// A fresh folder under the system's temporary folder, removed with all it holds when the
// object goes out of scope. Tests write every file they need in here.
#include <string>

class TempFolder {
public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& Path() const { return path; }
  // Path() + "\" + name.
  std::wstring File(const std::wstring& name) const;

private:
  std::wstring path;
};

// Whole-file helpers for tests.
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
void RemoveTree(const std::wstring& path);
// How many files match `pattern`, a folder and a name with wildcards.
int FilesMatching(const std::wstring& pattern);
