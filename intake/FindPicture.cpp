#include "intake/FindPicture.h"

#include "base/ShellHelpers.h"
#include "base/PathIdentity.h"

namespace {

bool IsFolderPath(const std::wstring& fullPath) {
  const DWORD attributes = GetFileAttributesW(ExtendedLengthPath(fullPath).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// "C:\Pics\" and "C:\Pics" both name the folder C:\Pics; its wildcard is "C:\Pics\*.*".
std::wstring EveryEntryOf(std::wstring folder) {
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder + L"\\*.*";
}

}  // namespace

bool HasPictureExtension(std::wstring fileName) {
  const std::wstring extension = ExtensionPart(fileName);
  if (extension.empty()) return false;
  for (const wchar_t* picture : kPictureExtensions) {
    if (EqualIgnoringCase(extension, picture)) return true;
  }
  return false;
}

void FindPicture_CL::OnFile(std::wstring folder, const WIN32_FIND_DATAW& entry) {
  const std::wstring name = entry.cFileName;
  if (!HasPictureExtension(name)) return;
  PhotoItem item;
  item.path = folder + L"\\" + name;
  item.root = photoRoot;
  saveData->AddItem(item);
}

bool FindPicture_CL::EntersSubFolder(const std::wstring& parentFolder, const std::wstring& name) const {
  if (!skippedFolder.empty() && EqualIgnoringCase(name, skippedFolder)) return false;
  if (skippedPath.empty()) return true;
  const std::wstring folder = parentFolder + L"\\" + name;
  if (EqualIgnoringCase(folder, skippedPath)) return false;
  // Another spelling of it (a link, a short name) is the same folder on disk.
  return !skippedIdentity.known || !SameIdentity(IdentityOf(folder), skippedIdentity);
}

bool PictureSearchOf(const std::wstring& path, std::wstring& searched, std::wstring& root) {
  std::wstring full = FullPathOf(path);
  if (full.empty()) return false;
  const bool folder = IsFolderPath(full);
  if (folder) full = EveryEntryOf(full);
  // A file named as it is has no root; a folder's (or wildcard's) photos keep its name.
  const bool plainFile = !folder && full.find_first_of(L"*?") == std::wstring::npos;
  const std::wstring searchedFolder = DirectoryPart(full);
  const std::wstring parent = DirectoryPart(searchedFolder);
  root = plainFile ? std::wstring() : parent.empty() ? searchedFolder : parent;
  searched = full;
  return true;
}

void RegisterPath(std::wstring path, PhotoList& data, std::wstring outputFolderName, std::wstring chosenFolder) {
  std::wstring searched;
  std::wstring root;
  if (!PictureSearchOf(path, searched, root)) return;
  FindPicture_CL finder(&data, std::move(outputFolderName), std::move(chosenFolder), root);
  finder.Search(searched, 1);
}
