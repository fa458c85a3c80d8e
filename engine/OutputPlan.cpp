#include "engine/OutputPlan.h"

#include "base/PathIdentity.h"
#include "base/ShellHelpers.h"

namespace {

// One spelling for every casing of a path, so that paths the platform takes for one file
// meet in a set.
std::wstring CaseFolded(const std::wstring& text) {
  if (text.empty()) return text;
  std::wstring folded(text.size(), L'\0');
  const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.c_str(),
                                   static_cast<int>(text.size()), folded.data(),
                                   static_cast<int>(folded.size()), nullptr, nullptr, 0);
  if (length <= 0) return text;
  folded.resize(static_cast<size_t>(length));
  return folded;
}

// The folder part of an absolute file path; a drive's root keeps its "\" ("C:" alone would
// name the drive's current folder).
std::wstring FolderOf(const std::wstring& fullPath) {
  std::wstring folder = DirectoryPart(fullPath);
  if (!folder.empty() && folder.back() == L':') folder += L'\\';
  return folder;
}

// The look of the file at an absolute path; false when no file is there.
bool LookOf(const std::wstring& fullPath, std::tuple<ULONGLONG, ULONGLONG>& look) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(ExtendedLengthPath(fullPath).c_str(), GetFileExInfoStandard, &data)) return false;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  const auto wide = [](DWORD high, DWORD low) { return (static_cast<ULONGLONG>(high) << 32) | low; };
  look = {wide(data.nFileSizeHigh, data.nFileSizeLow),
          wide(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
  return true;
}

std::wstring Numbered(const std::wstring& baseName, int number) {
  return baseName + L" (" + std::to_wstring(number) + L")";
}

}  // namespace

OutputPlan_CL::OutputPlan_CL(const std::vector<std::wstring>& sources, const ConvertSettings& settings,
                             const std::wstring& preset)
    : preset(preset) {
  Plan(sources, settings);
}

OutputPlan_CL::OutputPlan_CL(const std::vector<PhotoItem>& photos, const ConvertSettings& settings,
                             const std::wstring& preset)
    : preset(preset) {
  std::vector<std::wstring> sources;
  for (const PhotoItem& photo : photos) {
    sources.push_back(photo.path);
    roots.push_back(photo.root);
    rotations.push_back(photo.rotation);
  }
  Plan(sources, settings);
}

void OutputPlan_CL::Plan(const std::vector<std::wstring>& sources, const ConvertSettings& settings) {
  replacing = settings.SaveDirTypeIndex == OutputPlace::ReplaceSource;
  if (settings.SaveDirTypeIndex != OutputPlace::ChosenFolder && !replacing)
    folderProblem = OutputFolderNameProblem(settings.MakeFolder);
  // Photos that replace their own keep their names, whatever the pattern says.
  if (!replacing) pattern = FileNamePattern_CL(settings.FileNamePattern);
  patternProblem = CheckFileNamePattern(pattern.Empty() ? std::wstring() : settings.FileNamePattern, preset);
  roots.resize(sources.size());
  rotations.resize(sources.size());
  namePatternProblems.resize(sources.size());
  RememberSources(sources);
  outputs.resize(sources.size());
  baseNames.resize(sources.size());
  for (std::size_t index = 0; index < sources.size(); ++index) {
    outputs[index].source = sources[index];
    PlanOne(index, settings);
  }
  // Every name a photo gets unnumbered is kept first, so that " (2)" never takes the name
  // a later photo has by right.
  for (std::size_t i = 0; i < collisions.size(); ++i) NumberCollision(collisions[i], wantedPaths[i]);
}

void OutputPlan_CL::RememberSources(const std::vector<std::wstring>& sources) {
  sourceList = sources;
  for (const std::wstring& source : sources) {
    const std::wstring full = FullPathOf(source);
    if (!full.empty()) sourcePaths.insert(CaseFolded(full));
  }
}

const std::multimap<OutputPlan_CL::FileLook, std::size_t>& OutputPlan_CL::SourceLooks() {
  if (sourceLooksRead) return sourceLooks;
  sourceLooksRead = true;
  for (std::size_t index = 0; index < sourceList.size(); ++index) {
    const std::wstring full = FullPathOf(sourceList[index]);
    if (FileLook look; !full.empty() && LookOf(full, look)) {
      sourceLooks.emplace(look, index);
      sourceLookAt.emplace(index, look);
    }
  }
  return sourceLooks;
}

PhotoFailure OutputPlan_CL::UnnumberedPath(std::size_t index, const ConvertSettings& settings, std::wstring& path) {
  const PlannedOutput& output = outputs[index];
  if (folderProblem != FolderNameProblem::None) return PhotoFailure::WriteFailed;
  if (patternProblem != PatternProblem::None) return PhotoFailure::WriteFailed;
  const std::wstring folder = OutputFolder(output.source, settings, roots[index]);
  if (!pattern.Empty()) {
    const PhotoFailure failure = PatternPath(index, settings, folder, path);
    if (failure != PhotoFailure::None) return failure;
    if (NamesASource(path)) return PhotoFailure::SameAsSource;
    return PhotoFailure::None;
  }
  baseNames[index] = OutputBaseName(output.source, settings);
  path = WantedOutputPath(output.source, roots[index], settings);
  if (path.empty()) return PhotoFailure::WriteFailed;
  if (replacing) {
    // Its own place, spelt as the photo is; another's name is numbered instead.
    const std::wstring own = FullPathOf(output.source);
    if (EqualIgnoringCase(path, own)) path = own;
    return PhotoFailure::None;
  }
  if (NamesASource(path)) return PhotoFailure::SameAsSource;
  return PhotoFailure::None;
}

PhotoFailure OutputPlan_CL::PatternPath(std::size_t index, const ConvertSettings& settings, const std::wstring& folder,
                                        std::wstring& path) {
  const PlannedOutput& output = outputs[index];
  const int number = static_cast<int>(index) + 1;
  const NameFacts facts = NameFactsOf(pattern, output.source, rotations[index], settings, number, preset);
  const std::wstring name = pattern.Expand(facts);
  const std::wstring fullFolder = FullPathOf(folder);
  namePatternProblems[index] = ExpandedNameProblem(fullFolder, name, output.type.extension);
  if (namePatternProblems[index] != PatternProblem::None) return PhotoFailure::WriteFailed;
  // Numbered as the file's own name: its sub-folders are the output's folder.
  baseNames[index] = FileNamePart(name);
  path = FullPathOf(OutputPath(fullFolder, name, output.type.extension));
  return path.empty() ? PhotoFailure::WriteFailed : PhotoFailure::None;
}

const wchar_t* OutputPlan_CL::NameRefusalText(std::size_t index) const {
  if (folderProblem != FolderNameProblem::None) return FolderNameProblemText(folderProblem);
  if (patternProblem != PatternProblem::None) return PatternProblemText(patternProblem);
  return index < namePatternProblems.size() ? PatternProblemText(namePatternProblems[index]) : L"";
}

void OutputPlan_CL::PlanOne(std::size_t index, const ConvertSettings& settings) {
  PlannedOutput& output = outputs[index];
  output.type = MapOutputType(output.source, settings);
  std::wstring path;
  const PhotoFailure refusal = UnnumberedPath(index, settings, path);
  if (refusal != PhotoFailure::None) {
    Refuse(output, refusal);
    return;
  }
  output.folder = FolderOf(path);
  const std::wstring key = CaseFolded(path);
  const bool ownPlace = replacing && path == FullPathOf(output.source);
  if (takenPaths.count(key) == 0 && (!replacing || ownPlace || IsFree(path))) {
    takenPaths.insert(key);
    output.path = path;
  } else {
    collisions.push_back(index);
    wantedPaths.push_back(key);
  }
}

void OutputPlan_CL::NumberCollision(std::size_t index, const std::wstring& wantedPath) {
  PlannedOutput& output = outputs[index];
  // The numbers below the last one given for this name are all taken already.
  int& number = nextNumber.try_emplace(wantedPath, 2).first->second;
  for (; number <= kLastNumber; ++number) {
    const std::wstring path =
        FullPathOf(OutputPath(output.folder, Numbered(baseNames[index], number), output.type.extension));
    if (path.empty() || !IsFree(path)) continue;
    takenPaths.insert(CaseFolded(path));
    output.path = path;
    return;
  }
  Refuse(output, PhotoFailure::WriteFailed);
}

bool OutputPlan_CL::NamesASource(const std::wstring& fullPath) {
  if (sourcePaths.count(CaseFolded(fullPath)) != 0) return true;
  FileLook look;
  if (!LookOf(fullPath, look)) return false;  // no file is there
  outputLooks[CaseFolded(fullPath)] = look;
  const auto [first, last] = SourceLooks().equal_range(look);
  if (first == last) return false;
  // Opened only now: a file that looks like a photo of the batch may be that photo.
  const FileIdentity identity = IdentityOf(fullPath);
  for (auto alike = first; alike != last; ++alike) {
    if (SameIdentity(identity, IdentityOf(sourceList[alike->second]))) return true;
  }
  return false;
}

bool OutputPlan_CL::OutputWasUpToDate(std::size_t index) const {
  const PlannedOutput& output = outputs[index];
  if (output.path.empty()) return false;
  const auto found = outputLooks.find(CaseFolded(output.path));
  const auto source = sourceLookAt.find(index);
  if (found == outputLooks.end() || source == sourceLookAt.end()) return false;
  return std::get<1>(found->second) >= std::get<1>(source->second);
}

bool OutputPlan_CL::IsFree(const std::wstring& fullPath) {
  if (takenPaths.count(CaseFolded(fullPath)) != 0 || NamesASource(fullPath)) return false;
  // A photo's new name never takes the place of a file that is there.
  return !replacing || GetFileAttributesW(ExtendedLengthPath(fullPath).c_str()) == INVALID_FILE_ATTRIBUTES;
}

void OutputPlan_CL::Refuse(PlannedOutput& output, PhotoFailure reason) {
  output.refusal = reason;
  output.folder.clear();
  output.path.clear();
}

std::wstring WantedOutputPath(const std::wstring& source, const std::wstring& root, const ConvertSettings& settings) {
  // A pattern's name may need the photo's header (its size, its date taken): known only when
  // the batch plans it, which checks the final names again.
  if (!settings.FileNamePattern.empty() && settings.SaveDirTypeIndex != OutputPlace::ReplaceSource) return {};
  const bool namedFolder =
      settings.SaveDirTypeIndex != OutputPlace::ChosenFolder && settings.SaveDirTypeIndex != OutputPlace::ReplaceSource;
  if (namedFolder && OutputFolderNameProblem(settings.MakeFolder) != FolderNameProblem::None) return {};
  const std::wstring baseName = OutputBaseName(source, settings);
  const std::wstring extension = MapOutputType(source, settings).extension;
  // A prefix or suffix could make the name a path ("..\x"), a stream ("x:y") or a device
  // ("CON"): a file name follows the rules of a folder name.
  if (OutputFolderNameProblem(baseName + extension) != FolderNameProblem::None) return {};
  return FullPathOf(OutputPath(OutputFolder(source, settings, root), baseName, extension));
}

OutputClash FindOutputClash(const std::vector<std::vector<std::wstring>>& pathsByOutput) {
  std::unordered_map<std::wstring, std::size_t> writer;  // case-folded path -> its output
  for (std::size_t output = 0; output < pathsByOutput.size(); ++output) {
    for (const std::wstring& path : pathsByOutput[output]) {
      if (path.empty()) continue;
      const auto [found, added] = writer.try_emplace(CaseFolded(path), output);
      if (!added && found->second != output) return {found->second, output, path};
    }
  }
  return {};
}
