#pragma once
// The modification time an output file gets: its photo's own, or the date the photo was
// taken, or none (the time of writing), as the settings say.
#include <windows.h>

#include <string>

#include "engine/ConvertSettings.h"
#include "engine/VipsOwned.h"

// The EXIF DateTimeOriginal of `picture` (a photo or its header) as libvips gives it; empty
// when it has none.
std::string DateTakenText(VipsImage* picture);
// The date taken of such a text as the local time it is written in; false when the text holds
// no valid date.
bool ExifDateLocal(const char* text, SYSTEMTIME& local);

// The date taken of an EXIF DateTimeOriginal as libvips gives it ("2023:10:14 16:42:05" and
// maybe a description after it), read as local time; false when the text holds no valid date.
bool ExifDateTaken(const char* text, FILETIME& utc);

// With settings.KeepFileTime off: false, the output keeps the time it was written at. On:
// the date taken from `picture`'s EXIF when settings.FileTimeFromExif is on and there is one,
// else the modification time of the photo at `sourcePath` (false when it cannot be read).
bool OutputFileTime(const std::wstring& sourcePath, VipsImage* picture, const ConvertSettings& settings, FILETIME& time);
