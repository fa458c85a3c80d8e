#pragma once
// Picture discovery: every file with a picture extension under a path becomes a new photo
// at the end of the photo list.
#include <string>
#include <utility>
#include <vector>

#include "engine/ConvertSettings.h"
#include "engine/PhotoList.h"
#include "intake/FindFile.h"

// Picture extensions, in the order they are tried (compared without regard to case).
inline constexpr const wchar_t* kPictureExtensions[] = {
    L".jpg", L".jpeg", L".png", L".bmp", L".dib", L".gif", L".tif", L".tiff", L".webp", L".avif",
    L".heic", L".heif", L".hif",
};

// True when the file name ends in one of the picture extensions (its last "." on).
bool HasPictureExtension(std::wstring fileName);

// The folders a walk passes over, as they hold outputs and not photos: every sub-folder of
// one of `names` (without regard to case; empty names pass over nothing), and each of `paths`
// (absolute), wherever it lies.
struct SkippedFolders {
  std::vector<std::wstring> names;
  std::vector<std::wstring> paths;
};

// The output folder name (MakeFolder) of each of `outputs` and each chosen output folder
// (ChosenOutputFolder), each once: one output's files are never another run's photos.
SkippedFolders SkippedFoldersOf(const std::vector<ConvertSettings>& outputs);

class FindPicture_CL : public FindFile_CL {
public:
  // The folders `skipped` names are passed over. Each photo found gets `root` as its
  // PhotoItem::root.
  FindPicture_CL(PhotoList* data, SkippedFolders skipped, std::wstring root = {});

  // Appends a new photo for every picture file; other files are passed over.
  void OnFile(std::wstring folder, const WIN32_FIND_DATAW& entry) override;
  // A folder of the output folder's name holds the outputs of an earlier conversion, not
  // photos to convert again.
  bool EntersSubFolder(const std::wstring& parentFolder, const std::wstring& name) const override;

private:
  PhotoList* saveData;  // not owned
  SkippedFolders skipped;
  std::vector<FileIdentity> skippedIdentities;  // of skipped.paths, looked up once, not for every folder walked
  std::wstring photoRoot;
};

// What RegisterPath searches for `path`: the path given to Search (a folder becomes its
// wildcard) and the root its photos get. False for a path the platform rejects.
bool PictureSearchOf(const std::wstring& path, std::wstring& searched, std::wstring& root);

// Adds the pictures found at `path` to `data`'s photo list: a file, a wildcard, or a folder
// searched with all its sub-folders except those `skipped` names (the folder given itself is
// searched whatever its name). Adds nothing for a
// path that does not exist. The photos of a folder or wildcard get the searched folder's
// parent as their root, so that the folder's own name is kept under a chosen output folder
// ("D:\写真\2024" to "E:\小さく\2024\..."); a file named as it is gets none.
void RegisterPath(std::wstring path, PhotoList& data, const SkippedFolders& skipped);
