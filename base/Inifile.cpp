#include "base/Inifile.h"

#include <shlwapi.h>

#include <cwchar>

#include "base/Owned.h"

Inifile_CL theIniFile;

namespace {

constexpr DWORD kStringCapacity = 4096;
constexpr int kIntTextCapacity = 256;

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

}  // namespace

Inifile_CL::~Inifile_CL() = default;

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

void Inifile_CL::WriteString(std::wstring section, std::wstring key, std::wstring value) const {
  WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), filePath.c_str());
}

void Inifile_CL::WriteInt(std::wstring section, std::wstring key, int value) const {
  wchar_t text[kIntTextCapacity] = {};
  swprintf(text, kIntTextCapacity, L"%d", value);
  WriteString(std::move(section), std::move(key), text);
}

void Inifile_CL::WriteStruct(std::wstring section, std::wstring key, const void* data,
                             UINT size) const {
  WritePrivateProfileStructW(section.c_str(), key.c_str(), const_cast<void*>(data), size,
                             filePath.c_str());
}

bool Inifile_CL::ReadStruct(std::wstring section, std::wstring key, void* buffer,
                            UINT size) const {
  return GetPrivateProfileStructW(section.c_str(), key.c_str(), buffer, size, filePath.c_str()) !=
         FALSE;
}
