#pragma once
// The registration job: adds the pictures found at each chosen path to theSaveData.items
// under a progress dialog, one bar step per path. The items of a path are gathered on the
// side and appended under theSaveData.itemsLock, so the thumbnail strip may keep painting.
#include <string>
#include <vector>

#include "toolkit/EasyProgress.h"

class MyFileOpenProgress_CL : public EasyProgress_CL {
public:
  explicit MyFileOpenProgress_CL(std::vector<std::wstring> chosenPaths);
  ~MyFileOpenProgress_CL() override;

  void Run(int firstArgument, int secondArgument) override;
  void Finish(int cancelFlag) override;

  std::vector<std::wstring> paths;
  // The output folder's name when the job was made: the worker never reads theSaveData's
  // settings, which the user-interface thread owns.
  std::wstring outputFolderName;
};

// Registers `path` into a private list, passing over sub-folders named outputFolderName,
// then appends what it found to theSaveData.items while holding theSaveData.itemsLock.
void RegisterPathGuarded(const std::wstring& path, const std::wstring& outputFolderName);
