#include "mainwindow/MyConvertStartProgress.h"

MyConvertStartProgress_CL::MyConvertStartProgress_CL(std::vector<PhotoItem>* photos)
    : EasyProgress_CL(L"ファイル変換中", 1), itemList(photos) {}

MyConvertStartProgress_CL::~MyConvertStartProgress_CL() { JoinWorker(); }

void MyConvertStartProgress_CL::Run(int, int) {
  ConvertBatch_CL batch(itemList ? *itemList : std::vector<PhotoItem>{}, theSaveData);
  AddToTarget(batch.Results().size());
  batch.Run(
      [this](std::size_t done, std::size_t) {
        doneCount = done;
        UpdateProgress();
      },
      cancelRequested, workers);
  results = batch.Results();
  counts = batch.Counts();
  firstOutputFolder = batch.FirstOutputFolder();
  CloseDialog();
}

void MyConvertStartProgress_CL::Finish(int) {}
