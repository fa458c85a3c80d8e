#include "mainwindow/MyConvertStartProgress.h"

#include "base/LogFile.h"
#include "engine/OutputNaming.h"
#include "base/PathIdentity.h"
#include "engine/PhotoEncoder.h"
#include "engine/PhotoResize.h"
#include "engine/VipsBitmap.h"

namespace {

// The form of a path the platform calls accept at any length.
std::wstring PlatformPath(const std::wstring& path) {
  const std::wstring full = FullPathOf(path);
  return full.empty() ? path : ExtendedLengthPath(full);
}

}  // namespace

MyConvertStartProgress_CL::MyConvertStartProgress_CL(std::vector<PhotoItem>* photos)
    : EasyProgress_CL(L"ファイル変換中", 0), itemList(photos) {}

MyConvertStartProgress_CL::~MyConvertStartProgress_CL() { JoinWorker(); }

void MyConvertStartProgress_CL::Run(int, int) {
  const std::size_t count = itemList ? itemList->size() : 0;
  AddToTarget(count);
  for (std::size_t i = 0; i < count; ++i) {
    ConvertPhoto((*itemList)[i]);
    CountDone();
  }
  CloseDialog();
}

void MyConvertStartProgress_CL::Finish(int) {}

void MyConvertStartProgress_CL::ConvertPhoto(const PhotoItem& photo) {
  const OutputType type = MapOutputType(photo.path, theSaveData);
  const std::wstring folder = OutputFolder(photo.path, theSaveData);
  const std::wstring name = OutputBaseName(photo.path, theSaveData);
  CreateDirectoryW(PlatformPath(folder).c_str(), nullptr);
  if (firstOutputFolder.empty()) firstOutputFolder = folder;

  const std::wstring output = OutputPath(folder, name, type.extension);
  if (IsSameFile(output, photo.path)) {
    // Empty folder name, no prefix or suffix and the type kept: writing would destroy the
    // photo before (or while) it is read.
    theLog.Write(L"変換しません（出力先が元の写真と同じファイルです）: %s", photo.path.c_str());
    return;
  }

  const PreparedPhoto prepared = PreparePhoto(photo, theSaveData);
  if (!prepared.picture) {
    theLog.Write(L"%s: %s: %s", FailureText(prepared.failure), photo.path.c_str(), prepared.detail.c_str());
    return;
  }
  const GpBitmapPtr picture = ToGdiplusBitmap(prepared.picture.get());
  if (!picture) return;
  SavePhoto(picture.get(), PlatformPath(output), type.typeCode, theSaveData);
}
