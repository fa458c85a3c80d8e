#include "intake/FindFile.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace {

// Writes down every hook call as one line.
class RecordingFinder : public FindFile_CL {
public:
  void OnFolder(std::wstring parent, std::wstring name) override {
    calls.push_back(L"enter " + parent + L"|" + name);
  }
  void OnFile(std::wstring folder, const WIN32_FIND_DATAW& entry) override {
    calls.push_back(L"file " + folder + L"|" + entry.cFileName);
  }
  void OnFolderDone() override { calls.push_back(L"done"); }
  std::vector<std::wstring> calls;
};

}  // namespace

TEST(FindFile, HooksBracketEveryFolderAndRecurseSwitchesSubFoldersOff) {
  TempFolder temp;
  ASSERT_TRUE(CreateDirectoryW(temp.File(L"sub").c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(temp.File(L"sub\\b.txt"), "x"));

  RecordingFinder walker;
  walker.Search(temp.File(L"*.*"), 1);
  const std::wstring parent = temp.Path().substr(0, temp.Path().rfind(L'\\'));
  const std::wstring name = temp.Path().substr(parent.size() + 1);
  EXPECT_EQ(walker.calls, (std::vector<std::wstring>{
                              L"enter " + parent + L"|" + name, L"enter " + temp.Path() + L"|sub",
                              L"file " + temp.File(L"sub") + L"|b.txt", L"done", L"done"}));

  RecordingFinder flat;
  flat.Search(temp.File(L"*.*"), 0);
  EXPECT_EQ(flat.calls.size(), 2u);
}

TEST(FindFile, DeepTreesStopAtTheDepthLimit) {
  TempFolder temp;
  std::wstring folder = temp.Path();
  for (size_t depth = 1; depth <= FindFile_CL::kMaxDepth + 1; ++depth) {
    folder += L"\\d";
    ASSERT_TRUE(CreateDirectoryW(ExtendedLengthPath(folder).c_str(), nullptr)) << depth;
    if (depth >= FindFile_CL::kMaxDepth) {
      ASSERT_TRUE(WriteFileBytes(ExtendedLengthPath(folder + L"\\f.txt"), "x"));
    }
  }
  RecordingFinder walker;
  walker.Search(temp.File(L"*.*"), 1);
  size_t files = 0;
  for (const std::wstring& call : walker.calls) files += call.starts_with(L"file ");
  EXPECT_EQ(files, 1u);  // the file at the limit is found, the one below it is not
}

TEST(FindFile, LinkBackToAnAncestorIsNotFollowed) {
  TempFolder temp;
  ASSERT_TRUE(CreateDirectoryW(temp.File(L"sub").c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(temp.File(L"sub\\a.txt"), "x"));
  // Some systems report success without making the link: look for it before relying on it.
  const std::wstring link = temp.File(L"sub\\loop");
  if (!CreateSymbolicLinkW(link.c_str(), temp.Path().c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      !FileExists(link)) {
    GTEST_SKIP() << "this system cannot make a folder link, so the loop guard goes untested";
  }
  RecordingFinder walker;
  walker.Search(temp.File(L"*.*"), 1);
  size_t files = 0;
  for (const std::wstring& call : walker.calls) files += call.starts_with(L"file ");
  EXPECT_EQ(files, 1u);
}
