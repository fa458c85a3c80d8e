// The path list a second start hands to the running window: what goes in comes out, and a
// message from another process that breaks the layout in any way is refused whole.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/PathHandover.h"

namespace {

COPYDATASTRUCT Message(const std::vector<wchar_t>& units, ULONG_PTR tag = kPathListTag) {
  return COPYDATASTRUCT{tag, static_cast<DWORD>(units.size() * sizeof(wchar_t)), const_cast<wchar_t*>(units.data())};
}

std::vector<wchar_t> Units(const std::wstring& text) { return std::vector<wchar_t>(text.begin(), text.end()); }

}  // namespace

TEST(PathHandover, PathListComesOutAsItWentInAndBrokenListsAreRefused) {
  const std::vector<std::wstring> sent = {L"C:\\写真\\夕日 1.jpg", L"D:\\photos", L"\\\\server\\share\\a.png"};
  const std::vector<wchar_t> packed = PackPathList(sent);
  std::vector<std::wstring> received;
  ASSERT_TRUE(UnpackPathList(Message(packed), received));
  EXPECT_EQ(received, sent);
  ASSERT_TRUE(UnpackPathList(Message(PackPathList({})), received));
  EXPECT_TRUE(received.empty()) << "no paths is one zero unit";

  const std::wstring tooLong(kMaxPathUnits + 1, L'a');
  const struct {
    const char* what;
    std::vector<wchar_t> units;
  } broken[] = {
      {"no closing zero after the last path", Units(std::wstring(L"a\0b\0", 4))},
      {"ends inside a path", Units(std::wstring(L"a\0b\0", 3))},
      {"an empty path inside", Units(std::wstring(L"a\0\0b\0\0", 6))},
      {"a path longer than any", Units(tooLong + std::wstring(L"\0\0", 2))},
      {"nothing at all", {}},
  };
  for (const auto& message : broken) {
    SCOPED_TRACE(message.what);
    received = {L"left over"};
    EXPECT_FALSE(UnpackPathList(Message(message.units), received));
    EXPECT_TRUE(received.empty());
  }

  COPYDATASTRUCT odd = Message(packed);
  odd.cbData -= 1;
  EXPECT_FALSE(UnpackPathList(odd, received)) << "half a unit";
  EXPECT_FALSE(UnpackPathList(Message(packed, kPathListTag + 1), received)) << "another kind of message";
  COPYDATASTRUCT huge = Message(packed);
  huge.cbData = kMaxPathListBytes + 2;
  EXPECT_FALSE(UnpackPathList(huge, received)) << "larger than any list is refused before it is read";
  COPYDATASTRUCT empty = Message(packed);
  empty.lpData = nullptr;
  EXPECT_FALSE(UnpackPathList(empty, received));
}
