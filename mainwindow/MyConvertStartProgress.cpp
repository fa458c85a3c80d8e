#include "mainwindow/MyConvertStartProgress.h"

namespace {

std::unique_ptr<ConvertBatch_CL> SnapshotOf(const SaveData_CL& record) {
  const CriticalSectionLock lock(record.itemsLock);
  return std::make_unique<ConvertBatch_CL>(record.items, record, theLog);
}

}  // namespace

MyConvertStartProgress_CL::MyConvertStartProgress_CL(const SaveData_CL& record)
    : EasyProgress_CL(L"ファイル変換中", 1), batch(SnapshotOf(record)) {}

void MyConvertStartProgress_CL::Run() {
  AddToTarget(batch->Results().size());
  batch->Run(
      [this](std::size_t done, std::size_t) {
        doneCount = done;
        UpdateProgress();
      },
      cancelRequested, workers);
  // Handed to the dialog's thread, where the owner reads them once the dialog has ended.
  CloseDialogWith([this, written = batch->Results(), tally = batch->Counts(), folder = batch->FolderToShow()]() mutable {
    results = std::move(written);
    counts = tally;
    folderToShow = std::move(folder);
  });
}
