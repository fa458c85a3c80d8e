#include "mainwindow/MyConvertStartProgress.h"

namespace {

std::unique_ptr<ConvertBatch_CL> SnapshotOf(const SaveData_CL& record, std::vector<NamedSettings> outputs) {
  const CriticalSectionLock lock(record.itemsLock);
  return std::make_unique<ConvertBatch_CL>(record.items, std::move(outputs), theLog);
}

}  // namespace

MyConvertStartProgress_CL::MyConvertStartProgress_CL(const SaveData_CL& record, std::vector<NamedSettings> outputs)
    : EasyProgress_CL(L"ファイル変換中", 1), batch(SnapshotOf(record, std::move(outputs))) {}

MyConvertStartProgress_CL::MyConvertStartProgress_CL(const SaveData_CL& record)
    : MyConvertStartProgress_CL(record, {{std::wstring(), record}}) {}

void MyConvertStartProgress_CL::Run() {
  AddToTarget(batch->PhotoCount());
  batch->Run(
      [this](std::size_t done, std::size_t) {
        doneCount = done;
        UpdateProgress();
      },
      cancelRequested, workers);
  // Handed to the dialog's thread, where the owner reads them once the dialog has ended.
  CloseDialogWith([this, written = batch->Results(), tally = batch->Counts(), folder = batch->FolderToShow(),
                   refused = batch->Refusal()]() mutable {
    results = std::move(written);
    refusal = std::move(refused);
    counts = tally;
    folderToShow = std::move(folder);
  });
}
