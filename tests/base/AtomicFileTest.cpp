#include "base/AtomicFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/PathIdentity.h"
#include "tests/support/TempFolder.h"

namespace {

HRESULT Write(const std::wstring& path, const std::string& bytes) {
  return WriteFileAtomically(path, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// Names in folder that the temporary files of WriteFileAtomically would have.
std::vector<std::wstring> TemporaryFilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  const std::wstring query = ExtendedLengthPath(folder + L"\\" + kAtomicTemporaryPrefix + L"*");
  const HANDLE find = FindFirstFileW(query.c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.emplace_back(entry.cFileName);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return names;
}

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

}  // namespace

TEST(AtomicFile, WritesANewFileThenReplacesItAndLeavesNoTemporaryFile) {
  TempFolder temp;
  const std::wstring target = temp.File(L"写真.jpg");
  const std::string first = Pattern(300000);
  ASSERT_EQ(Write(target, first), S_OK);
  EXPECT_TRUE(ReadFileBytes(target) == first);
  EXPECT_EQ(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_TEMPORARY, 0u)
      << "the written file is an ordinary one";

  ASSERT_EQ(Write(target, "second"), S_OK);
  EXPECT_EQ(ReadFileBytes(target), "second");
  ASSERT_EQ(WriteFileAtomically(target, nullptr, 0), S_OK);
  EXPECT_TRUE(FileExists(target));
  EXPECT_EQ(ReadFileBytes(target), "");
  EXPECT_TRUE(TemporaryFilesIn(temp.Path()).empty());
}

TEST(AtomicFile, AFailedWriteLeavesTheOldFileByteForByteAndNoTemporaryFile) {
  TempFolder temp;
  const std::string old = Pattern(4096);

  const std::wstring readOnly = temp.File(L"readonly.jpg");
  ASSERT_TRUE(WriteFileBytes(readOnly, old));
  ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(FAILED(Write(readOnly, "new bytes")));
  EXPECT_TRUE(ReadFileBytes(readOnly) == old) << "the read-only file was changed";

  const std::wstring folder = temp.File(L"folder.jpg");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(folder + L"\\inside.txt", old));
  EXPECT_TRUE(FAILED(Write(folder, "new bytes")));
  EXPECT_NE(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_TRUE(ReadFileBytes(folder + L"\\inside.txt") == old);
  EXPECT_TRUE(TemporaryFilesIn(temp.Path()).empty());

  // Refused only when the move is tried: the temporary file was written by then.
  const std::wstring busy = temp.File(L"busy.jpg");
  ASSERT_TRUE(WriteFileBytes(busy, old));
  const HANDLE holder = CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FAILED(Write(busy, "new bytes")));
  CloseHandle(holder);
  EXPECT_TRUE(ReadFileBytes(busy) == old);
  EXPECT_TRUE(TemporaryFilesIn(temp.Path()).empty());

  EXPECT_TRUE(FAILED(Write(temp.File(L"missing\\a.jpg"), "x"))) << "no folder to write into";
  EXPECT_EQ(Write(temp.Path() + L"\\", "x"), E_INVALIDARG);
  EXPECT_EQ(Write(L"", "x"), E_INVALIDARG);
  EXPECT_EQ(WriteFileAtomically(temp.File(L"a.jpg"), nullptr, 5), E_POINTER);
  EXPECT_FALSE(FileExists(temp.File(L"a.jpg")));
}

TEST(AtomicFile, PathsLongerThanTheClassicLimitAreWritten) {
  TempFolder temp;
  std::vector<std::wstring> nested{temp.Path()};
  while (nested.back().size() < 300) {
    nested.push_back(nested.back() + L"\\長いフォルダ名のフォルダ");
    ASSERT_TRUE(CreateDirectoryW(ExtendedLengthPath(nested.back()).c_str(), nullptr));
  }
  const std::wstring folder = nested.back();
  const std::wstring target = folder + L"\\a.jpg";
  ASSERT_EQ(Write(target, "long"), S_OK);
  EXPECT_EQ(ReadFileBytes(ExtendedLengthPath(target)), "long");
  EXPECT_TRUE(TemporaryFilesIn(folder).empty());
  // The temporary folder's own removal does not reach this deep.
  DeleteFileW(ExtendedLengthPath(target).c_str());
  for (size_t i = nested.size() - 1; i > 0; --i) RemoveDirectoryW(ExtendedLengthPath(nested[i]).c_str());
}
