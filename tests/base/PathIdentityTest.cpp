#include "base/PathIdentity.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

TEST(PathIdentity, LongPathsTakeTheExtendedFormOnlyWhenNeeded) {
  EXPECT_EQ(ExtendedLengthPath(L"C:\\short\\a.jpg"), L"C:\\short\\a.jpg");
  const std::wstring longTail(300, L'x');
  EXPECT_EQ(ExtendedLengthPath(L"C:\\" + longTail), L"\\\\?\\C:\\" + longTail);
  EXPECT_EQ(ExtendedLengthPath(L"\\\\server\\share\\" + longTail),
            L"\\\\?\\UNC\\server\\share\\" + longTail);
  EXPECT_EQ(ExtendedLengthPath(L"\\\\?\\C:\\" + longTail), L"\\\\?\\C:\\" + longTail);
}

TEST(PathIdentity, FullPathResolvesRelativePartsOfAnyLength) {
  EXPECT_EQ(FullPathOf(L"C:\\a\\..\\b\\\\c.jpg"), L"C:\\b\\c.jpg");
  EXPECT_EQ(FullPathOf(L"C:/a/b.jpg"), L"C:\\a\\b.jpg");
  const std::wstring longPath = L"C:\\" + std::wstring(400, L'写') + L"\\a.jpg";
  EXPECT_EQ(FullPathOf(longPath), longPath);
  EXPECT_EQ(FullPathOf(L""), L"");
}

TEST(PathIdentity, SameFileWhateverTheSpelling) {
  TempFolder temp;
  const std::wstring file = temp.File(L"画像.jpg");
  ASSERT_TRUE(WriteFileBytes(file, "x"));
  ASSERT_TRUE(WriteFileBytes(temp.File(L"other.jpg"), "y"));
  EXPECT_TRUE(IsSameFile(file, temp.Path() + L"\\\\画像.JPG"));
  EXPECT_TRUE(IsSameFile(file, temp.Path() + L"\\sub\\..\\画像.jpg"));
  EXPECT_FALSE(IsSameFile(file, temp.File(L"other.jpg")));
  EXPECT_TRUE(SameIdentity(IdentityOf(temp.Path()), IdentityOf(temp.Path() + L"\\")));
  // Paths that do not exist (yet) are compared by their absolute form.
  EXPECT_TRUE(IsSameFile(temp.File(L"new.png"), temp.Path() + L"\\.\\NEW.PNG"));
  EXPECT_FALSE(IsSameFile(temp.File(L"new.png"), temp.File(L"new.bmp")));
  EXPECT_FALSE(IsSameFile(file, temp.File(L"missing.jpg")));
}
