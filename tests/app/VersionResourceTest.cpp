// The version resource of the built Glimmerset.exe, which Explorer's properties page shows:
// it must name the version the update check compares, and its Japanese text must read back.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/ExplorerVerbs.h"
#include "update/UpdateCheck.h"

namespace {

std::wstring ProgramPath() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.find_last_of(L'\\')) + L"\\Glimmerset.exe";
}

std::wstring VersionText(DWORD high, DWORD low) {
  wchar_t text[64] = {};
  std::swprintf(text, 64, L"%u.%u.%u", HIWORD(high), LOWORD(high), HIWORD(low));
  return text;
}

class VersionResourceTest : public ::testing::Test {
protected:
  void SetUp() override {
    const std::wstring exe = ProgramPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource in Glimmerset.exe, which is built beside this test";
    block.resize(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));
  }

  // A value of the string table that the translation table names first.
  std::wstring StringValue(const std::wstring& name) {
    struct Translation {
      WORD language;
      WORD codePage;
    };
    Translation* translation = nullptr;
    UINT bytes = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &bytes) ||
        bytes < sizeof(Translation)) {
      return L"<no translation>";
    }
    wchar_t path[128] = {};
    std::swprintf(path, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language, translation->codePage,
                  name.c_str());
    wchar_t* value = nullptr;
    if (!VerQueryValueW(block.data(), path, reinterpret_cast<void**>(&value), &bytes) || value == nullptr) {
      return L"<missing>";
    }
    return value;
  }

  std::vector<BYTE> block;
};

TEST_F(VersionResourceTest, FixedFileAndProductVersionsAreTheInstalledVersion) {
  VS_FIXEDFILEINFO* info = nullptr;
  UINT bytes = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &bytes));
  ASSERT_GE(bytes, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(info->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(VersionText(info->dwFileVersionMS, info->dwFileVersionLS), kInstalledVersion);
  EXPECT_EQ(VersionText(info->dwProductVersionMS, info->dwProductVersionLS), kInstalledVersion);
  EXPECT_EQ(LOWORD(info->dwFileVersionLS), 0u);
  EXPECT_EQ(info->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(VersionResourceTest, StringsNameTheProductAndReadBackInJapanese) {
  EXPECT_EQ(StringValue(L"FileVersion"), kInstalledVersion);
  EXPECT_EQ(StringValue(L"ProductVersion"), kInstalledVersion);
  EXPECT_EQ(StringValue(L"ProductName"), L"Glimmerset");
  EXPECT_EQ(StringValue(L"OriginalFilename"), L"Glimmerset.exe");
  // The resource script is UTF-8: a wrong code page turns this into other characters.
  EXPECT_EQ(StringValue(L"FileDescription"), L"Glimmerset 写真の一括変換");
  for (const wchar_t* name : {L"CompanyName", L"LegalCopyright"}) {
    const std::wstring value = StringValue(name);
    EXPECT_FALSE(value.empty() || value[0] == L'<') << name;
  }
}

// Explorer shows the right-click entry by the verb keys' MUIVerb, a reference into the
// program's string table that it reads as SHLoadIndirectString does.
TEST(ExplorerVerbText, ReferenceInTheVerbKeysReadsAsTheMenuText) {
  const std::wstring reference = ExplorerVerbText(ProgramPath());
  EXPECT_EQ(reference, L"@" + ProgramPath() + L",-201");
  wchar_t text[256] = {};
  ASSERT_EQ(SHLoadIndirectString(reference.c_str(), text, 256, nullptr), S_OK);
  EXPECT_STREQ(text, L"Glimmersetで変換");
}

}  // namespace

// The program lays out every window for its monitor's DPI, so the system must not stretch it:
// it asks for Per-Monitor-V2, with the older per-monitor setting for systems before it.
TEST(ProgramManifest, AsksForPerMonitorV2WithTheOlderFallback) {
  const HMODULE program = LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr);
  const HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr) << "no manifest";
  const char* text = static_cast<const char*>(LockResource(LoadResource(program, found)));
  const std::string manifest(text, SizeofResource(program, found));
  FreeLibrary(program);
  EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
  EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
}
