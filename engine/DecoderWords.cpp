#include "engine/DecoderWords.h"

#include <cstdlib>
#include <cstring>
#include <cwctype>

namespace {

// The warnings that leave the picture whole, as the line starts after the reader's name.
constexpr const wchar_t* kWholeWarnings[] = {
    L"Corrupt JPEG data: ",  // only with "extraneous bytes before marker", see IsStrayBytes
    L"Warning: unknown JFIF revision number ",
    L"Unknown Adobe color transform code ",
};
constexpr wchar_t kExifWords[] = L"exif: ";
constexpr wchar_t kJpegReader[] = L"VipsJpeg: ";
constexpr char kReaderCount[] = "read gave ";

bool StartsWith(const std::wstring& text, const wchar_t* start) { return text.rfind(start, 0) == 0; }

// "Corrupt JPEG data: 18 extraneous bytes before marker 0xdb": the only "Corrupt JPEG data"
// that is no damage.
bool IsStrayBytes(const std::wstring& line) {
  const std::wstring rest = line.substr(std::wcslen(kWholeWarnings[0]));
  std::size_t digits = 0;
  while (digits < rest.size() && std::iswdigit(rest[digits])) ++digits;
  return digits > 0 && StartsWith(rest.substr(digits), L" extraneous bytes before marker 0x");
}

bool IsWholeWarning(std::wstring line) {
  if (StartsWith(line, kExifWords)) return true;
  if (!StartsWith(line, kJpegReader)) return false;
  line.erase(0, std::wcslen(kJpegReader));
  if (StartsWith(line, kWholeWarnings[0])) return IsStrayBytes(line);
  for (const wchar_t* warning : kWholeWarnings)
    if (StartsWith(line, warning)) return true;
  return false;
}

std::vector<std::wstring> Lines(const std::wstring& words) {
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  while (start <= words.size()) {
    std::size_t end = words.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) end = words.size();
    std::wstring line = words.substr(start, end - start);
    while (!line.empty() && line.back() == L' ') line.pop_back();
    bool seen = line.empty();
    for (const std::wstring& kept : lines) seen = seen || kept == line;
    if (!seen) lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace

DecoderVerdict JudgeDecoderWords(const std::wstring& words, int warnings) {
  if (warnings > 1) return DecoderVerdict::Damaged;
  for (const std::wstring& line : Lines(words)) {
    if (!IsWholeWarning(line)) return DecoderVerdict::Damaged;
    // A reader's warning without its count: another one may hide behind it.
    if (StartsWith(line, kJpegReader) && warnings != 1) return DecoderVerdict::Damaged;
  }
  return DecoderVerdict::Whole;
}

std::wstring DistinctWords(const std::wstring& words) {
  std::wstring joined;
  for (const std::wstring& line : Lines(words)) joined += (joined.empty() ? L"" : L"; ") + line;
  return joined;
}

int MostReaderWarnings(const std::vector<std::string>& logLines) {
  int most = 0;
  for (const std::string& line : logLines) {
    if (line.rfind(kReaderCount, 0) != 0) continue;
    const int count = std::atoi(line.c_str() + std::strlen(kReaderCount));
    if (count > most) most = count;
  }
  return most;
}

bool IsJpegReaderReport(const char* message) {
  // Its words are the error buffer's, which another photo's alone work may have emptied.
  if (message == nullptr || *message == '\0') return true;
  return std::strncmp(message, kReaderCount, std::strlen(kReaderCount)) == 0 ||
         std::strncmp(message, "VipsJpeg: ", 10) == 0;
}
