#pragma once
// Picture discovery: every file with a picture extension under a path becomes a new photo
// at the end of the photo list.
#include <string>

#include "engine/SaveData.h"
#include "intake/FindFile.h"

// Picture extensions, in the order they are tried (compared without regard to case).
inline constexpr const wchar_t* kPictureExtensions[] = {
    L".jpg", L".jpeg", L".png", L".bmp", L".dib", L".gif", L".tif", L".tiff", L".webp", L".avif",
};

// True when the file name ends in one of the picture extensions (its last "." on).
bool HasPictureExtension(std::wstring fileName);

class FindPicture_CL : public FindFile_CL {
public:
  explicit FindPicture_CL(SaveData_CL* data) : saveData(data) {}

  // Appends a new photo for every picture file; other files are passed over.
  void OnFile(std::wstring folder, const WIN32_FIND_DATAW& entry) override;

private:
  SaveData_CL* saveData;  // not owned
};

// Adds the pictures found at `path` to `data`'s photo list: a file, a wildcard, or a folder
// searched with all its sub-folders. Adds nothing for a path that does not exist.
void RegisterPath(std::wstring path, SaveData_CL& data = theSaveData);
