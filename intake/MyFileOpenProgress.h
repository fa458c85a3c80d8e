#pragma once
// The registration job: adds the pictures found at each chosen path to a record's photo list
// (the main window's) under a progress dialog, one bar step per path. The items of a path are
// gathered on the side and appended under the record's itemsLock, so the thumbnail strip may
// keep painting.
#include <string>
#include <vector>

#include "engine/ConvertSettings.h"
#include "engine/PhotoList.h"
#include "toolkit/EasyProgress.h"

class MyFileOpenProgress_CL : public EasyProgress_CL {
public:
  // `target` must outlive the job. The output folders to pass over are read from `settings`
  // here, on the caller's thread.
  MyFileOpenProgress_CL(std::vector<std::wstring> chosenPaths, const ConvertSettings& settings, PhotoList& target);

  void Run() override;

  std::vector<std::wstring> paths;
  // The output folder's name when the job was made: the worker never reads the record's
  // settings, which the user-interface thread owns.
  std::wstring outputFolderName;
  std::wstring chosenFolder;  // the chosen output folder, passed over too; empty: none
  PhotoList& target;  // not owned
};

// Registers `path` into a private list, passing over sub-folders named outputFolderName and
// the folder chosenFolder, then appends what it found to target.items while holding
// target.itemsLock.
void RegisterPathGuarded(const std::wstring& path, const std::wstring& outputFolderName,
                         const std::wstring& chosenFolder, PhotoList& target);
