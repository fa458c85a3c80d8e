#pragma once
// A small directory walker with overridable hooks. Instances live on the stack: the
// destructor is protected and not virtual, so a walker is never deleted through a base
// pointer.
//
// Search("C:\Pics\*.*", 1) walks C:\Pics and, because recurse is non-zero, every sub-folder
// that matches the same pattern, depth first in the order the file system lists the
// entries. Paths of any length are searched (long ones through the "\\?\" form); the hooks
// always receive plain absolute paths without that prefix.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/PathIdentity.h"

class FindFile_CL {
public:
  FindFile_CL() = default;
  FindFile_CL(const FindFile_CL&) = delete;
  FindFile_CL& operator=(const FindFile_CL&) = delete;

  // Called before a folder is walked: the starting folder, then each sub-folder.
  virtual void OnFolder(std::wstring parentFolder, std::wstring subFolderName);
  // Called for every file found; folder is where it lies, without a trailing "\".
  virtual void OnFile(std::wstring folder, const WIN32_FIND_DATAW& entry);
  // Called after the starting folder and after each sub-folder has been walked.
  virtual void OnFolderDone();
  // Asked before a sub-folder is entered; false passes it over with everything in it.
  // Base: true.
  virtual bool EntersSubFolder(const std::wstring& parentFolder, const std::wstring& name) const;
  // Called for a folder that could not be listed (gone meanwhile, no right to read it), with
  // the platform's error; everything below it is passed over. Base: nothing.
  virtual void OnFolderUnreadable(const std::wstring& folder, DWORD error);
  // Asked before every entry; true ends the walk where it is. Base: false.
  virtual bool Stopped() const;

  // path = folder + "\" + pattern, the pattern a file name or a wildcard; a relative path
  // is taken from the current folder.
  void Search(std::wstring path, int recurse);
  // Walks one folder with the stored pattern, and its sub-folders when recurse is set.
  void WalkFolder(std::wstring folder);

  // Sub-folders deeper than this below the starting folder are not entered, so that a
  // pathological tree cannot exhaust the thread's stack.
  static constexpr size_t kMaxDepth = 256;

protected:
  ~FindFile_CL() = default;

  std::wstring pattern;     // last component of the searched path
  std::wstring rootFolder;  // the searched path without its last component
  int32_t recurse = 0;      // non-zero: walk sub-folders too

private:
  // The folders from the starting one down to the one being walked, so that a link back
  // to one of them (a loop of junctions or symbolic links) is not followed again.
  std::vector<FileIdentity> descent;

  void WalkSubFolder(const std::wstring& folder, const std::wstring& name);
  bool IsOnDescent(const FileIdentity& identity) const;
};
