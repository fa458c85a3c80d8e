#include "app/LogFile.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>

LogFile theLog;

namespace {

constexpr int kLineCapacity = 1300;

// Formats the message behind the prefix; a message longer than the room is cut, never
// written past the buffer, and never ends in half a surrogate pair.
void FormatMessageInto(wchar_t* room, const wchar_t* format, va_list args) {
  constexpr size_t kRoom = LogFile::kMaxMessageLength + 1;
  const int length = _vsnwprintf(room, kRoom - 1, format, args);
  room[kRoom - 1] = L'\0';
  if (length < 0 || length >= static_cast<int>(kRoom - 1)) {
    size_t end = kRoom - 1;
    if (IS_HIGH_SURROGATE(room[end - 1])) --end;
    room[end] = L'\0';
  }
}

// Opens the log for appending; when it has grown past maxBytes it is emptied first.
// Returns the open file and its size through sizeOut.
FILE* OpenForAppend(const std::wstring& path, long long maxBytes, long long& sizeOut) {
  FILE* file = _wfopen(path.c_str(), L"ab");
  if (file == nullptr) return nullptr;
  _fseeki64(file, 0, SEEK_END);
  sizeOut = _ftelli64(file);
  if (sizeOut > maxBytes) {
    fclose(file);
    file = _wfopen(path.c_str(), L"wb");
    sizeOut = 0;
  }
  return file;
}

void WriteUnits(FILE* file, const wchar_t* text, size_t count) {
  // wchar_t is UTF-16 and the machine little-endian: the units are the file's bytes.
  fwrite(text, sizeof(wchar_t), count, file);
}

}  // namespace

void LogFile::Write(const wchar_t* format, ...) {
  SYSTEMTIME now{};
  GetLocalTime(&now);

  wchar_t line[kLineCapacity] = {};
  swprintf(line, kLineCapacity, L"%04d/%02d/%02d %02d:%02d:%02d.%03d : ", now.wYear, now.wMonth,
           now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  const size_t prefixLength = wcslen(line);

  va_list args;
  va_start(args, format);
  FormatMessageInto(line + prefixLength, format, args);
  va_end(args);

  long long size = 0;
  FILE* file = OpenForAppend(logPath, maxBytes, size);
  if (file == nullptr) return;
  if (size == 0) {
    static constexpr unsigned char kMark[] = {0xFF, 0xFE};
    fwrite(kMark, 1, sizeof(kMark), file);
  }
  WriteUnits(file, line, wcslen(line));
  WriteUnits(file, L"\r\n", 2);
  fflush(file);
  fclose(file);
}
