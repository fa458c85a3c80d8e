#include "intake/FindFile.h"

#include "base/Owned.h"
#include "base/ShellHelpers.h"

namespace {

constexpr wchar_t kSeparator[] = L"\\";

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

bool IsFolder(const WIN32_FIND_DATAW& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

void FindFile_CL::OnFolder(std::wstring, std::wstring) {}
void FindFile_CL::OnFile(std::wstring, const WIN32_FIND_DATAW&) {}
void FindFile_CL::OnFolderDone() {}
bool FindFile_CL::EntersSubFolder(const std::wstring&, const std::wstring&) const { return true; }
void FindFile_CL::OnFolderUnreadable(const std::wstring&, DWORD) {}
bool FindFile_CL::Stopped() const { return false; }

void FindFile_CL::Search(std::wstring path, int recurseSubFolders) {
  recurse = recurseSubFolders;
  const std::wstring full = FullPathOf(path);
  if (full.find(L'\\') == std::wstring::npos) return;  // rejected by the platform
  pattern = FileNamePart(full);
  rootFolder = DirectoryPart(full);

  OnFolder(DirectoryPart(rootFolder), FileNamePart(rootFolder));
  // With its separator, because a bare "C:" would name the current folder of drive C.
  descent.assign(1, IdentityOf(rootFolder + kSeparator));
  WalkFolder(rootFolder);
  descent.clear();
  OnFolderDone();
}

void FindFile_CL::WalkFolder(std::wstring folder) {
  const std::wstring query = ExtendedLengthPath(folder + kSeparator + pattern);
  WIN32_FIND_DATAW entry;
  const FindHandle find(FindFirstFileW(query.c_str(), &entry));
  if (!find) {
    // No match for a file name is no fault; a folder that cannot be listed is.
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) OnFolderUnreadable(folder, error);
    return;
  }
  do {
    if (Stopped()) return;
    if (IsDotEntry(entry.cFileName)) continue;
    if (!IsFolder(entry)) {
      OnFile(folder, entry);
    } else if (recurse != 0 && EntersSubFolder(folder, entry.cFileName)) {
      WalkSubFolder(folder, entry.cFileName);
    }
  } while (FindNextFileW(find.get(), &entry));
}

void FindFile_CL::WalkSubFolder(const std::wstring& folder, const std::wstring& name) {
  if (descent.size() > kMaxDepth) return;
  const std::wstring subFolder = folder + kSeparator + name;
  const FileIdentity identity = IdentityOf(subFolder);
  if (IsOnDescent(identity)) return;

  OnFolder(folder, name);
  descent.push_back(identity);
  WalkFolder(subFolder);
  descent.pop_back();
  OnFolderDone();
}

bool FindFile_CL::IsOnDescent(const FileIdentity& identity) const {
  for (const FileIdentity& ancestor : descent) {
    if (SameIdentity(ancestor, identity)) return true;
  }
  return false;
}
