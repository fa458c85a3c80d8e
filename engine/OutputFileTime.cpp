#include "engine/OutputFileTime.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kDateTakenField = "exif-ifd2-DateTimeOriginal";

bool DateTaken(VipsImage* picture, FILETIME& utc) {
  const std::string text = DateTakenText(picture);
  return !text.empty() && ExifDateTaken(text.c_str(), utc);
}

bool ModificationTime(const std::wstring& path, FILETIME& time) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  time = data.ftLastWriteTime;
  return true;
}

}  // namespace

std::string DateTakenText(VipsImage* picture) {
  const char* text = nullptr;
  if (picture == nullptr || vips_image_get_typeof(picture, kDateTakenField) == 0 ||
      vips_image_get_string(picture, kDateTakenField, &text) != 0 || text == nullptr)
    return {};
  return text;
}

bool ExifDateLocal(const char* text, SYSTEMTIME& local) {
  // Cameras that know no date write blanks or zeros: those are no date.
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (text == nullptr || std::strlen(text) < 19 ||
      std::sscanf(text, "%4d:%2d:%2d %2d:%2d:%2d", &year, &month, &day, &hour, &minute, &second) != 6)
    return false;
  if (year < 1601 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
    return false;
  local = SYSTEMTIME{};
  local.wYear = static_cast<WORD>(year);
  local.wMonth = static_cast<WORD>(month);
  local.wDay = static_cast<WORD>(day);
  local.wHour = static_cast<WORD>(hour);
  local.wMinute = static_cast<WORD>(minute);
  local.wSecond = static_cast<WORD>(second);
  return true;
}

bool ExifDateTaken(const char* text, FILETIME& utc) {
  SYSTEMTIME local{};
  SYSTEMTIME universal{};
  return ExifDateLocal(text, local) && TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal) &&
         SystemTimeToFileTime(&universal, &utc);
}

bool OutputFileTime(const std::wstring& sourcePath, VipsImage* picture, const ConvertSettings& settings, FILETIME& time) {
  if (!settings.KeepFileTime) return false;
  if (settings.FileTimeFromExif && DateTaken(picture, time)) return true;
  return ModificationTime(sourcePath, time);
}
