#pragma once
// Where a converted photo goes and under which name: its output type and extension, its
// output folder, its file name, all following from the source path and the save settings.
#include <string>

#include "base/PathIdentity.h"
#include "engine/OutputFormat.h"
#include "engine/SaveData.h"

struct OutputType {
  std::wstring extension;  // with its leading dot, spelt as it will be written
  OutputFormat typeCode = OutputFormat::Jpeg;
};

// The source's own type when it is BMP, JPEG, PNG or WebP (keeping the source's spelling of
// the extension), JPEG otherwise (GIF, TIFF, AVIF, ...); then changed by OutputImageType
// (1 all JPEG, 2 all PNG, 3 all BMP, 4 all WebP; other values keep it).
OutputType MapOutputType(std::wstring sourcePath, const SaveData_CL& settings = theSaveData);

// Folder base by SaveDirTypeIndex (0 the desktop, 1 the source's folder, otherwise empty),
// then "\" and MakeFolder, appended even when MakeFolder is empty.
std::wstring OutputFolder(std::wstring sourcePath, const SaveData_CL& settings = theSaveData);

// The source's file name without folder and extension, with the prefix and the suffix
// when they are switched on. The thumbnail list shows this name too.
std::wstring OutputBaseName(std::wstring sourcePath, const SaveData_CL& settings = theSaveData);

// folder + "\" + base name + extension, by plain concatenation. The result may name the
// source itself (empty MakeFolder, no prefix or suffix, type kept): check with
// IsSameFile(output, source) before writing.
std::wstring OutputPath(std::wstring folder, std::wstring baseName, std::wstring extension);
