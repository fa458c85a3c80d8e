#include "intake/FindPicture.h"

#include <algorithm>

#include "base/ShellHelpers.h"
#include "base/PathIdentity.h"
#include "engine/ChosenFolder.h"

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

void AddOnce(std::vector<std::wstring>& list, const std::wstring& entry) {
  if (entry.empty()) return;
  const auto same = [&entry](const std::wstring& listed) { return EqualIgnoringCase(listed, entry); };
  if (std::none_of(list.begin(), list.end(), same)) list.push_back(entry);
}

}  // namespace

SkippedFolders SkippedFoldersOf(const std::vector<ConvertSettings>& outputs) {
  SkippedFolders skipped;
  for (const ConvertSettings& output : outputs) {
    AddOnce(skipped.names, output.MakeFolder);
    AddOnce(skipped.paths, ChosenOutputFolder(output));
  }
  return skipped;
}

FindPicture_CL::FindPicture_CL(PhotoList* data, SkippedFolders skippedFolders, std::wstring root)
    : saveData(data), skipped(std::move(skippedFolders)), photoRoot(std::move(root)) {
  for (const std::wstring& path : skipped.paths) skippedIdentities.push_back(IdentityOf(path));
}

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
  for (const std::wstring& skippedName : skipped.names)
    if (EqualIgnoringCase(name, skippedName)) return false;
  if (skipped.paths.empty()) return true;
  const std::wstring folder = parentFolder + L"\\" + name;
  for (const std::wstring& path : skipped.paths)
    if (EqualIgnoringCase(folder, path)) return false;
  // Another spelling of one (a link, a short name) is the same folder on disk.
  const auto known = [](const FileIdentity& identity) { return identity.known; };
  if (std::none_of(skippedIdentities.begin(), skippedIdentities.end(), known)) return true;
  const FileIdentity identity = IdentityOf(folder);
  for (const FileIdentity& skippedIdentity : skippedIdentities)
    if (skippedIdentity.known && SameIdentity(identity, skippedIdentity)) return false;
  return true;
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

void RegisterPath(std::wstring path, PhotoList& data, const SkippedFolders& skipped) {
  std::wstring searched;
  std::wstring root;
  if (!PictureSearchOf(path, searched, root)) return;
  FindPicture_CL finder(&data, skipped, root);
  finder.Search(searched, 1);
}
