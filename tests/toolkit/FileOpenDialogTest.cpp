#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/FileOpenDialog.h"

namespace {

// Zero-ended strings followed by an empty one, as the dialog leaves them.
std::wstring Result(const std::vector<std::wstring>& parts) {
  std::wstring buffer;
  for (const auto& part : parts) buffer += part + L'\0';
  return buffer + L'\0';
}

std::vector<std::wstring> Split(const std::wstring& buffer) {
  return SplitOpenFileResult(buffer.c_str(), buffer.size());
}

}  // namespace

TEST(FileOpenResult, OneFileIsAFullPathSeveralAreJoinedToTheirFolder) {
  const auto one = Split(Result({L"C:\\写真\\IMG_0001.JPG"}));
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0], L"C:\\写真\\IMG_0001.JPG");
  const auto three = Split(Result({L"C:\\Photos", L"a.jpg", L"b.png", L"c.bmp"}));
  ASSERT_EQ(three.size(), 3u);
  EXPECT_EQ(three[0], L"C:\\Photos\\a.jpg");
  EXPECT_EQ(three[2], L"C:\\Photos\\c.bmp");
  const auto root = Split(Result({L"D:\\", L"a.jpg", L"b.jpg"}));
  ASSERT_EQ(root.size(), 2u);
  EXPECT_EQ(root[0], L"D:\\a.jpg") << "a drive root already ends with the separator";
}

TEST(FileOpenResult, ManyLongNamesAreAllKeptAndNothingIsReadPastTheBuffer) {
  std::vector<std::wstring> parts{L"\\\\?\\C:\\" + std::wstring(300, L'深')};
  for (int i = 0; i < 2000; ++i) parts.push_back(std::to_wstring(i) + std::wstring(250, L'x') + L".jpg");
  const auto paths = Split(Result(parts));
  ASSERT_EQ(paths.size(), 2000u);
  EXPECT_EQ(paths[1999], parts[0] + L"\\" + parts[2000]);

  // A result cut off without its closing zeros ends at the buffer's end.
  const std::wstring cut(L"C:\\dir\0a.jpg\0b.j", 16);
  const auto partial = SplitOpenFileResult(cut.data(), cut.size());
  ASSERT_EQ(partial.size(), 2u);
  EXPECT_EQ(partial[1], L"C:\\dir\\b.j");
}

TEST(FileOpenResult, EmptyResultGivesNoPaths) {
  EXPECT_TRUE(Split(Result({})).empty());
  FileOpenDialog_CL neverShown;
  EXPECT_TRUE(neverShown.Paths().empty());
}
