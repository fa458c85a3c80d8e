#pragma once
// The folder of "フォルダを指定": every output goes under it, each photo's sub-folders below
// the folder it was found in recreated there. Before a batch starts, the folder is checked
// and made, so that a folder that cannot be used is said once instead of in every photo's
// result.
#include <windows.h>

#include <string>

#include "engine/ConvertSettings.h"

// What is wrong with a chosen output folder's path, before anything is made.
enum class ChosenFolderProblem {
  None,
  Empty,        // no folder chosen
  NotAbsolute,  // not "X:\..." nor "\\server\share\..."
  BadName,      // a level breaks the rules of a folder name (CON, "a:b", "x.", ...)
};

// The first problem of `path`; None for a path that may be made.
ChosenFolderProblem ChosenFolderPathProblem(const std::wstring& path);
// The problem in the user's words; empty for None.
const wchar_t* ChosenFolderProblemText(ChosenFolderProblem problem);

// The chosen folder when the settings send the outputs there (OutputPlace::ChosenFolder), else empty.
std::wstring ChosenOutputFolder(const ConvertSettings& settings);

// Makes the absolute folder `fullPath` with every missing level above it (paths of any
// length); S_OK when it is a folder afterwards, else the platform's error as an HRESULT.
HRESULT MakeFolderTree(const std::wstring& fullPath);

// Checks the settings' chosen folder before a batch: its path, then that it exists or can be
// made and that a file can be written in it (a read-only share, a missing drive). S_OK, with
// nothing said, when the settings do not choose a folder. Otherwise `problem` holds the
// sentence to show: which folder, and why.
HRESULT PrepareChosenFolder(const ConvertSettings& settings, std::wstring& problem);
