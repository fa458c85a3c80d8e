#pragma once
// Where a converted photo goes and under which name: its output type and extension, its
// output folder, its file name, all following from the source path and the save settings.
#include <string>

#include "base/PathIdentity.h"
#include "engine/OutputFormat.h"
#include "engine/ConvertSettings.h"

struct OutputType {
  std::wstring extension;  // with its leading dot, spelt as it will be written
  OutputFormat typeCode = OutputFormat::Jpeg;
};

// The source's own type when it is BMP, JPEG, PNG, WebP or AVIF (keeping the source's spelling
// of the extension), JPEG otherwise (GIF, TIFF, HEIC, ...); then changed by OutputImageType
// (1 all JPEG, 2 all PNG, 3 all BMP, 4 all WebP, 5 all AVIF; other values keep it).
OutputType MapOutputType(std::wstring sourcePath, const ConvertSettings& settings);

// Folder base by SaveDirTypeIndex (the desktop, or the source's folder), then "\" and
// MakeFolder, appended even when MakeFolder is empty. With 2 (the chosen folder) the folder is
// OutputFolder, followed by the source's folder below `root` (the folder its search started
// from, PhotoItem::root): a source outside `root`, or without one, goes to OutputFolder itself.
// With 3 (replacing the photos) it is the source's own folder.
std::wstring OutputFolder(std::wstring sourcePath, const ConvertSettings& settings, const std::wstring& root = {});
// The source's folder below `root`, without leading or trailing ""; empty when the source
// lies directly in root, outside it, or root is empty. Case does not matter.
std::wstring FolderBelowRoot(const std::wstring& sourcePath, const std::wstring& root);

// The source's file name without folder and extension, with the prefix and the suffix
// when they are switched on (never when the outputs replace their photos, nor with a file
// name pattern, whose names OutputPlan_CL makes). The thumbnail list shows this name too.
std::wstring OutputBaseName(std::wstring sourcePath, const ConvertSettings& settings);

// folder + "\" + base name + extension, by plain concatenation. The result may name the
// source itself (empty MakeFolder, no prefix or suffix, type kept): check with
// IsSameFile(output, source) before writing.
std::wstring OutputPath(std::wstring folder, std::wstring baseName, std::wstring extension);

// ---- the output folder's name -----------------------------------------------------------

// What is wrong with an output folder name (MakeFolder), which must be one plain folder
// name inside the base folder, or empty for the base folder itself.
enum class FolderNameProblem {
  None,
  Separator,           // holds "\" or "/": a path, not one name
  RelativeName,        // "." or "..": the base folder itself or its parent
  DriveLetter,         // starts like "C:": a drive, not a folder
  ForbiddenCharacter,  // < > : " | ? * or a control character
  TrailingDotOrSpace,  // the platform would drop them and write elsewhere
  ReservedName,        // CON, PRN, AUX, NUL, COM1-9, LPT1-9, alone or with an extension
  TooLong,             // longer than one name may be
};

// Longest folder name the file systems take, in UTF-16 units.
constexpr size_t kLongestFolderName = 255;

// The first rule, in the order above, that `name` breaks; None for a usable name or "".
FolderNameProblem OutputFolderNameProblem(const std::wstring& name);
// The problem in the user's words, short enough for the line under the folder name box on
// the save page; empty for None.
const wchar_t* FolderNameProblemText(FolderNameProblem problem);

// ---- outputs that would replace their sources ---------------------------------------------

// True when the settings name every photo's output after the photo itself: the folder
// beside the source with an empty name, no prefix, no suffix (each off or empty) or a file
// name pattern of "{name}" alone, and the type kept. A conversion must not start with them.
bool WouldOverwriteSources(const ConvertSettings& settings);
// Why the conversion did not start, and what to change.
const wchar_t* OverwriteSourcesText();
