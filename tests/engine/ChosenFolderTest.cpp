// The folder of "フォルダを指定": which paths may be chosen, what is said before a batch when
// the folder cannot be used, and where a photo's output lands below it.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine/ChosenFolder.h"
#include "engine/OutputNaming.h"
#include "tests/support/TempFolder.h"

namespace {

ConvertSettings ChosenFolderSettings(const std::wstring& folder) {
  ConvertSettings settings;
  settings.SaveDirTypeIndex = OutputPlace::ChosenFolder;
  settings.OutputFolder = folder;
  return settings;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

TEST(ChosenFolder, AnUnusableFolderIsSaidBeforeTheBatchAndAUsableOneIsMadeWithEveryLevel) {
  TempFolder temp;
  std::wstring problem;
  // Paths that name no folder one could make.
  for (const wchar_t* path : {L"", L"小さく", L"\\小さく", L"C:小さく", L"C:\\写真\\CON", L"C:\\写真\\a:b", L"C:\\写真.\\x"}) {
    SCOPED_TRACE(testing::Message() << "path " << testing::PrintToString(std::wstring(path)));
    EXPECT_EQ(PrepareChosenFolder(ChosenFolderSettings(path), problem), E_INVALIDARG);
    EXPECT_EQ(problem.rfind(L"保存先のフォルダ「" + std::wstring(path) + L"」を使えません: ", 0), 0u) << problem.size();
  }
  EXPECT_EQ(ChosenFolderPathProblem(L"\\\\server\\share\\小さく"), ChosenFolderProblem::None);
  EXPECT_EQ(ChosenFolderPathProblem(L"E:\\"), ChosenFolderProblem::None);

  // A drive that is not there, and a file where a level should be: the platform's words.
  for (const std::wstring& path : {std::wstring(L"Q:\\小さく"), temp.File(L"file.txt\\小さく")}) {
    HANDLE file = CreateFileW(temp.File(L"file.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(FAILED(PrepareChosenFolder(ChosenFolderSettings(path), problem))) << path.size();
    EXPECT_GT(problem.size(), (L"保存先のフォルダ「" + path + L"」を使えません: ").size());
  }

  // Three missing levels, and a path longer than MAX_PATH: made, and nothing left in them.
  const std::wstring deep = temp.File(L"a\\b\\c");
  const std::wstring longPath = temp.File(std::wstring(120, L'x') + L"\\" + std::wstring(120, L'y'));
  for (const std::wstring& path : {deep, longPath}) {
    EXPECT_EQ(PrepareChosenFolder(ChosenFolderSettings(path), problem), S_OK) << problem;
    EXPECT_TRUE(IsFolder(path.size() < MAX_PATH ? path : L"\\\\?\\" + path));
  }
  EXPECT_TRUE(RemoveDirectoryW(deep.c_str())) << "the write probe is gone";
  // Settings that choose no folder need nothing.
  ConvertSettings beside;
  EXPECT_EQ(PrepareChosenFolder(beside, problem), S_OK);
  EXPECT_TRUE(problem.empty());
}

// The batch's workers make their photos' folders at the same time; one worker's folder is often
// a level of another's, and a level made by another worker is no failure.
TEST(ChosenFolder, WorkersMakingNestedFoldersAtOnceAllSucceed) {
  TempFolder temp;
  constexpr int kRounds = 40;
  constexpr int kWorkers = 4;
  for (int round = 0; round < kRounds; ++round) {
    std::wstring folder = temp.File(L"r" + std::to_wstring(round));
    std::vector<std::wstring> folders;
    for (int worker = 0; worker < kWorkers; ++worker) folders.push_back(folder += L"\\桜");
    std::atomic<int> ready{0};
    std::vector<HRESULT> made(kWorkers, E_FAIL);
    std::vector<std::thread> workers;
    for (int worker = 0; worker < kWorkers; ++worker) {
      workers.emplace_back([&, worker] {
        ++ready;
        while (ready.load() < kWorkers) std::this_thread::yield();
        made[worker] = MakeFolderTree(folders[worker]);
      });
    }
    for (std::thread& worker : workers) worker.join();
    for (int worker = 0; worker < kWorkers; ++worker) {
      SCOPED_TRACE(testing::Message() << "round " << round << ", depth " << worker + 1);
      EXPECT_EQ(made[worker], S_OK);
      EXPECT_TRUE(IsFolder(folders[worker]));
    }
    if (HasFailure()) break;
  }
}

TEST(ChosenFolder, APhotosFoldersBelowItsRootAreKeptAndOthersGoToTheTop) {
  const ConvertSettings settings = ChosenFolderSettings(L"E:\\小さく\\");
  EXPECT_EQ(OutputFolder(L"D:\\写真\\2024\\春\\a.jpg", settings, L"D:\\写真"), L"E:\\小さく\\2024\\春");
  EXPECT_EQ(OutputFolder(L"D:\\写真\\a.jpg", settings, L"D:\\写真"), L"E:\\小さく");
  EXPECT_EQ(OutputFolder(L"d:\\写真\\2024\\a.jpg", settings, L"D:\\写真\\"), L"E:\\小さく\\2024") << "case";
  EXPECT_EQ(OutputFolder(L"D:\\写真2\\a.jpg", settings, L"D:\\写真"), L"E:\\小さく") << "not below the root";
  EXPECT_EQ(OutputFolder(L"D:\\2024\\a.jpg", settings, L"D:"), L"E:\\小さく\\2024") << "a drive searched whole";
  EXPECT_EQ(OutputFolder(L"D:\\写真\\a.jpg", settings), L"E:\\小さく") << "a photo named as a file";
}
