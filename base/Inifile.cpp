#include "base/Inifile.h"

#include <shlwapi.h>

#include <cwchar>

#include "base/AtomicFile.h"
#include "base/CaselessText.h"
#include "base/Owned.h"

Inifile_CL theIniFile;

namespace {

constexpr DWORD kStringCapacity = 4096;
constexpr int kIntTextCapacity = 256;
constexpr int kReplaceAttempts = 5;
constexpr DWORD kReplaceRetryMs = 20;

// A new settings file holds only the UTF-16LE byte-order mark, so that the profile functions
// keep writing UTF-16 text behind it and non-ASCII values survive.
void CreateUtf16File(const std::wstring& path) {
  const KernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  static constexpr BYTE kMark[] = {0xFF, 0xFE};
  DWORD written = 0;
  WriteFile(file.get(), kMark, sizeof(kMark), &written, nullptr);
}

std::wstring Trimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// The section a "[name]" line opens, or nothing for any other line.
bool SectionLine(const std::wstring& line, std::wstring* name) {
  const std::wstring trimmed = Trimmed(line);
  if (trimmed.size() < 2 || trimmed.front() != L'[') return false;
  const size_t close = trimmed.find(L']');
  if (close == std::wstring::npos) return false;
  *name = Trimmed(trimmed.substr(1, close - 1));
  return true;
}

bool KeyLine(const std::wstring& line, const std::wstring& key) {
  const size_t equals = line.find(L'=');
  return equals != std::wstring::npos && SameIgnoringCase(Trimmed(line.substr(0, equals)), key);
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// The file's text: UTF-16LE behind its mark, otherwise the system's code page. A missing file
// is empty; false when it exists and cannot be read.
bool ReadIniText(const std::wstring& path, std::wstring* text) {
  text->clear();
  const KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 16 * 1024 * 1024) return false;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                         read != bytes.size())) {
    return false;
  }
  if (bytes.size() >= 2 && static_cast<BYTE>(bytes[0]) == 0xFF && static_cast<BYTE>(bytes[1]) == 0xFE) {
    text->assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / sizeof(wchar_t));
    return true;
  }
  const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  text->resize(static_cast<size_t>(units));
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text->data(), units);
  return true;
}

// A value as the platform's reader gives it: without the spaces around it and without one
// pair of enclosing quotes.
std::wstring ReaderValue(const std::wstring& raw) {
  std::wstring value = Trimmed(raw);
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

// text without the sections `drop` accepts: each one's "[name]" line and every line up to the
// next section.
std::wstring WithoutSections(const std::wstring& text, const std::function<bool(const std::wstring&)>& drop) {
  std::wstring kept;
  bool dropping = false;
  for (const std::wstring& line : SplitLines(text)) {
    std::wstring name;
    if (SectionLine(line, &name)) dropping = drop(name);
    if (!dropping) kept += line + L"\r\n";
  }
  return kept;
}

}  // namespace

std::wstring StructText(const void* data, UINT size) {
  static constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";
  const BYTE* const bytes = static_cast<const BYTE*>(data);
  std::wstring text;
  text.reserve(static_cast<size_t>(size) * 2 + 2);
  BYTE sum = 0;
  const auto append = [&text](BYTE byte) {
    text.push_back(kHexDigits[byte >> 4]);
    text.push_back(kHexDigits[byte & 0x0F]);
  };
  for (UINT i = 0; i < size; ++i) {
    append(bytes[i]);
    sum = static_cast<BYTE>(sum + bytes[i]);
  }
  append(sum);
  return text;
}

std::wstring IntText(int value) {
  wchar_t text[kIntTextCapacity] = {};
  swprintf(text, kIntTextCapacity, L"%d", value);
  return text;
}

std::vector<IniSection> ParseIniText(const std::wstring& text) {
  std::vector<IniSection> sections;
  for (const std::wstring& line : SplitLines(text)) {
    std::wstring name;
    if (SectionLine(line, &name)) {
      sections.push_back(IniSection{std::move(name), {}});
      continue;
    }
    const size_t equals = line.find(L'=');
    if (sections.empty() || equals == std::wstring::npos) continue;
    sections.back().keys.emplace_back(Trimmed(line.substr(0, equals)), ReaderValue(line.substr(equals + 1)));
  }
  return sections;
}

const std::wstring* IniValue(const IniSection& section, const std::wstring& key) {
  for (const auto& [name, value] : section.keys) {
    if (SameIgnoringCase(name, key)) return &value;
  }
  return nullptr;
}

std::wstring IniSectionsText(const std::vector<IniSection>& sections) {
  std::wstring text;
  for (const IniSection& section : sections) {
    text += L"[" + section.name + L"]\r\n";
    for (const auto& [key, value] : section.keys) text += key + L"=" + value + L"\r\n";
  }
  return text;
}

std::wstring MergeIniEntries(const std::wstring& text, const std::vector<IniEntry>& entries) {
  std::vector<std::wstring> lines = SplitLines(text);
  for (const IniEntry& entry : entries) {
    const std::wstring newLine = entry.key + L"=" + entry.value;
    bool inSection = false;
    size_t sectionEnd = std::wstring::npos;  // the line after the section's last key line
    bool done = false;
    for (size_t i = 0; i < lines.size() && !done; ++i) {
      std::wstring name;
      if (SectionLine(lines[i], &name)) {
        inSection = SameIgnoringCase(name, entry.section);
        if (inSection) sectionEnd = i + 1;
        continue;
      }
      if (!inSection) continue;
      if (KeyLine(lines[i], entry.key)) {
        lines[i] = newLine;
        done = true;
      } else if (!Trimmed(lines[i]).empty()) {
        sectionEnd = i + 1;
      }
    }
    if (done) continue;
    if (sectionEnd != std::wstring::npos) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), newLine);
    } else {
      lines.push_back(L"[" + entry.section + L"]");
      lines.push_back(newLine);
    }
  }
  std::wstring merged;
  for (const std::wstring& line : lines) merged += line + L"\r\n";
  return merged;
}

Inifile_CL::~Inifile_CL() = default;

HRESULT Inifile_CL::WriteAll(const std::vector<IniEntry>& entries) {
  return ReplaceSections({}, entries, {});
}

HRESULT Inifile_CL::ReplaceSections(const std::function<bool(const std::wstring&)>& drop,
                                    const std::vector<IniEntry>& entries, const std::vector<IniSection>& sections) {
  std::wstring text;
  if (!ReadIniText(filePath, &text)) return HRESULT_FROM_WIN32(GetLastError() != 0 ? GetLastError() : ERROR_READ_FAULT);
  if (drop) text = WithoutSections(text, drop);
  const std::wstring merged = MergeIniEntries(text, entries) + IniSectionsText(sections);
  std::string bytes = "\xFF\xFE";
  bytes.append(reinterpret_cast<const char*>(merged.data()), merged.size() * sizeof(wchar_t));
  // A reader that has the file open for a moment (an indexer, a virus scanner, an editor
  // looking in) keeps it from being replaced: the move is tried again a few times.
  HRESULT result = E_FAIL;
  for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
    if (attempt > 0) Sleep(kReplaceRetryMs);
    result = WriteFileAtomically(filePath, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (result != HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) && result != HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)) {
      break;
    }
  }
  if (SUCCEEDED(result)) ++wholeWrites;
  return result;
}

bool Inifile_CL::ReadSections(std::vector<IniSection>& sections) const {
  std::wstring text;
  if (!ReadIniText(filePath, &text)) return false;
  sections = ParseIniText(text);
  return true;
}

void Inifile_CL::SetFileName(std::wstring path) {
  if (!PathFileExistsW(path.c_str())) CreateUtf16File(path);
  filePath = std::move(path);
}

std::wstring Inifile_CL::ReadString(std::wstring section, std::wstring key,
                                    std::wstring defaultValue) const {
  wchar_t buffer[kStringCapacity] = {};
  GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(), buffer,
                           kStringCapacity, filePath.c_str());
  buffer[kStringCapacity - 1] = L'\0';
  return buffer;
}

int Inifile_CL::ReadInt(std::wstring section, std::wstring key, int defaultValue) const {
  return static_cast<int>(
      GetPrivateProfileIntW(section.c_str(), key.c_str(), defaultValue, filePath.c_str()));
}

HRESULT Inifile_CL::WriteString(std::wstring section, std::wstring key, std::wstring value) {
  return WriteAll({IniEntry{std::move(section), std::move(key), std::move(value)}});
}

HRESULT Inifile_CL::WriteInt(std::wstring section, std::wstring key, int value) {
  return WriteString(std::move(section), std::move(key), IntText(value));
}

HRESULT Inifile_CL::WriteStruct(std::wstring section, std::wstring key, const void* data, UINT size) {
  return WriteString(std::move(section), std::move(key), StructText(data, size));
}

bool Inifile_CL::ReadStruct(std::wstring section, std::wstring key, void* buffer,
                            UINT size) const {
  return GetPrivateProfileStructW(section.c_str(), key.c_str(), buffer, size, filePath.c_str()) !=
         FALSE;
}
