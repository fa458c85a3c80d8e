#pragma once
// The conversion job: converts every photo of the list, in list order, into its output
// folder, under a progress dialog. The owner sets autoStart, runs it modally, then opens
// firstOutputFolder.
#include <string>
#include <vector>

#include "engine/SaveData.h"
#include "toolkit/EasyProgress.h"

class MyConvertStartProgress_CL : public EasyProgress_CL {
public:
  // `photos` is read in place during the run (normally &theSaveData.items); the parameters
  // come from theSaveData.
  explicit MyConvertStartProgress_CL(std::vector<PhotoItem>* photos);
  ~MyConvertStartProgress_CL() override;

  void Run(int firstArgument, int secondArgument) override;
  void Finish(int cancelFlag) override;

  // Converts one photo: output type, folder (made when missing) and name, then the picture
  // itself. A photo whose output would be its own source file is left alone (and logged).
  void ConvertPhoto(const PhotoItem& photo);

  std::vector<PhotoItem>* itemList;
  std::wstring firstOutputFolder;
};
