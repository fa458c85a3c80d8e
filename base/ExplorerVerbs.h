#pragma once
// The entry "Glimmersetで変換" on Explorer's right-click menu of pictures and folders: a shell
// verb under <classes>\SystemFileAssociations\<extension>\shell\Glimmerset for every picture
// extension and under <classes>\Directory\shell\Glimmerset, where <classes> is
// HKLM\Software\Classes (the installer's) or HKCU\Software\Classes (the settings sheet's).
// Each verb key holds
//   MUIVerb           "@<exe>,-201": the menu text, string 201 of the program
//   MultiSelectModel  "Player": shown for a selection of any size; Explorer starts the
//                     program once per chosen item, and each start hands its item over
//   command\(default) "<exe>" "%1"
// No file association is taken over and no default verb is set.
#include <windows.h>

#include <string>
#include <vector>

constexpr wchar_t kExplorerVerbName[] = L"Glimmerset";
// The string resource with the menu text ("Glimmersetで変換") in Glimmerset.exe.
constexpr int kExplorerVerbTextId = 201;
constexpr wchar_t kMultiSelectModel[] = L"Player";

// The verb keys under <classes>: one per extension, then the folders' one.
std::vector<std::wstring> ExplorerVerbKeys(const std::vector<std::wstring>& extensions);
// The command that starts exe with one chosen item.
std::wstring ExplorerVerbCommand(const std::wstring& exe);
// The indirect menu text: Explorer reads it from exe's string table.
std::wstring ExplorerVerbText(const std::wstring& exe);

// Writes every verb key for exe. ERROR_SUCCESS, or the first failure.
LSTATUS WriteExplorerVerbs(HKEY classes, const std::wstring& exe, const std::vector<std::wstring>& extensions);
// Removes every verb key, and the keys above them that are left empty. ERROR_SUCCESS (also
// when there was nothing to remove), or the first failure.
LSTATUS RemoveExplorerVerbs(HKEY classes, const std::vector<std::wstring>& extensions);
// True when every verb key is there and starts exe.
bool ExplorerVerbsStart(HKEY classes, const std::wstring& exe, const std::vector<std::wstring>& extensions);
