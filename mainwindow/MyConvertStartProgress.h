#pragma once
// The conversion under a progress dialog: runs the batch of the photo list on the dialog's
// worker, moves the bar as photos finish and stops taking new photos when "中止" is pressed.
// The owner sets autoStart, runs it modally, then reads the results.
#include <memory>
#include <string>
#include <vector>

#include "engine/ConvertBatch.h"
#include "engine/SaveData.h"
#include "toolkit/EasyProgress.h"

class MyConvertStartProgress_CL : public EasyProgress_CL {
public:
  // `photos` is copied when the dialog's worker starts (normally theSaveData.items); the
  // parameters are a copy of theSaveData's at that moment.
  explicit MyConvertStartProgress_CL(std::vector<PhotoItem>* photos);
  ~MyConvertStartProgress_CL() override;

  void Run(int firstArgument, int secondArgument) override;
  void Finish(int cancelFlag) override;

  std::vector<PhotoItem>* itemList;
  std::wstring firstOutputFolder;
  std::vector<PhotoResult> results;
  BatchCounts counts;
  int workers = ConvertBatch_CL::DefaultWorkers();
};
