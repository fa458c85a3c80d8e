#pragma once
// The one accessor of the settings file (UTF-16LE INI text) over the platform's
// private-profile functions. Nothing is cached: every call goes to the file.
#include <windows.h>

#include <string>

class Inifile_CL {
public:
  Inifile_CL() = default;
  virtual ~Inifile_CL();

  // Remembers path; creates the file holding only the UTF-16LE mark when it is missing.
  void SetFileName(std::wstring path);

  // Up to 4095 characters of the value; defaultValue when the key is missing.
  std::wstring ReadString(std::wstring section, std::wstring key, std::wstring defaultValue) const;
  int ReadInt(std::wstring section, std::wstring key, int defaultValue) const;
  void WriteString(std::wstring section, std::wstring key, std::wstring value) const;
  // Stored as decimal text ("-1", "320").
  void WriteInt(std::wstring section, std::wstring key, int value) const;
  // Raw block as hexadecimal text with a checksum.
  void WriteStruct(std::wstring section, std::wstring key, const void* data, UINT size) const;
  // True when a block of exactly size bytes with a correct checksum was read into buffer.
  bool ReadStruct(std::wstring section, std::wstring key, void* buffer, UINT size) const;

  std::wstring filePath;
};

extern Inifile_CL theIniFile;
