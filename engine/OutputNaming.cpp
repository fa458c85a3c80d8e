#include "engine/OutputNaming.h"

#include "base/ShellHelpers.h"

namespace {

constexpr int kSaveOnDesktop = 0;
constexpr int kSaveBesideSource = 1;

constexpr int kAllJpeg = 1;
constexpr int kAllPng = 2;
constexpr int kAllBmp = 3;
constexpr int kAllWebp = 4;

// The type the source's own extension stands for; other extensions are written as JPEG.
OutputType SourceType(const std::wstring& extension) {
  if (EqualIgnoringCase(extension, L".bmp")) return {extension, OutputFormat::Bmp};
  if (EqualIgnoringCase(extension, L".jpg") || EqualIgnoringCase(extension, L".jpeg")) {
    return {extension, OutputFormat::Jpeg};
  }
  if (EqualIgnoringCase(extension, L".png")) return {extension, OutputFormat::Png};
  if (EqualIgnoringCase(extension, L".webp")) return {extension, OutputFormat::Webp};
  return {L".jpg", OutputFormat::Jpeg};
}

OutputType ForcedType(const OutputType& type, OutputFormat wanted, const wchar_t* extension) {
  if (type.typeCode == wanted) return type;
  return {extension, wanted};
}

}  // namespace

OutputType MapOutputType(std::wstring sourcePath, const SaveData_CL& settings) {
  const OutputType type = SourceType(ExtensionPart(sourcePath));
  switch (settings.OutputImageType) {
    case kAllJpeg:
      return ForcedType(type, OutputFormat::Jpeg, L".jpg");
    case kAllPng:
      return ForcedType(type, OutputFormat::Png, L".png");
    case kAllBmp:
      return ForcedType(type, OutputFormat::Bmp, L".bmp");
    case kAllWebp:
      return ForcedType(type, OutputFormat::Webp, L".webp");
    default:
      return type;
  }
}

std::wstring OutputFolder(std::wstring sourcePath, const SaveData_CL& settings) {
  std::wstring base;
  if (settings.SaveDirTypeIndex == kSaveOnDesktop) {
    base = DesktopFolder();
  } else if (settings.SaveDirTypeIndex == kSaveBesideSource) {
    base = DirectoryPart(sourcePath);
  }
  return base + L"\\" + settings.MakeFolder;
}

std::wstring OutputBaseName(std::wstring sourcePath, const SaveData_CL& settings) {
  std::wstring base = WithoutExtension(FileNamePart(sourcePath));
  if (settings.CheckAddFileNameTop != 0) base = settings.ValueAddFileNameTop + base;
  if (settings.CheckAddFileNameBottom != 0) base += settings.ValueAddFileNameBottom;
  return base;
}

std::wstring OutputPath(std::wstring folder, std::wstring baseName, std::wstring extension) {
  return folder + L"\\" + baseName + extension;
}
