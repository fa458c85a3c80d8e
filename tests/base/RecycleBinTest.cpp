#include "base/RecycleBin.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "base/Owned.h"
#include "base/PathIdentity.h"
#include "tests/support/RecycleBinFolder.h"
#include "tests/support/TempFolder.h"

namespace {

// A name no earlier run left in the bin.
std::wstring FreshName(const wchar_t* stem) {
  return std::wstring(stem) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount()) +
         L".jpg";
}

}  // namespace

// A file goes to the bin and can be taken back from there; every file the bin cannot take, or
// that must not go, stays where it was with its bytes, and nothing is left beside it.
TEST(RecycleBin, AFileGoesToTheBinOrStaysWhereItWas) {
  const TempFolder folder;
  const std::wstring name = FreshName(L"recycled");
  const std::wstring recycled = folder.File(name);
  ASSERT_TRUE(WriteFileBytes(recycled, "the photo"));
  // A hard link elsewhere is another name of the same photo, which stays.
  const std::wstring otherName = folder.File(L"other-name.jpg");
  ASSERT_TRUE(CreateHardLinkW(otherName.c_str(), recycled.c_str(), nullptr));
  EXPECT_EQ(MoveToRecycleBin(recycled), S_OK);
  EXPECT_FALSE(FileExists(recycled));
  EXPECT_EQ(ReadFileBytes(otherName), "the photo");
  if (!RecycledFilesFolder().empty()) {
    EXPECT_EQ(ReadFileBytes(RecycledFilesFolder() + L"\\" + name), "the photo");
  }

  // Each case makes its file and holds what keeps it from going while the call runs.
  struct Refusal {
    const char* what;
    std::function<std::shared_ptr<void>(const std::wstring& path)> hold;
    HRESULT expected;
  };
  const Refusal refusals[] = {
      {"read-only",
       [](const std::wstring& path) {
         SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
         return std::shared_ptr<void>(nullptr, [path](void*) { SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL); });
       },
       HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
      {"open in another program",
       [](const std::wstring& path) {
         auto open = std::make_shared<KernelHandle>(
             CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
         return std::shared_ptr<void>(open);
       },
       HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)},
      {"no bin on its drive",
       [](const std::wstring&) {
         auto off = std::make_shared<RecycleBinOff>();
         return off->Off() ? std::shared_ptr<void>(off) : nullptr;
       },
       kNoRecycleBin},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.what);
    const std::wstring path = folder.File(FreshName(L"kept"));
    ASSERT_TRUE(WriteFileBytes(path, refusal.what));
    {
      const std::shared_ptr<void> held = refusal.hold(path);
      if (refusal.expected == kNoRecycleBin && !held) continue;  // no bin to switch off here
      EXPECT_EQ(MoveToRecycleBin(path), refusal.expected);
    }
    EXPECT_EQ(ReadFileBytes(path), refusal.what);
  }
  EXPECT_EQ(FilesMatching(folder.File(L"~glimmer-*")), 0) << "no temporary file or second name is left";

  // The shell takes no path of MAX_PATH or more.
  std::wstring deep = folder.Path();
  while (deep.size() < MAX_PATH) {
    deep += L"\\a-folder-name-of-thirty-letters";
    ASSERT_TRUE(CreateDirectoryW(ExtendedLengthPath(deep).c_str(), nullptr));
  }
  const std::wstring deepFile = deep + L"\\photo.jpg";
  ASSERT_TRUE(WriteFileBytes(ExtendedLengthPath(deepFile), "deep"));
  EXPECT_EQ(MoveToRecycleBin(deepFile), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_EQ(ReadFileBytes(ExtendedLengthPath(deepFile)), "deep");
}
