#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "engine/SaveData.h"
#include "intake/MyFileOpenProgress.h"
#include "tests/support/ProgressProbe.h"
#include "tests/support/TempFolder.h"

namespace {

// The jobs add to a record of the test's own, as the main window's jobs add to its record.
class FileOpenJob : public ::testing::Test {
protected:

  std::wstring File(const std::wstring& relative) {
    const std::wstring path = temp.File(relative);
    EXPECT_TRUE(WriteFileBytes(path, "not decoded while registering"));
    return path;
  }
  std::wstring Folder(const std::wstring& relative) {
    const std::wstring path = temp.File(relative);
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
  }
  void AddExisting(const std::wstring& path) {
    PhotoItem item;
    item.path = path;
    record.AddItem(item);
  }
  std::vector<std::wstring> ListedPaths() const {
    std::vector<std::wstring> paths;
    for (const PhotoItem& item : record.items) paths.push_back(item.path);
    return paths;
  }

  TempFolder temp;
  SaveData_CL record;
};

}  // namespace

TEST_F(FileOpenJob, FivePathsOfWhichTwoAreNoPicturesAppendThreeAfterTheExistingOnes) {
  AddExisting(L"C:\\earlier\\one.jpg");
  AddExisting(L"C:\\earlier\\two.png");
  record.currentIndex = 1;
  const std::vector<std::wstring> chosen = {File(L"a.jpg"), File(L"notes.txt"), File(L"b.PNG"),
                                            File(L"readme.txt"), File(L"c.bmp")};

  Observed<MyFileOpenProgress_CL> job(chosen, record, record);
  EXPECT_EQ(job.RunObserved(), 0);

  EXPECT_EQ(job.bar.initialPosition, 0);
  EXPECT_EQ(job.bar.positions, (std::vector<int>{400, 800, 1200, 1600, 2000}));
  EXPECT_EQ(ListedPaths(), (std::vector<std::wstring>{L"C:\\earlier\\one.jpg", L"C:\\earlier\\two.png", chosen[0],
                                                      chosen[2], chosen[4]}));
  EXPECT_EQ(record.CurrentItem(), &record.items[1]) << "the current photo is followed to its new place";
  EXPECT_EQ(job.title, L"ファイル登録中");
  EXPECT_EQ(job.cancelAllowed, 0);
}

TEST_F(FileOpenJob, AFolderIsOneStepHoweverManyPicturesItHolds) {
  const std::wstring folder = Folder(L"tree");
  Folder(L"tree\\deeper");
  File(L"tree\\x.jpg");
  File(L"tree\\deeper\\y.gif");
  File(L"tree\\deeper\\z.tiff");
  const std::wstring missing = temp.File(L"no-such-file.jpg");

  Observed<MyFileOpenProgress_CL> job(std::vector<std::wstring>{folder, missing}, record, record);
  EXPECT_EQ(job.RunObserved(), 0);

  EXPECT_EQ(job.bar.positions, (std::vector<int>{1000, 2000}));
  EXPECT_EQ(record.items.size(), 3u);
}

TEST_F(FileOpenJob, TheOutputFolderNameWhenTheJobIsMadeIsPassedOver) {
  const std::wstring previous = record.MakeFolder;
  record.MakeFolder = L"縮小";
  const std::wstring folder = Folder(L"tree");
  Folder(L"tree\\縮小");
  const std::wstring photo = File(L"tree\\x.jpg");
  File(L"tree\\縮小\\x.jpg");

  Observed<MyFileOpenProgress_CL> job(std::vector<std::wstring>{folder}, record, record);
  record.MakeFolder = L"";  // the worker keeps the name it was made with
  EXPECT_EQ(job.RunObserved(), 0);
  record.MakeFolder = previous;
  EXPECT_EQ(ListedPaths(), std::vector<std::wstring>{photo});
}

TEST_F(FileOpenJob, PhotoListStaysPutWhileAPainterHoldsTheGuard) {
  AddExisting(L"C:\\earlier\\one.jpg");
  record.items.shrink_to_fit();  // any append has to move the vector
  const PhotoItem* const storage = record.items.data();
  const std::vector<std::wstring> chosen = {File(L"a.jpg"), File(L"b.jpg")};

  constexpr UINT_PTR painterTimer = 7;
  bool held = false;
  size_t sizeWhileHeld = 0;
  const PhotoItem* storageWhileHeld = nullptr;
  bool workerWaiting = false;
  Observed<MyFileOpenProgress_CL> job(chosen, record, record);
  job.onInit = [&](HWND dialog) {
    record.itemsLock.Enter();  // the strip starts painting before the worker runs
    held = true;
    SetTimer(dialog, painterTimer, 500, nullptr);
  };
  job.onTimer = [&](HWND dialog, WPARAM timer) {
    if (timer != painterTimer) return;
    KillTimer(dialog, painterTimer);
    sizeWhileHeld = record.items.size();
    storageWhileHeld = record.items.data();
    workerWaiting = job.IsRunning() && job.doneCount == 0;
    held = false;
    record.itemsLock.Leave();
  };
  EXPECT_EQ(job.RunObserved(), 0);
  if (held) record.itemsLock.Leave();

  EXPECT_EQ(sizeWhileHeld, 1u);
  EXPECT_EQ(storageWhileHeld, storage);
  EXPECT_TRUE(workerWaiting) << "the worker waited for the guard before appending";
  EXPECT_EQ(record.items.size(), 3u);
  EXPECT_EQ(job.bar.positions, (std::vector<int>{1000, 2000}));
}
