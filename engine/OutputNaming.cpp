#include "engine/OutputNaming.h"

#include <string_view>

#include "base/ShellHelpers.h"
#include "engine/FileNamePattern.h"

namespace {

// The type the source's own extension stands for; other extensions are written as JPEG.
OutputType SourceType(const std::wstring& extension) {
  if (EqualIgnoringCase(extension, L".bmp")) return {extension, OutputFormat::Bmp};
  if (EqualIgnoringCase(extension, L".jpg") || EqualIgnoringCase(extension, L".jpeg")) {
    return {extension, OutputFormat::Jpeg};
  }
  if (EqualIgnoringCase(extension, L".png")) return {extension, OutputFormat::Png};
  if (EqualIgnoringCase(extension, L".webp")) return {extension, OutputFormat::Webp};
  if (EqualIgnoringCase(extension, L".avif")) return {extension, OutputFormat::Avif};
  return {L".jpg", OutputFormat::Jpeg};
}

const wchar_t* ExtensionOf(OutputFormat format) {
  switch (format) {
    case OutputFormat::Bmp: return L".bmp";
    case OutputFormat::Png: return L".png";
    case OutputFormat::Webp: return L".webp";
    case OutputFormat::Avif: return L".avif";
    case OutputFormat::Jpeg: break;
  }
  return L".jpg";
}

}  // namespace

OutputType MapOutputType(std::wstring sourcePath, const ConvertSettings& settings) {
  const OutputType type = SourceType(ExtensionPart(sourcePath));
  OutputFormat wanted = OutputFormat::Jpeg;
  // A source already of the wanted type keeps its own spelling of the extension.
  if (!ForcedFormat(settings.OutputImageType, wanted) || type.typeCode == wanted) return type;
  return {ExtensionOf(wanted), wanted};
}

std::wstring FolderBelowRoot(const std::wstring& sourcePath, const std::wstring& root) {
  std::wstring top = root;
  while (!top.empty() && top.back() == L'\\') top.pop_back();
  const std::wstring folder = DirectoryPart(sourcePath);
  if (top.empty() || folder.size() <= top.size() + 1 || folder[top.size()] != L'\\' ||
      !EqualIgnoringCase(folder.substr(0, top.size()), top)) {
    return {};
  }
  return folder.substr(top.size() + 1);
}

std::wstring OutputFolder(std::wstring sourcePath, const ConvertSettings& settings, const std::wstring& root) {
  if (settings.SaveDirTypeIndex == OutputPlace::ChosenFolder) {
    std::wstring chosen = settings.OutputFolder;
    while (!chosen.empty() && chosen.back() == L'\\') chosen.pop_back();
    const std::wstring below = FolderBelowRoot(sourcePath, root);
    return below.empty() ? chosen : chosen + L"\\" + below;
  }
  if (settings.SaveDirTypeIndex == OutputPlace::ReplaceSource) return DirectoryPart(sourcePath);
  std::wstring base;
  if (settings.SaveDirTypeIndex == OutputPlace::Desktop) {
    base = DesktopFolder();
  } else if (settings.SaveDirTypeIndex == OutputPlace::BesideSource) {
    base = DirectoryPart(sourcePath);
  }
  return base + L"\\" + settings.MakeFolder;
}

std::wstring OutputBaseName(std::wstring sourcePath, const ConvertSettings& settings) {
  std::wstring base = WithoutExtension(FileNamePart(sourcePath));
  if (settings.SaveDirTypeIndex == OutputPlace::ReplaceSource || !settings.FileNamePattern.empty()) return base;
  if (settings.CheckAddFileNameTop) base = settings.ValueAddFileNameTop + base;
  if (settings.CheckAddFileNameBottom) base += settings.ValueAddFileNameBottom;
  return base;
}

std::wstring OutputPath(std::wstring folder, std::wstring baseName, std::wstring extension) {
  return folder + L"\\" + baseName + extension;
}

// ---- the output folder's name -----------------------------------------------------------

namespace {

constexpr wchar_t kForbiddenCharacters[] = L"<>:\"|?*";
constexpr wchar_t kFirstPrintable = L' ';

// Device names the platform reserves in every folder, whatever extension follows them.
constexpr const wchar_t* kReservedNames[] = {
    L"CON",  L"PRN",  L"AUX",  L"NUL",  L"COM1", L"COM2", L"COM3", L"COM4", L"COM5",
    L"COM6", L"COM7", L"COM8", L"COM9", L"COM¹", L"COM²", L"COM³", L"LPT1", L"LPT2",
    L"LPT3", L"LPT4", L"LPT5", L"LPT6", L"LPT7", L"LPT8", L"LPT9", L"LPT¹", L"LPT²",
    L"LPT³",
};

bool HasSeparator(const std::wstring& name) {
  return name.find_first_of(L"\\/") != std::wstring::npos;
}

bool IsRelativeName(const std::wstring& name) { return name == L"." || name == L".."; }

bool StartsWithDrive(const std::wstring& name) {
  return name.size() >= 2 && name[1] == L':' &&
         ((name[0] >= L'A' && name[0] <= L'Z') || (name[0] >= L'a' && name[0] <= L'z'));
}

bool IsForbiddenCharacter(wchar_t c) {
  return c < kFirstPrintable || std::wstring_view(kForbiddenCharacters).find(c) != std::wstring_view::npos;
}

bool HasForbiddenCharacter(const std::wstring& name) {
  for (const wchar_t c : name) {
    if (IsForbiddenCharacter(c)) return true;
  }
  return false;
}

bool EndsInDotOrSpace(const std::wstring& name) {
  return !name.empty() && (name.back() == L'.' || name.back() == L' ');
}

// "nul.txt" and "NUL .jpg" name the device as "NUL" does.
bool IsReservedName(const std::wstring& name) {
  std::wstring stem = name.substr(0, name.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  for (const wchar_t* reserved : kReservedNames) {
    if (EqualIgnoringCase(stem, reserved)) return true;
  }
  return false;
}

bool HasText(bool check, const std::wstring& text) { return check && !text.empty(); }

}  // namespace

FolderNameProblem OutputFolderNameProblem(const std::wstring& name) {
  if (HasSeparator(name)) return FolderNameProblem::Separator;
  if (IsRelativeName(name)) return FolderNameProblem::RelativeName;
  if (StartsWithDrive(name)) return FolderNameProblem::DriveLetter;
  if (HasForbiddenCharacter(name)) return FolderNameProblem::ForbiddenCharacter;
  if (EndsInDotOrSpace(name)) return FolderNameProblem::TrailingDotOrSpace;
  if (IsReservedName(name)) return FolderNameProblem::ReservedName;
  if (name.size() > kLongestFolderName) return FolderNameProblem::TooLong;
  return FolderNameProblem::None;
}

const wchar_t* FolderNameProblemText(FolderNameProblem problem) {
  switch (problem) {
    case FolderNameProblem::None: return L"";
    case FolderNameProblem::Separator: return L"「\\」や「/」は使えません";
    case FolderNameProblem::RelativeName: return L"「.」や「..」だけの名前は使えません";
    case FolderNameProblem::DriveLetter: return L"ドライブ名（C: など）は使えません";
    case FolderNameProblem::ForbiddenCharacter: return L"< > : \" | ? * と制御文字は使えません";
    case FolderNameProblem::TrailingDotOrSpace: return L"最後の「.」や空白は使えません";
    case FolderNameProblem::ReservedName: return L"CON、NUL、COM1 などの名前は使えません";
    case FolderNameProblem::TooLong: return L"255文字までにしてください";
  }
  return L"";
}

// ---- outputs that would replace their sources ---------------------------------------------

namespace {

// Every photo keeps its own type: the choice to keep it, or one outside the table, which
// MapOutputType treats the same.
bool KeepsSourceType(const ConvertSettings& settings) {
  OutputFormat forced = OutputFormat::Jpeg;
  return !ForcedFormat(settings.OutputImageType, forced);
}

}  // namespace

bool WouldOverwriteSources(const ConvertSettings& settings) {
  const bool ownNames = settings.FileNamePattern.empty()
                            ? !HasText(settings.CheckAddFileNameTop, settings.ValueAddFileNameTop) &&
                                  !HasText(settings.CheckAddFileNameBottom, settings.ValueAddFileNameBottom)
                            : FileNamePattern_CL(settings.FileNamePattern).IsNameAlone();
  return settings.SaveDirTypeIndex == OutputPlace::BesideSource && settings.MakeFolder.empty() && ownNames &&
         KeepsSourceType(settings);
}

const wchar_t* OverwriteSourcesText() {
  return L"このままでは変換した写真が元の写真に上書きされるため、変換を始めません。"
         L"「作成フォルダ名」を入れるか、ファイル名の前か後ろに文字を追加するか、"
         L"出力形式を変えてください。";
}
