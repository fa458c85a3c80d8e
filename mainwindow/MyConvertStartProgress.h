#pragma once
// The conversion under a progress dialog: runs the batch of the photo list on the dialog's
// worker, moves the bar as photos finish and stops when "中止" is pressed (the photos in
// hand stop where they are). The owner sets autoStart, runs it modally, then reads the results.
#include <memory>
#include <string>
#include <vector>

#include "engine/ConvertBatch.h"
#include "engine/SaveData.h"
#include "toolkit/EasyProgress.h"

class MyConvertStartProgress_CL : public EasyProgress_CL {
public:
  // Takes the batch's snapshot of `record` (normally the main window's working settings) here, on the caller's
  // thread and under the record's list lock: the photos and a copy of the parameters. The
  // worker never reads the record.
  explicit MyConvertStartProgress_CL(const SaveData_CL& record);

  void Run() override;

  std::unique_ptr<ConvertBatch_CL> batch;
  std::wstring folderToShow;
  std::vector<PhotoResult> results;
  BatchCounts counts;
  int workers = ConvertBatch_CL::DefaultWorkers();
};
