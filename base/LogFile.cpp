#include "base/LogFile.h"

#include <windows.h>

#include <cstdarg>
#include <cwchar>

#include "base/Owned.h"

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

KernelHandle OpenLog(const std::wstring& path, DWORD access, DWORD disposition) {
  return KernelHandle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

long long SizeOf(const KernelHandle& file) {
  LARGE_INTEGER size{};
  return GetFileSizeEx(file.get(), &size) ? size.QuadPart : 0;
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

  Append(line);
}

void LogFile::Append(const std::wstring& line) {
  const CriticalSectionLock hold(lock);
  if (keepLines) {
    keptLines.push_back(line);
    return;
  }
  // Appending access: every write lands at the end, whoever else writes to the file.
  KernelHandle file = OpenLog(logPath, FILE_APPEND_DATA | SYNCHRONIZE, OPEN_ALWAYS);
  if (!file) return;
  long long size = SizeOf(file);
  if (size > maxBytes) {
    file.reset();
    file = OpenLog(logPath, GENERIC_WRITE, CREATE_ALWAYS);
    if (!file) return;
    size = 0;
  }

  // The whole entry in one write. wchar_t is UTF-16 and the machine little-endian, so the
  // units are the file's bytes.
  std::wstring entry;
  if (size == 0) entry += L'\xFEFF';
  entry += line;
  entry += L"\r\n";
  DWORD written = 0;
  WriteFile(file.get(), entry.data(), static_cast<DWORD>(entry.size() * sizeof(wchar_t)), &written,
            nullptr);
}

void LogFile::ReplayInto(LogFile& log) {
  std::vector<std::wstring> lines;
  {
    const CriticalSectionLock hold(lock);
    lines.swap(keptLines);
  }
  for (const std::wstring& line : lines) log.Append(line);
}
