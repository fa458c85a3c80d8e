#pragma once
// The conversion under a progress dialog: runs the batch of the photo list on the dialog's
// worker, moves the bar as photos finish and stops when "中止" is pressed (the photos in
// hand stop where they are). The owner sets autoStart, runs it modally, then reads the results.
#include <memory>
#include <string>
#include <vector>

#include "engine/ConvertBatch.h"
#include "engine/NamedSettings.h"
#include "engine/SaveData.h"
#include "toolkit/EasyProgress.h"

class MyConvertStartProgress_CL : public EasyProgress_CL {
public:
  // Takes the batch's snapshot of `record`'s photos (normally the main window's) here, on the
  // caller's thread and under the record's list lock, with a copy of each output's settings
  // (the working settings alone, or the presets ticked). The worker never reads the record.
  // The bar counts photos, each one when all its outputs are done.
  MyConvertStartProgress_CL(const SaveData_CL& record, std::vector<NamedSettings> outputs);
  // The working settings of `record` as the one output.
  explicit MyConvertStartProgress_CL(const SaveData_CL& record);

  void Run() override;

  std::unique_ptr<ConvertBatch_CL> batch;
  std::wstring folderToShow;
  std::wstring refusal;  // why the batch wrote nothing (ConvertBatch_CL::Refusal)
  std::vector<PhotoResult> results;
  BatchCounts counts;
  int workers = ConvertBatch_CL::DefaultWorkers();
};
