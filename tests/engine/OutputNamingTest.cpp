#include "engine/OutputNaming.h"

#include <gtest/gtest.h>

#include "base/ShellHelpers.h"
#include "tests/support/TempFolder.h"

namespace {

struct TypeCase {
  const wchar_t* source;
  int outputImageType;
  const wchar_t* extension;
  OutputFormat typeCode;
};

void ExpectTypes(const TypeCase* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    ConvertSettings settings;
    settings.OutputImageType = static_cast<OutputTypeChoice>(cases[i].outputImageType);
    const OutputType type = MapOutputType(cases[i].source, settings);
    EXPECT_EQ(type.extension, cases[i].extension) << cases[i].source << " / " << cases[i].outputImageType;
    EXPECT_EQ(type.typeCode, cases[i].typeCode) << cases[i].source << " / " << cases[i].outputImageType;
  }
}

std::wstring FullOutputPath(const std::wstring& source, const ConvertSettings& settings) {
  return OutputPath(OutputFolder(source, settings), OutputBaseName(source, settings),
                    MapOutputType(source, settings).extension);
}

}  // namespace

TEST(OutputNaming, KeepsSourceSpellingOfKnownExtension) {
  const TypeCase cases[] = {
      {L"C:\\Photos\\IMG_0001.JPG", 0, L".JPG", OutputFormat::Jpeg},
      {L"C:\\Photos\\a.jpeg", 0, L".jpeg", OutputFormat::Jpeg},
      {L"C:\\Photos\\a.Png", 0, L".Png", OutputFormat::Png},
      {L"C:\\Photos\\a.BMP", 3, L".BMP", OutputFormat::Bmp},
      {L"C:\\Photos\\a.JPEG", 1, L".JPEG", OutputFormat::Jpeg},
      {L"C:\\Photos\\a.PNG", 2, L".PNG", OutputFormat::Png},
      {L"C:\\Photos\\a.webp", 0, L".webp", OutputFormat::Webp},
      {L"C:\\Photos\\a.WebP", 0, L".WebP", OutputFormat::Webp},
      {L"C:\\Photos\\a.WEBP", 4, L".WEBP", OutputFormat::Webp},
      {L"C:\\Photos\\phone.avif", 0, L".avif", OutputFormat::Avif},
      {L"C:\\Photos\\phone.AVIF", 5, L".AVIF", OutputFormat::Avif},
  };
  ExpectTypes(cases, std::size(cases));
}

TEST(OutputNaming, WritesOtherSourcesAsJpegUnlessATypeIsForced) {
  const TypeCase cases[] = {
      {L"C:\\Photos\\scan.tif", 0, L".jpg", OutputFormat::Jpeg},
      {L"C:\\Photos\\scan.tif", 2, L".png", OutputFormat::Png},
      {L"C:\\Photos\\anim.GIF", 3, L".bmp", OutputFormat::Bmp},
      {L"C:\\Photos\\old.dib", 1, L".jpg", OutputFormat::Jpeg},
      {L"C:\\Photos\\noextension", 0, L".jpg", OutputFormat::Jpeg},
      {L"C:\\Photos\\a.BMP", 1, L".jpg", OutputFormat::Jpeg},
      {L"C:\\Photos\\a.jpg", 3, L".bmp", OutputFormat::Bmp},
      {L"C:\\Photos\\a.png", 1, L".jpg", OutputFormat::Jpeg},
      {L"C:\\Photos\\phone.AVIF", 2, L".png", OutputFormat::Png},
      // No HEIC encoder: a kept HEIC or HEIF type is written as JPEG.
      {L"C:\\Photos\\IMG_5195.HEIC", 0, L".jpg", OutputFormat::Jpeg},
      {L"C:\\Photos\\phone.heif", 0, L".jpg", OutputFormat::Jpeg},
      {L"C:\\Photos\\camera.HIF", 0, L".jpg", OutputFormat::Jpeg},
      {L"C:\\Photos\\IMG_5195.HEIC", 2, L".png", OutputFormat::Png},
      {L"C:\\Photos\\a.webp", 1, L".jpg", OutputFormat::Jpeg},
      {L"C:\\Photos\\a.webp", 3, L".bmp", OutputFormat::Bmp},
      // All WebP: every source, whatever its type, gets the one extension.
      {L"C:\\Photos\\a.png", 4, L".webp", OutputFormat::Webp},
      {L"C:\\Photos\\IMG_0001.JPG", 4, L".webp", OutputFormat::Webp},
      {L"C:\\Photos\\phone.avif", 4, L".webp", OutputFormat::Webp},
      {L"C:\\Photos\\noextension", 4, L".webp", OutputFormat::Webp},
      // All AVIF: a HEIC as well.
      {L"C:\\Photos\\IMG_5195.HEIC", 5, L".avif", OutputFormat::Avif},
      {L"C:\\Photos\\a.webp", 5, L".avif", OutputFormat::Avif},
      // Values outside the choices (a hand-edited settings file) keep the source's type.
      {L"C:\\Photos\\a.png", 6, L".png", OutputFormat::Png},
      {L"C:\\Photos\\a.webp", 6, L".webp", OutputFormat::Webp},
      {L"C:\\Photos\\a.BMP", -1, L".BMP", OutputFormat::Bmp},
  };
  ExpectTypes(cases, std::size(cases));
}

TEST(OutputNaming, DefaultsPutTheOutputInResizedBesideTheSource) {
  const ConvertSettings settings;
  const std::wstring source = L"C:\\Photos\\IMG_0001.JPG";
  EXPECT_EQ(OutputFolder(source, settings), L"C:\\Photos\\Resized");
  EXPECT_EQ(OutputBaseName(source, settings), L"IMG_0001");
  EXPECT_EQ(FullOutputPath(source, settings), L"C:\\Photos\\Resized\\IMG_0001.JPG");
}

TEST(OutputNaming, AddsPrefixAndSuffixOnlyWhenSwitchedOn) {
  ConvertSettings settings;
  const std::wstring source = L"C:\\Photos\\IMG_0001.JPG";
  settings.CheckAddFileNameTop = true;
  EXPECT_EQ(OutputBaseName(source, settings), L"s_IMG_0001");
  settings.CheckAddFileNameBottom = true;
  EXPECT_EQ(FullOutputPath(source, settings), L"C:\\Photos\\Resized\\s_IMG_0001_s.JPG");
  settings.CheckAddFileNameTop = false;
  settings.ValueAddFileNameBottom = L"_縮小";
  EXPECT_EQ(OutputBaseName(L"D:\\旅行\\富士山.jpeg", settings), L"富士山_縮小");
  // A file name pattern replaces both; without one they are back as they were.
  settings.FileNamePattern = L"{date}_{name}";
  EXPECT_EQ(OutputBaseName(L"D:\\旅行\\富士山.jpeg", settings), L"富士山");
  settings.FileNamePattern.clear();
  EXPECT_EQ(OutputBaseName(L"D:\\旅行\\富士山.jpeg", settings), L"富士山_縮小");
}

TEST(OutputNaming, FolderBaseFollowsTheSaveChoice) {
  ConvertSettings settings;
  settings.SaveDirTypeIndex = OutputPlace::Desktop;
  const std::wstring onDesktop = DesktopFolder() + L"\\Resized";
  EXPECT_EQ(OutputFolder(L"C:\\Photos\\a.jpg", settings), onDesktop);
  // Two sources with one name from different folders end as one file on the desktop.
  EXPECT_EQ(FullOutputPath(L"C:\\One\\a.jpg", settings), FullOutputPath(L"D:\\Two\\a.jpg", settings));

  // Replacing the photos: each output has its photo's folder and name, whatever the texts say.
  settings.SaveDirTypeIndex = OutputPlace::ReplaceSource;
  settings.CheckAddFileNameTop = true;
  EXPECT_EQ(FullOutputPath(L"C:\\Photos\\a.jpg", settings), L"C:\\Photos\\a.jpg");
  settings.CheckAddFileNameTop = false;

  // An unknown choice leaves the base empty: a folder at the root of the current drive.
  settings.SaveDirTypeIndex = static_cast<OutputPlace>(4);
  EXPECT_EQ(OutputFolder(L"C:\\Photos\\a.jpg", settings), L"\\Resized");
  settings.MakeFolder = L"";
  settings.SaveDirTypeIndex = OutputPlace::BesideSource;
  EXPECT_EQ(OutputFolder(L"C:\\Photos\\a.jpg", settings), L"C:\\Photos\\");
}

TEST(OutputNaming, DotInFolderNameIsTakenForTheExtension) {
  const ConvertSettings settings;
  const std::wstring source = L"C:\\a.b\\photo";
  EXPECT_EQ(MapOutputType(source, settings).extension, L".jpg");
  EXPECT_EQ(OutputBaseName(source, settings), L"photo");
  EXPECT_EQ(FullOutputPath(source, settings), L"C:\\a.b\\Resized\\photo.jpg");
}

TEST(OutputNaming, OutputNamingItsOwnSourceIsDetected) {
  TempFolder temp;
  const std::wstring source = temp.File(L"写真 01.JPG");
  ASSERT_TRUE(WriteFileBytes(source, "not really a photo"));
  ConvertSettings settings;
  settings.MakeFolder = L"";
  const std::wstring output = FullOutputPath(source, settings);
  EXPECT_EQ(output, temp.Path() + L"\\\\写真 01.JPG");
  EXPECT_TRUE(IsSameFile(output, source));

  settings.MakeFolder = L"縮小";
  const std::wstring beside = FullOutputPath(source, settings);
  ASSERT_TRUE(CreateDirectoryW(OutputFolder(source, settings).c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(beside, "output"));
  EXPECT_EQ(beside, temp.Path() + L"\\縮小\\写真 01.JPG");
  EXPECT_FALSE(IsSameFile(beside, source));
}

TEST(OutputFolderName, OnePlainNameOrNothingIsUsable) {
  for (const wchar_t* name : {L"", L"Resized", L"縮小 写真", L"2024.06.01", L".hidden", L"a..b", L"CONSOLE",
                              L"COM10", L"LPT0", L"nul_", L"[out] #1 & (2)"}) {
    EXPECT_EQ(OutputFolderNameProblem(name), FolderNameProblem::None) << testing::PrintToString(std::wstring(name));
  }
  EXPECT_EQ(OutputFolderNameProblem(std::wstring(kLongestFolderName, L'写')), FolderNameProblem::None);
}

TEST(OutputFolderName, EachBrokenRuleIsNamed) {
  const struct {
    const wchar_t* name;
    FolderNameProblem problem;
  } cases[] = {
      {L"a\\b", FolderNameProblem::Separator},
      {L"..\\up", FolderNameProblem::Separator},
      {L"a/b", FolderNameProblem::Separator},
      {L"\\\\server\\share", FolderNameProblem::Separator},
      {L".", FolderNameProblem::RelativeName},
      {L"..", FolderNameProblem::RelativeName},
      {L"C:", FolderNameProblem::DriveLetter},
      {L"d:out", FolderNameProblem::DriveLetter},
      {L"photo:stream", FolderNameProblem::ForbiddenCharacter},
      {L"出力:*", FolderNameProblem::ForbiddenCharacter},
      {L"<x>", FolderNameProblem::ForbiddenCharacter},
      {L"say \"hi\"", FolderNameProblem::ForbiddenCharacter},
      {L"a|b", FolderNameProblem::ForbiddenCharacter},
      {L"why?", FolderNameProblem::ForbiddenCharacter},
      {L"tab\there", FolderNameProblem::ForbiddenCharacter},
      {L"end.", FolderNameProblem::TrailingDotOrSpace},
      {L"end ", FolderNameProblem::TrailingDotOrSpace},
      {L"...", FolderNameProblem::TrailingDotOrSpace},
      {L"CON", FolderNameProblem::ReservedName},
      {L"prn", FolderNameProblem::ReservedName},
      {L"Aux.jpg", FolderNameProblem::ReservedName},
      {L"NUL .txt", FolderNameProblem::ReservedName},
      {L"com1", FolderNameProblem::ReservedName},
      {L"COM9", FolderNameProblem::ReservedName},
      {L"LPT5", FolderNameProblem::ReservedName},
      {L"COM¹", FolderNameProblem::ReservedName},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OutputFolderNameProblem(c.name), c.problem) << testing::PrintToString(std::wstring(c.name));
  }
  EXPECT_EQ(OutputFolderNameProblem(std::wstring(kLongestFolderName + 1, L'a')), FolderNameProblem::TooLong);
  EXPECT_EQ(OutputFolderNameProblem(std::wstring(1, L'\0')), FolderNameProblem::ForbiddenCharacter);

}

TEST(OutputNaming, SettingsThatNameEveryOutputAfterItsSourceAreRecognised) {
  ConvertSettings settings;
  settings.MakeFolder = L"";
  EXPECT_TRUE(WouldOverwriteSources(settings));
  settings.CheckAddFileNameTop = true;
  settings.ValueAddFileNameTop = L"";
  settings.ValueAddFileNameBottom = L"_s";  // switched off
  EXPECT_TRUE(WouldOverwriteSources(settings)) << "a prefix switched on but empty adds nothing";
  settings.OutputImageType = static_cast<OutputTypeChoice>(9);
  EXPECT_TRUE(WouldOverwriteSources(settings)) << "an unknown output type keeps the type";

  const auto changed = [&](auto change) {
    ConvertSettings copy = settings;
    change(copy);
    return WouldOverwriteSources(copy);
  };
  EXPECT_FALSE(changed([](ConvertSettings& s) { s.MakeFolder = L"out"; }));
  EXPECT_FALSE(changed([](ConvertSettings& s) { s.ValueAddFileNameTop = L"s_"; }));
  EXPECT_FALSE(changed([](ConvertSettings& s) { s.CheckAddFileNameBottom = true; }));
  EXPECT_FALSE(changed([](ConvertSettings& s) { s.OutputImageType = kAllPng; }));
  EXPECT_FALSE(changed([](ConvertSettings& s) { s.SaveDirTypeIndex = OutputPlace::Desktop; })) << "outputs on the desktop";
  EXPECT_FALSE(changed([](ConvertSettings& s) { s.FileNamePattern = L"{date}_{name}"; }));
  EXPECT_TRUE(changed([](ConvertSettings& s) { s.FileNamePattern = L"{name}"; })) << "a pattern of the name alone";
  EXPECT_FALSE(WouldOverwriteSources(ConvertSettings()));

  const std::wstring text = OverwriteSourcesText();
  EXPECT_NE(text.find(L"作成フォルダ名"), std::wstring::npos);
  EXPECT_NE(text.find(L"出力形式"), std::wstring::npos);
}
