#include "intake/FindPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/TempFolder.h"

namespace {

// Paths of the photos RegisterPath adds to a fresh record.
std::vector<std::wstring> Registered(const std::wstring& path, int times = 1) {
  PhotoList data;
  for (int i = 0; i < times; ++i) RegisterPath(path, data, SkippedFoldersOf({ConvertSettings()}));
  std::vector<std::wstring> paths;
  for (const PhotoItem& item : data.items) {
    EXPECT_EQ(item.rotation, 0);
    EXPECT_EQ(item.ownEffect, 0);
    EXPECT_EQ(item.effect.ValueBriteness, 50);
    paths.push_back(item.path);
  }
  return paths;
}

// The names in a folder, in the order the file system lists them.
std::vector<std::wstring> Listing(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*.*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return names;
}

void MakeFolder(const std::wstring& path) {
  ASSERT_TRUE(CreateDirectoryW(ExtendedLengthPath(path).c_str(), nullptr)) << path.size();
}

void MakeFile(const std::wstring& path) {
  ASSERT_TRUE(WriteFileBytes(ExtendedLengthPath(path), "x")) << path.size();
}

}  // namespace

TEST(FindPicture, FolderIsSearchedDepthFirstInListingOrder) {
  TempFolder temp;
  MakeFile(temp.File(L"a.JPG"));
  MakeFile(temp.File(L"b.txt"));
  MakeFolder(temp.File(L"Sub"));
  MakeFile(temp.File(L"Sub\\c.png"));
  MakeFolder(temp.File(L"Sub\\深い"));
  MakeFile(temp.File(L"Sub\\深い\\写真.gif"));

  std::vector<std::wstring> expected;
  for (const std::wstring& name : Listing(temp.Path())) {
    if (name == L"a.JPG") expected.push_back(temp.File(L"a.JPG"));
    if (name == L"Sub") {
      for (const std::wstring& inner : Listing(temp.File(L"Sub"))) {
        if (inner == L"c.png") expected.push_back(temp.File(L"Sub\\c.png"));
        if (inner == L"深い") expected.push_back(temp.File(L"Sub\\深い\\写真.gif"));
      }
    }
  }
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(Registered(temp.Path()), expected);
  EXPECT_EQ(Registered(temp.Path() + L"\\"), expected);
}

TEST(FindPicture, ExtensionsMatchWithoutRegardToCase) {
  for (const wchar_t* name : {L"a.jpg", L"b.JPEG", L"c.Png", L"d.bmp", L"e.DIB", L"f.gif", L"g.tif",
                              L"photo.TIFF", L"x.y.jpg", L"h.webp", L"i.WebP", L"j.avif", L"k.AVIF",
                              L"IMG_5195.HEIC", L"l.heic", L"m.HEIF", L"n.hif", L"o.HIF"}) {
    EXPECT_TRUE(HasPictureExtension(name)) << name;
  }
  for (const wchar_t* name : {L"photo.jpe", L"photo.heics", L"photo.hei", L"photo.web", L"photo.avi",
                              L"photo", L"jpg", L"photo.jpg.txt", L"photo.jpg ", L"photo.ｊｐｇ"}) {
    EXPECT_FALSE(HasPictureExtension(name)) << name;
  }
  TempFolder temp;
  MakeFile(temp.File(L"photo.TIFF"));
  MakeFile(temp.File(L"photo.jpe"));
  MakeFile(temp.File(L"photo.heics"));
  MakeFile(temp.File(L"nodot"));
  EXPECT_EQ(Registered(temp.Path()), std::vector<std::wstring>{temp.File(L"photo.TIFF")});
}

TEST(FindPicture, WebpAvifAndHeicFilesOfAFolderAreRegistered) {
  TempFolder temp;
  MakeFile(temp.File(L"a.WEBP"));
  MakeFile(temp.File(L"b.heic"));
  MakeFile(temp.File(L"c.avif"));
  MakeFile(temp.File(L"d.HIF"));
  MakeFile(temp.File(L"e.txt"));
  std::vector<std::wstring> expected;
  for (const std::wstring& name : Listing(temp.Path())) {
    if (name != L"e.txt") expected.push_back(temp.File(name));
  }
  ASSERT_EQ(expected.size(), 4u);
  EXPECT_EQ(Registered(temp.Path()), expected);
  EXPECT_EQ(Registered(temp.File(L"c.avif")), std::vector<std::wstring>{temp.File(L"c.avif")});
}

TEST(FindPicture, SingleFileIsAddedAloneAndDuplicatesAreKept) {
  TempFolder temp;
  MakeFile(temp.File(L"a.jpg"));
  MakeFile(temp.File(L"b.jpg"));
  // The file's name is the pattern: a sub-folder of another name is not entered.
  MakeFolder(temp.File(L"x"));
  MakeFile(temp.File(L"x\\a.jpg"));
  EXPECT_EQ(Registered(temp.File(L"a.jpg")), std::vector<std::wstring>{temp.File(L"a.jpg")});
  EXPECT_EQ(Registered(temp.File(L"a.jpg"), 2),
            (std::vector<std::wstring>{temp.File(L"a.jpg"), temp.File(L"a.jpg")}));
  EXPECT_EQ(Registered(temp.Path(), 2).size(), 6u);
}

TEST(FindPicture, MissingOrEmptyPathsAddNothing) {
  TempFolder temp;
  MakeFolder(temp.File(L"empty"));
  EXPECT_TRUE(Registered(temp.File(L"missing.jpg")).empty());
  EXPECT_TRUE(Registered(temp.File(L"missing\\folder")).empty());
  EXPECT_TRUE(Registered(temp.File(L"empty")).empty());
  EXPECT_TRUE(Registered(L"").empty());
}

TEST(FindPicture, RelativePathsAreRegisteredAsFullPaths) {
  TempFolder temp;
  MakeFolder(temp.File(L"相対"));
  MakeFile(temp.File(L"相対\\a.png"));
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(temp.Path().c_str()));
  const std::vector<std::wstring> found = Registered(L"相対");
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(found, std::vector<std::wstring>{temp.File(L"相対\\a.png")});
}

TEST(FindPicture, SubFoldersNamedAsAnyOutputFolderAndEveryChosenFolderArePassedOver) {
  TempFolder temp;
  MakeFile(temp.File(L"a.jpg"));
  MakeFolder(temp.File(L"RESIZED"));
  MakeFile(temp.File(L"RESIZED\\a.jpg"));
  MakeFolder(temp.File(L"Sub"));
  MakeFile(temp.File(L"Sub\\b.jpg"));
  MakeFolder(temp.File(L"Sub\\resized"));
  MakeFile(temp.File(L"Sub\\resized\\b.jpg"));
  MakeFolder(temp.File(L"Sub\\Resized2"));
  MakeFile(temp.File(L"Sub\\Resized2\\c.jpg"));
  const auto found = [](const std::wstring& path, const std::vector<ConvertSettings>& outputs) {
    PhotoList data;
    RegisterPath(path, data, SkippedFoldersOf(outputs));
    std::vector<std::wstring> paths;
    for (const PhotoItem& item : data.items) paths.push_back(item.path);
    std::sort(paths.begin(), paths.end());
    return paths;
  };

  const auto named = [](const std::wstring& name) {
    ConvertSettings settings;
    settings.MakeFolder = name;
    return settings;
  };
  ConvertSettings chosen = named(L"Resized");
  chosen.SaveDirTypeIndex = OutputPlace::ChosenFolder;
  chosen.OutputFolder = temp.File(L"Sub");
  EXPECT_EQ(found(temp.Path(), {named(L"Resized")}),
            (std::vector<std::wstring>{temp.File(L"Sub\\Resized2\\c.jpg"), temp.File(L"Sub\\b.jpg"),
                                       temp.File(L"a.jpg")}));
  EXPECT_EQ(found(temp.File(L"RESIZED"), {named(L"Resized")}), std::vector<std::wstring>{temp.File(L"RESIZED\\a.jpg")})
      << "the folder asked for is searched whatever its name";
  EXPECT_EQ(found(temp.Path(), {named(L"")}).size(), 5u) << "an empty name passes over nothing";
  EXPECT_EQ(found(temp.Path(), {named(L"Resized"), named(L"resized2")}),
            (std::vector<std::wstring>{temp.File(L"Sub\\b.jpg"), temp.File(L"a.jpg")}))
      << "every output's folder name";
  EXPECT_EQ(found(temp.Path(), {named(L""), chosen}), std::vector<std::wstring>{temp.File(L"a.jpg")})
      << "a chosen folder, and the name of an output that goes there";
}

TEST(FindPicture, PathsLongerThanMaxPathAreSearched) {
  TempFolder temp;
  std::wstring folder = temp.Path();
  std::vector<std::wstring> expected;
  for (int level = 0; level < 8; ++level) {
    folder += L"\\" + std::wstring(40, static_cast<wchar_t>(L'あ' + level));
    MakeFolder(folder);
  }
  ASSERT_GE(folder.size(), 300u);
  MakeFile(folder + L"\\深い写真.jpg");
  MakeFile(folder + L"\\" + std::wstring(80, L'長') + L".png");
  for (const std::wstring& name : Listing(ExtendedLengthPath(folder))) {
    expected.push_back(folder + L"\\" + name);
  }
  ASSERT_EQ(expected.size(), 2u);
  EXPECT_EQ(Registered(temp.Path()), expected);
  EXPECT_EQ(Registered(expected[0]), std::vector<std::wstring>{expected[0]});
  EXPECT_EQ(Registered(folder), expected);
}
