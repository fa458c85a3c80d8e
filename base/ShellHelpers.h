#pragma once
// Small stateless helpers over the shell: known folders, text operations on paths, integer
// text, the platform's error texts and opening a web page.
#include <windows.h>

#include <string>

// The user's Documents and desktop folders; empty when the system cannot name them.
std::wstring DocumentsFolder();
std::wstring DesktopFolder();
// Makes the folder unless it is there already (made by anyone, even meanwhile): S_OK, or the
// error of the making as an HRESULT.
HRESULT EnsureFolder(const std::wstring& path);
// Folder of the running executable, without a trailing "\".
std::wstring ModuleDirectory();
// Full path of a module (the executable by default), however long: the buffer starts at
// firstCapacity units and grows until the whole path fits.
std::wstring ModuleFileName(HMODULE module = nullptr, DWORD firstCapacity = MAX_PATH);

// All split at the last "\" or "." anywhere in the text.
std::wstring DirectoryPart(std::wstring path);     // before the last "\"; empty without one
std::wstring FileNamePart(std::wstring path);      // after the last "\"; whole path without one
std::wstring ExtensionPart(std::wstring path);     // from the last "." on, dot included; or empty
std::wstring WithoutExtension(std::wstring path);  // before the last "."; whole path without one
// Plain concatenation: nothing is added or removed at the seam.
std::wstring JoinPath(std::wstring head, std::wstring tail);

std::wstring IntToText(int value);
// A control's text as it is read, without its key: "変換開始(&S)" is "変換開始", "参照(&R)..."
// is "参照...".
std::wstring WithoutKey(std::wstring text);
// Optional leading "-", then every character taken as a digit (no checking), 32-bit wrap-around.
int TextToInt(std::wstring text);

// The platform's one-line text for an error code, or empty.
std::wstring SystemErrorText(DWORD code);

// True when the developer marker file exists; it keeps web pages from being opened.
bool DeveloperMarkerExists();
void OpenWebPage(std::wstring address);
