#include "engine/FileNamePattern.h"

#include <cwctype>
#include <string_view>

#include "base/PathIdentity.h"
#include "base/ShellHelpers.h"
#include "engine/OutputFileTime.h"
#include "engine/OutputNaming.h"
#include "engine/PhotoResize.h"

namespace {

constexpr wchar_t kFolderSeparator = L'\\';
constexpr wchar_t kStandIn = L'_';
constexpr wchar_t kForbiddenInName[] = L"<>:\"/|?*\\";

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

bool IsForbiddenInName(wchar_t c) {
  return c < L' ' || std::wstring_view(kForbiddenInName).find(c) != std::wstring_view::npos;
}

// `text` with every character Windows forbids in a name made "_" ("\" among them).
std::wstring Sanitized(std::wstring text) {
  for (wchar_t& c : text) {
    if (IsForbiddenInName(c)) c = kStandIn;
  }
  return text;
}

// The pattern's own text: a "\" stays, to make a sub-folder.
std::wstring SanitizedText(std::wstring text) {
  for (wchar_t& c : text) {
    if (c != kFolderSeparator && IsForbiddenInName(c)) c = kStandIn;
  }
  return text;
}

std::wstring Padded(int value, int digits) {
  std::wstring text = std::to_wstring(value);
  if (static_cast<int>(text.size()) < digits) text.insert(0, static_cast<size_t>(digits) - text.size(), L'0');
  return text;
}

std::wstring DateText(const SYSTEMTIME& t) { return Padded(t.wYear, 4) + Padded(t.wMonth, 2) + Padded(t.wDay, 2); }
std::wstring TimeText(const SYSTEMTIME& t) { return Padded(t.wHour, 2) + Padded(t.wMinute, 2) + Padded(t.wSecond, 2); }

std::vector<std::wstring> Segments(const std::wstring& name) {
  std::vector<std::wstring> segments(1);
  for (const wchar_t c : name) {
    if (c == kFolderSeparator) {
      segments.emplace_back();
    } else {
      segments.back() += c;
    }
  }
  return segments;
}

// Windows drops a name's trailing dots and spaces: a folder would be made under another name.
std::wstring WithoutTrailingDotsAndSpaces(std::wstring name) {
  while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
  return name;
}

PatternProblem SegmentProblem(const std::wstring& segment) {
  if (segment.find_first_not_of(L' ') == std::wstring::npos) return PatternProblem::EmptyName;
  if (segment == L"." || segment == L"..") return PatternProblem::RelativeName;
  switch (OutputFolderNameProblem(segment)) {
    case FolderNameProblem::ReservedName: return PatternProblem::ReservedName;
    case FolderNameProblem::TooLong: return PatternProblem::TooLong;
    default: return PatternProblem::None;
  }
}

// Local time of the photo's name: the date taken, else its file's last write time.
SYSTEMTIME TakenOrWritten(const std::string& dateTaken, const std::wstring& path) {
  SYSTEMTIME local{};
  if (!dateTaken.empty() && ExifDateLocal(dateTaken.c_str(), local)) return local;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  SYSTEMTIME universal{};
  if (GetFileAttributesExW(ExtendedLengthPath(FullPathOf(path)).c_str(), GetFileExInfoStandard, &data) &&
      FileTimeToSystemTime(&data.ftLastWriteTime, &universal) &&
      SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
    return local;
  }
  return SYSTEMTIME{};
}

}  // namespace

FileNamePattern_CL::FileNamePattern_CL(const std::wstring& text) { problem = Parse(text); }

PatternProblem FileNamePattern_CL::Parse(const std::wstring& text) {
  constexpr struct {
    const wchar_t* name;
    Token token;
  } kTokens[] = {{L"name", Token::Name}, {L"preset", Token::Preset}, {L"w", Token::Width},
                 {L"h", Token::Height},  {L"date", Token::Date},     {L"time", Token::Time},
                 {L"n", Token::Number},  {L"folder", Token::Folder}};
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find(L'{', at);
    if (open != at) {
      pieces.push_back({Token::Text, text.substr(at, open - at), 0});
      if (open == std::wstring::npos) break;
    }
    const size_t close = text.find(L'}', open);
    if (close == std::wstring::npos) return PatternProblem::UnknownToken;
    const std::wstring inside = Lower(text.substr(open + 1, close - open - 1));
    at = close + 1;
    if (inside.rfind(L"n:", 0) == 0) {
      const std::wstring digits = inside.substr(2);
      if (digits.empty() || digits.find_first_not_of(L"0123456789") != std::wstring::npos)
        return PatternProblem::UnknownToken;
      const int width = digits.size() > 2 ? kWidestNumber + 1 : std::stoi(digits);
      if (width < 1 || width > kWidestNumber) return PatternProblem::NumberTooWide;
      pieces.push_back({Token::Number, {}, width});
      continue;
    }
    bool known = false;
    for (const auto& token : kTokens) {
      if (inside != token.name) continue;
      pieces.push_back({token.token, {}, 0});
      known = true;
    }
    if (!known) return PatternProblem::UnknownToken;
  }
  return PatternProblem::None;
}

bool FileNamePattern_CL::Uses(Token token) const {
  for (const Piece& piece : pieces) {
    if (piece.token == token) return true;
  }
  return false;
}

bool FileNamePattern_CL::UsesSize() const { return Uses(Token::Width) || Uses(Token::Height); }

bool FileNamePattern_CL::UsesDate() const { return Uses(Token::Date) || Uses(Token::Time); }

bool FileNamePattern_CL::IsNameAlone() const { return pieces.size() == 1 && pieces[0].token == Token::Name; }

std::wstring FileNamePattern_CL::Expand(const NameFacts& facts) const {
  std::wstring name;
  for (const Piece& piece : pieces) {
    switch (piece.token) {
      case Token::Text: name += SanitizedText(piece.text); break;
      case Token::Name: name += Sanitized(facts.name); break;
      case Token::Preset: name += Sanitized(facts.preset); break;
      case Token::Width: name += std::to_wstring(facts.width); break;
      case Token::Height: name += std::to_wstring(facts.height); break;
      case Token::Date: name += DateText(facts.taken); break;
      case Token::Time: name += TimeText(facts.taken); break;
      case Token::Number: name += Padded(facts.number, piece.digits); break;
      case Token::Folder: name += Sanitized(facts.folder); break;
    }
  }
  // Each folder loses what Windows would drop; the file's name is followed by its extension.
  std::vector<std::wstring> segments = Segments(name);
  std::wstring result;
  for (size_t i = 0; i < segments.size(); ++i) {
    const bool folder = i + 1 < segments.size();
    const bool relative = segments[i] == L"." || segments[i] == L"..";
    if (i > 0) result += kFolderSeparator;
    result += folder && !relative ? WithoutTrailingDotsAndSpaces(segments[i]) : segments[i];
  }
  return result;
}

PatternProblem ExpandedNameProblem(const std::wstring& folder, const std::wstring& name,
                                   const std::wstring& extension) {
  const std::vector<std::wstring> segments = Segments(name);
  for (size_t i = 0; i < segments.size(); ++i) {
    const bool file = i + 1 == segments.size();
    // The file's own name is checked before its extension: "." + ".jpg" would be a hidden
    // file without a name, "CON" + ".jpg" is the device still.
    const PatternProblem problem = SegmentProblem(segments[i]);
    if (problem != PatternProblem::None) return problem;
    if (file && SegmentProblem(segments[i] + extension) != PatternProblem::None)
      return SegmentProblem(segments[i] + extension);
  }
  if (!folder.empty() && OutputPath(folder, name, extension).size() > kLongestPatternPath)
    return PatternProblem::TooLong;
  return PatternProblem::None;
}

PatternProblem CheckFileNamePattern(const std::wstring& text, const std::wstring& preset) {
  const FileNamePattern_CL pattern(text);
  if (pattern.Problem() != PatternProblem::None || pattern.Empty()) return pattern.Problem();
  NameFacts ordinary;
  ordinary.name = L"写真";
  ordinary.preset = preset;
  ordinary.width = 1600;
  ordinary.height = 1200;
  ordinary.taken = SYSTEMTIME{2026, 5, 0, 3, 12, 34, 56, 0};
  ordinary.number = 1;
  ordinary.folder = L"写真";
  return ExpandedNameProblem({}, pattern.Expand(ordinary), L".jpg");
}

const wchar_t* PatternProblemText(PatternProblem problem) {
  switch (problem) {
    case PatternProblem::None: return L"";
    case PatternProblem::UnknownToken: return L"知らない { } か、閉じていない { があります";
    case PatternProblem::NumberTooWide: return L"{n:N} の桁数は 1～9 にしてください";
    case PatternProblem::EmptyName: return L"ファイル名かフォルダー名が空になります";
    case PatternProblem::RelativeName: return FolderNameProblemText(FolderNameProblem::RelativeName);
    case PatternProblem::ReservedName: return FolderNameProblemText(FolderNameProblem::ReservedName);
    case PatternProblem::TooLong: return L"名前が長すぎます（保存先を含めて259文字まで）";
  }
  return L"";
}

NameFacts NameFactsOf(const FileNamePattern_CL& pattern, const std::wstring& path, int rotation,
                      const ConvertSettings& settings, int number, const std::wstring& preset) {
  NameFacts facts;
  facts.name = WithoutExtension(FileNamePart(path));
  facts.preset = preset;
  facts.number = number;
  const std::wstring full = FullPathOf(path);
  facts.folder = FileNamePart(DirectoryPart(full.empty() ? path : full));
  PhotoHeader header;
  const bool read = (pattern.UsesSize() || pattern.UsesDate()) && ReadPhotoHeader(path, rotation, header);
  if (read && pattern.UsesSize()) {
    const FittedSize size = OutputSize(header.uprightWidth, header.uprightHeight, settings);
    facts.width = size.width;
    facts.height = size.height;
  }
  if (pattern.UsesDate()) facts.taken = TakenOrWritten(header.dateTaken, path);
  return facts;
}

std::wstring PatternNameOf(const PhotoItem& photo, const ConvertSettings& settings, int number,
                           const std::wstring& preset, PatternProblem& problem) {
  const FileNamePattern_CL pattern(settings.FileNamePattern);
  problem = CheckFileNamePattern(settings.FileNamePattern, preset);
  if (problem != PatternProblem::None || pattern.Empty()) return {};
  const std::wstring name = pattern.Expand(NameFactsOf(pattern, photo.path, photo.rotation, settings, number, preset));
  const std::wstring extension = MapOutputType(photo.path, settings).extension;
  problem = ExpandedNameProblem(FullPathOf(OutputFolder(photo.path, settings, photo.root)), name, extension);
  return problem == PatternProblem::None ? name + extension : std::wstring();
}
