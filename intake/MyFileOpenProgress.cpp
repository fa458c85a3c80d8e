#include "intake/MyFileOpenProgress.h"

#include "engine/ChosenFolder.h"
#include "intake/FindPicture.h"

MyFileOpenProgress_CL::MyFileOpenProgress_CL(std::vector<std::wstring> chosenPaths, const ConvertSettings& settings,
                                             PhotoList& target)
    : EasyProgress_CL(L"ファイル登録中", 0),
      paths(std::move(chosenPaths)),
      outputFolderName(settings.MakeFolder),
      chosenFolder(ChosenOutputFolder(settings)),
      target(target) {}

void MyFileOpenProgress_CL::Run() {
  AddToTarget(paths.size());
  for (const std::wstring& path : paths) {
    RegisterPathGuarded(path, outputFolderName, chosenFolder, target);
    CountDone();
  }
  CloseDialog();
}

void RegisterPathGuarded(const std::wstring& path, const std::wstring& outputFolderName,
                         const std::wstring& chosenFolder, PhotoList& target) {
  // A folder walk may take long: it fills a list nobody else sees, and the shared list is
  // locked only for the append.
  PhotoList found;
  RegisterPath(path, found, outputFolderName, chosenFolder);
  if (found.items.empty()) return;
  const CriticalSectionLock lock(target.itemsLock);
  target.items.reserve(target.items.size() + found.items.size());
  for (PhotoItem& item : found.items) target.AddItem(std::move(item));
}
