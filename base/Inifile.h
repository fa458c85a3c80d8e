#pragma once
// The one accessor of the settings file (UTF-16LE INI text). Reads go through the platform's
// private-profile functions; every write is a whole write of the file (WriteAll). Nothing is
// cached: every call goes to the file.
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

// One key's value for a whole-file write.
struct IniEntry {
  std::wstring section;
  std::wstring key;
  std::wstring value;
};

// One section as the file holds it: its name and its key lines in order, each value as the
// platform's reader gives it (spaces around it and one pair of enclosing quotes taken off).
struct IniSection {
  std::wstring name;
  std::vector<std::pair<std::wstring, std::wstring>> keys;
};

// The sections of an INI text in file order, read in one pass; lines before the first
// section, lines without "=" and a last line cut short without its "]" are passed over.
std::vector<IniSection> ParseIniText(const std::wstring& text);
// The value of a section's key (names compared without case; the first line of it), null when
// the section has no such key.
const std::wstring* IniValue(const IniSection& section, const std::wstring& key);
// The text of sections, "[name]" and "key=value" lines ending in CR LF.
std::wstring IniSectionsText(const std::vector<IniSection>& sections);

// text with each entry's key set to its value: a key already in its section (names compared
// without case) keeps its line's place, a new one goes at the end of its section, a missing
// section at the end of the text. Every other line stays as it was. Lines end in CR LF.
std::wstring MergeIniEntries(const std::wstring& text, const std::vector<IniEntry>& entries);

// A block of bytes as the settings file keeps it: two upper-case hexadecimal digits a byte,
// then the low byte of the bytes' sum, as ReadStruct (the platform's reader) expects.
std::wstring StructText(const void* data, UINT size);
// An integer as the settings file keeps it: decimal text ("-1", "320").
std::wstring IntText(int value);

class Inifile_CL {
public:
  Inifile_CL() = default;
  virtual ~Inifile_CL();

  // Remembers path; creates the file holding only the UTF-16LE mark when it is missing.
  void SetFileName(std::wstring path);

  // Up to 4095 characters of the value; defaultValue when the key is missing.
  std::wstring ReadString(std::wstring section, std::wstring key, std::wstring defaultValue) const;
  int ReadInt(std::wstring section, std::wstring key, int defaultValue) const;
  // One key in a whole write of the file (WriteAll).
  HRESULT WriteString(std::wstring section, std::wstring key, std::wstring value);
  // Stored as decimal text ("-1", "320").
  HRESULT WriteInt(std::wstring section, std::wstring key, int value);
  // Raw block as hexadecimal text with a checksum (StructText).
  HRESULT WriteStruct(std::wstring section, std::wstring key, const void* data, UINT size);
  // True when a block of exactly size bytes with a correct checksum was read into buffer.
  bool ReadStruct(std::wstring section, std::wstring key, void* buffer, UINT size) const;

  // Sets every entry in one whole write of the file (UTF-16LE): read, merged with
  // MergeIniEntries, written to a temporary file and moved over it, so the file on disk is
  // always the old one or the new one. S_OK or the platform's error; the file is then unchanged.
  HRESULT WriteAll(const std::vector<IniEntry>& entries);

  // Every section of the file, read once (ParseIniText). False when the file exists and
  // cannot be read (or is larger than 16 MB); a missing file has none.
  bool ReadSections(std::vector<IniSection>& sections) const;
  // One whole write, like WriteAll: every section whose name `drop` accepts goes (its lines
  // up to the next section), `entries` are merged, and `sections` are appended as they are.
  HRESULT ReplaceSections(const std::function<bool(const std::wstring&)>& drop, const std::vector<IniEntry>& entries,
                          const std::vector<IniSection>& sections);

  std::wstring filePath;
  // Whole writes done by WriteAll, for measurements.
  unsigned wholeWrites = 0;
};

extern Inifile_CL theIniFile;
