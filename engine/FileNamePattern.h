#pragma once
// Output names made from a pattern of text and tokens ("ファイル名の形式", FileNamePattern in the
// settings), which replaces the prefix and the suffix when it is set:
//   {name}    the photo's file name without its extension
//   {preset}  the name of the preset the output is made for; empty when none
//   {w} {h}   the output's width and height in pixels
//   {date}    the date taken (EXIF DateTimeOriginal) as yyyyMMdd, else the file's last write date
//   {time}    the same as HHmmss
//   {n}       the photo's number in the batch, from 1; {n:3} pads it with zeros to 3 digits
//   {folder}  the name of the photo's folder
// Token names are read without regard to case. A "\" in the pattern's own text makes a
// sub-folder of the output folder; every other character that Windows forbids in a name
// (< > : " / | ? * and control characters) becomes "_", in the text and in what a token
// stands for ("\" included there: a folder or preset name never makes a sub-folder). A
// folder's name loses trailing dots and spaces, which Windows would drop.
// The output type's extension follows the name, as without a pattern.
#include <windows.h>

#include <string>
#include <vector>

#include "engine/ConvertSettings.h"
#include "engine/PhotoList.h"

// Why a pattern makes no usable name.
enum class PatternProblem {
  None,
  UnknownToken,   // a "{...}" that is none of the tokens, or a "{" without its "}"
  NumberTooWide,  // "{n:N}" with N outside 1..kWidestNumber
  EmptyName,      // nothing left for the name, or for a folder in it ("a\\b", "\x")
  RelativeName,   // "." or "..": the folder itself or its parent
  ReservedName,   // CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension
  TooLong,        // a name over kLongestFolderName, or the whole path over kLongestPatternPath
};

// The widest zero-padding of {n:N}.
constexpr int kWidestNumber = 9;
// The longest output path a pattern may make, in UTF-16 units: what MAX_PATH leaves after its
// terminating null, the longest path that Explorer and most programs still open.
constexpr size_t kLongestPatternPath = MAX_PATH - 1;

// What the tokens stand for in one output's name.
struct NameFacts {
  std::wstring name;
  std::wstring preset;
  int width = 0;
  int height = 0;
  SYSTEMTIME taken{};  // local time: the date taken, else the file's last write time
  int number = 1;
  std::wstring folder;
};

class FileNamePattern_CL {
public:
  // Reads `text`; an empty text is no pattern (names come from the prefix and the suffix).
  explicit FileNamePattern_CL(const std::wstring& text = {});

  bool Empty() const { return pieces.empty() && problem == PatternProblem::None; }
  // A problem of the text itself: an unknown token or too wide a number.
  PatternProblem Problem() const { return problem; }
  // Whether expanding needs what only the photo's file tells: its size, its date.
  bool UsesSize() const;
  bool UsesDate() const;
  // Whether every name is its photo's own ("{name}" alone).
  bool IsNameAlone() const;
  // The name, relative to the output folder and without extension: sub-folders separated by
  // "\", forbidden characters made "_", trailing dots and spaces gone from the folders.
  std::wstring Expand(const NameFacts& facts) const;

private:
  enum class Token { Text, Name, Preset, Width, Height, Date, Time, Number, Folder };
  struct Piece {
    Token token = Token::Text;
    std::wstring text;  // Text only
    int digits = 0;     // Number only: 0 unpadded
  };
  bool Uses(Token token) const;
  PatternProblem Parse(const std::wstring& text);

  std::vector<Piece> pieces;
  PatternProblem problem = PatternProblem::None;
};

// Why an expanded name (FileNamePattern_CL::Expand) with `extension` makes no usable file in
// `folder`; the path limit is checked only when `folder` is not empty.
PatternProblem ExpandedNameProblem(const std::wstring& folder, const std::wstring& name, const std::wstring& extension);
// Why `text` cannot make a name whatever the photo: its own problem, or that of its name for
// an ordinary photo ("写真.jpg" taken 2026-05-03 12:34:56, 1600 x 1200, number 1, in a folder
// "写真") for the output of `preset`. None for an empty text.
PatternProblem CheckFileNamePattern(const std::wstring& text, const std::wstring& preset = {});
// The problem in the user's words, for the line under the pattern box, the console and the
// results; empty for None.
const wchar_t* PatternProblemText(PatternProblem problem);

// What the tokens of `pattern` stand for in the output of `photo` (at `path`, turned by
// `rotation`) under `settings`, as number `number` of its batch. The size and the date are read
// from the file's header, and only when the pattern uses them; a photo whose header cannot be
// read gets 0 x 0 (it is refused when its pixels are read).
NameFacts NameFactsOf(const FileNamePattern_CL& pattern, const std::wstring& path, int rotation,
                      const ConvertSettings& settings, int number, const std::wstring& preset);

// The name settings.FileNamePattern gives the output of `photo`, number `number` of its batch,
// relative to its output folder and with its extension ("2026\\20260503_IMG_0001.jpg"), as
// the save page shows it; empty with `problem` set when the pattern makes it none. Reads the
// photo's header: never on the user-interface thread.
std::wstring PatternNameOf(const PhotoItem& photo, const ConvertSettings& settings, int number,
                           const std::wstring& preset, PatternProblem& problem);
