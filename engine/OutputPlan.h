#pragma once
// Where every photo of one batch is written, decided before the first photo is: each output
// path follows from OutputNaming, then
//   - two photos whose outputs would get one path (case does not matter: photos of two
//     folders sent to the desktop, "x.png" and "x.jpg" both made JPEG) are told apart: the
//     second gets " (2)" before the extension, the third " (3)", skipping any name already
//     taken in the batch;
//   - an output that would name a photo of the batch, its own or another's, is refused, so
//     no source is ever replaced: by file identity when the output exists, otherwise by the
//     full path without regard to case;
//   - an output folder name that OutputFolderNameProblem refuses refuses every photo (unless
//     the outputs go to a chosen folder, which does not use the name).
// With a file name pattern (engine/FileNamePattern) the names come from it, numbered the same
// way; a pattern that can make no name refuses every photo, and a photo whose own name breaks
// a rule (a folder of its name too long, a path over the limit) is refused alone.
// A file left by an earlier run is no photo of the batch: it is replaced.
// When the outputs replace their photos (OutputPlace::ReplaceSource), each output's path is its photo's own
// (in the photo's spelling) when the type stays; with a new extension, a name another photo of
// the batch, another output or any file on disk has is numbered " (2)", " (3)" instead.
#include <windows.h>

#include <cstddef>
#include <map>
#include <string>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/ConvertSettings.h"
#include "engine/FileNamePattern.h"
#include "engine/OutputNaming.h"
#include "engine/PhotoFailure.h"
#include "engine/PhotoList.h"

// One photo's output.
struct PlannedOutput {
  std::wstring source;  // as given
  std::wstring folder;  // absolute, to be made when missing; empty when refused
  std::wstring path;    // absolute; empty when refused
  OutputType type;
  PhotoFailure refusal = PhotoFailure::None;  // SameAsSource or WriteFailed when refused
};

class OutputPlan_CL {
public:
  // Plans the outputs of `sources`, in their order, with `settings` as they are now; `preset`
  // is the name a pattern's {preset} stands for (empty when the settings are no preset's).
  OutputPlan_CL(const std::vector<std::wstring>& sources, const ConvertSettings& settings,
                const std::wstring& preset = {});
  // The same for gathered photos, each with the root its sub-folders are kept below when the
  // settings choose an output folder, and its rotation (a pattern's {w} and {h}).
  OutputPlan_CL(const std::vector<PhotoItem>& photos, const ConvertSettings& settings,
                const std::wstring& preset = {});

  std::size_t Count() const { return outputs.size(); }
  // The output of the photo at `index` in the list given; index must be below Count().
  const PlannedOutput& At(std::size_t index) const { return outputs[index]; }
  const std::vector<PlannedOutput>& Outputs() const { return outputs; }
  // The folder name's problem when it refused every photo, else None.
  FolderNameProblem FolderProblem() const { return folderProblem; }
  // Why the photo at `index` was refused by its name, in the user's words: the folder name's
  // or the file name pattern's problem; empty when neither refused it.
  const wchar_t* NameRefusalText(std::size_t index) const;
  // Whether the output of the photo at `index` was already there when the plan was made,
  // last written no earlier than the photo: from what planning read, nothing is read again.
  bool OutputWasUpToDate(std::size_t index) const;

  // The highest number tried before a photo with a taken name is given up (refused as
  // WriteFailed); far more photos of one name than any batch holds.
  static constexpr int kLastNumber = 100000;

private:
  // What a file looks like from its attributes: size and last write time. Two paths to one
  // file (a link, a short name) look the same, so only files that look alike are opened to
  // compare their identities.
  using FileLook = std::tuple<ULONGLONG, ULONGLONG>;

  void Plan(const std::vector<std::wstring>& sources, const ConvertSettings& settings);
  void RememberSources(const std::vector<std::wstring>& sources);
  // The looks of the sources found on disk, each with its source's index, read the first time
  // an output path names a file that exists: a batch written into a new folder never reads
  // them here.
  const std::multimap<FileLook, std::size_t>& SourceLooks();
  void PlanOne(std::size_t index, const ConvertSettings& settings);
  // The photo's output path before numbering (absolute), or why it gets none.
  PhotoFailure UnnumberedPath(std::size_t index, const ConvertSettings& settings, std::wstring& path);
  // The pattern's name of the photo at `index` in `folder`, or why it gets none.
  PhotoFailure PatternPath(std::size_t index, const ConvertSettings& settings, const std::wstring& folder,
                           std::wstring& path);
  void NumberCollision(std::size_t index, const std::wstring& wantedPath);
  // Both take absolute paths.
  bool NamesASource(const std::wstring& fullPath);
  bool IsFree(const std::wstring& fullPath);
  static void Refuse(PlannedOutput& output, PhotoFailure reason);

  std::vector<PlannedOutput> outputs;
  std::vector<std::wstring> baseNames;             // each output's name before numbering
  std::vector<std::size_t> collisions;             // photos whose path an earlier one took
  std::vector<std::wstring> wantedPaths;           // case-folded unnumbered path of each collision
  std::vector<std::wstring> sourceList;            // as given
  std::vector<std::wstring> roots;                 // each source's search root; empty: none
  std::vector<int> rotations;                      // each source's rotation, for its size
  std::wstring preset;                             // what {preset} stands for
  FileNamePattern_CL pattern;                      // empty: the prefix and the suffix name the outputs
  PatternProblem patternProblem = PatternProblem::None;  // the pattern's own, refusing every photo
  std::vector<PatternProblem> namePatternProblems;  // each photo's name's, when it refused the photo
  std::unordered_set<std::wstring> sourcePaths;    // case-folded full paths of the sources
  std::multimap<FileLook, std::size_t> sourceLooks;  // the sources found on disk, once read
  std::unordered_map<std::size_t, FileLook> sourceLookAt;  // the same, by source index
  bool sourceLooksRead = false;
  std::unordered_map<std::wstring, FileLook> outputLooks;  // case-folded paths of files found there
  std::unordered_set<std::wstring> takenPaths;     // case-folded output paths given out
  std::unordered_map<std::wstring, int> nextNumber;  // by case-folded unnumbered path
  FolderNameProblem folderProblem = FolderNameProblem::None;
  bool replacing = false;  // the outputs take their photos' places
};

// ---- several outputs of one batch ------------------------------------------------------------

// The full path the output of the photo at `source` (found below `root`) gets under `settings`
// before any numbering; empty when its folder or file name cannot be used. Reads no file.
std::wstring WantedOutputPath(const std::wstring& source, const std::wstring& root, const ConvertSettings& settings);

// Two outputs of one batch that would write one file.
struct OutputClash {
  std::size_t first = 0;  // the outputs' indexes, first < second
  std::size_t second = 0;
  std::wstring path;      // the file both would write; empty when no two outputs meet
};
// The first file that two of the outputs would write, from each output's list of paths (empty
// paths, refused outputs, are passed over); case does not matter. Each output's own paths are
// told apart by its plan (" (2)"), so only paths of different outputs clash.
OutputClash FindOutputClash(const std::vector<std::vector<std::wstring>>& pathsByOutput);
