#pragma once
// Picture discovery: every file with a picture extension under a path becomes a new photo
// at the end of the photo list.
#include <string>
#include <utility>

#include "engine/PhotoList.h"
#include "intake/FindFile.h"

// Picture extensions, in the order they are tried (compared without regard to case).
inline constexpr const wchar_t* kPictureExtensions[] = {
    L".jpg", L".jpeg", L".png", L".bmp", L".dib", L".gif", L".tif", L".tiff", L".webp", L".avif",
    L".heic", L".heif", L".hif",
};

// True when the file name ends in one of the picture extensions (its last "." on).
bool HasPictureExtension(std::wstring fileName);

class FindPicture_CL : public FindFile_CL {
public:
  // Sub-folders named outputFolderName (without regard to case) are passed over; an empty
  // name passes over none. So is the folder chosenFolder (an absolute path; empty: none),
  // wherever it lies. Each photo found gets `root` as its PhotoItem::root.
  FindPicture_CL(PhotoList* data, std::wstring outputFolderName, std::wstring chosenFolder = {},
                 std::wstring root = {})
      : saveData(data),
        skippedFolder(std::move(outputFolderName)),
        skippedPath(std::move(chosenFolder)),
        skippedIdentity(skippedPath.empty() ? FileIdentity{} : IdentityOf(skippedPath)),
        photoRoot(std::move(root)) {}

  // Appends a new photo for every picture file; other files are passed over.
  void OnFile(std::wstring folder, const WIN32_FIND_DATAW& entry) override;
  // A folder of the output folder's name holds the outputs of an earlier conversion, not
  // photos to convert again.
  bool EntersSubFolder(const std::wstring& parentFolder, const std::wstring& name) const override;

private:
  PhotoList* saveData;  // not owned
  std::wstring skippedFolder;
  std::wstring skippedPath;
  FileIdentity skippedIdentity;  // looked up once, not for every folder walked
  std::wstring photoRoot;
};

// What RegisterPath searches for `path`: the path given to Search (a folder becomes its
// wildcard) and the root its photos get. False for a path the platform rejects.
bool PictureSearchOf(const std::wstring& path, std::wstring& searched, std::wstring& root);

// Adds the pictures found at `path` to `data`'s photo list: a file, a wildcard, or a folder
// searched with all its sub-folders except those named outputFolderName and the folder
// chosenFolder (the folder given itself is searched whatever its name). Adds nothing for a
// path that does not exist. The photos of a folder or wildcard get the searched folder's
// parent as their root, so that the folder's own name is kept under a chosen output folder
// ("D:\写真\2024" to "E:\小さく\2024\..."); a file named as it is gets none.
void RegisterPath(std::wstring path, PhotoList& data, std::wstring outputFolderName,
                  std::wstring chosenFolder = {});
