#include "engine/ChosenFolder.h"

#include <cwchar>

#include "base/Owned.h"
#include "base/PathIdentity.h"
#include "base/ShellHelpers.h"
#include "engine/OutputNaming.h"

namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// The part of an absolute path that names the drive or share ("C:\", "\\server\share\"),
// with its closing separator; empty for a path that is not absolute.
std::wstring RootOf(const std::wstring& path) {
  if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\') return path.substr(0, 3);
  if (!path.starts_with(L"\\\\") || path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\")) return {};
  const size_t server = path.find(L'\\', 2);
  if (server == std::wstring::npos || server == 2) return {};
  const size_t share = path.find(L'\\', server + 1);
  if (share == server + 1) return {};
  return share == std::wstring::npos ? path + L"\\" : path.substr(0, share + 1);
}

// Each level below the root must be a usable folder name.
bool LevelsAreNames(const std::wstring& belowRoot) {
  size_t start = 0;
  while (start < belowRoot.size()) {
    size_t end = belowRoot.find(L'\\', start);
    if (end == std::wstring::npos) end = belowRoot.size();
    const std::wstring level = belowRoot.substr(start, end - start);
    // "C:\a\\b" has an empty level; a trailing "\" ends the path.
    if (level.empty() ? end != belowRoot.size() : OutputFolderNameProblem(level) != FolderNameProblem::None) {
      return false;
    }
    start = end + 1;
  }
  return true;
}

HRESULT LastErrorResult() {
  const DWORD error = GetLastError();
  return HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE);
}

// A file can be made in the folder: made and gone again at once.
HRESULT ProbeWrite(const std::wstring& folder) {
  const std::wstring probe = folder + (folder.back() == L'\\' ? L"" : L"\\") + L"~glimmerset-probe.tmp";
  const KernelHandle file(CreateFileW(ExtendedLengthPath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return file ? S_OK : LastErrorResult();
}

std::wstring ErrorText(HRESULT result) {
  const std::wstring text =
      SystemErrorText(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : static_cast<DWORD>(result));
  if (!text.empty()) return text;
  wchar_t code[16] = {};
  swprintf(code, 16, L"0x%08X", static_cast<unsigned>(result));
  return code;
}

}  // namespace

ChosenFolderProblem ChosenFolderPathProblem(const std::wstring& path) {
  if (path.empty()) return ChosenFolderProblem::Empty;
  if (path.find(L'/') != std::wstring::npos) return ChosenFolderProblem::NotAbsolute;
  const std::wstring root = RootOf(path);
  if (root.empty()) return ChosenFolderProblem::NotAbsolute;
  if (!LevelsAreNames(path.substr(std::min(root.size(), path.size())))) return ChosenFolderProblem::BadName;
  return ChosenFolderProblem::None;
}

const wchar_t* ChosenFolderProblemText(ChosenFolderProblem problem) {
  switch (problem) {
    case ChosenFolderProblem::None: return L"";
    case ChosenFolderProblem::Empty: return L"保存先のフォルダを指定してください";
    case ChosenFolderProblem::NotAbsolute: return L"「D:\\写真」のようにドライブから書いてください";
    case ChosenFolderProblem::BadName: return L"CON などの名前や < > : \" | ? * は使えません";
  }
  return L"";
}

std::wstring ChosenOutputFolder(const ConvertSettings& settings) {
  return settings.SaveDirTypeIndex == OutputPlace::ChosenFolder ? settings.OutputFolder : std::wstring();
}

HRESULT MakeFolderTree(const std::wstring& fullPath) {
  if (fullPath.empty()) return E_INVALIDARG;
  // A level another worker made meanwhile is no failure, and its look does not replace the error.
  const HRESULT made = EnsureFolder(ExtendedLengthPath(fullPath));
  if (made != HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)) return made;
  // A level above is missing: made first, from the top down. The root itself is never made.
  const std::wstring parent = DirectoryPart(fullPath);
  if (parent.empty() || parent.size() >= fullPath.size() || RootOf(parent + L"\\") == parent + L"\\") return made;
  if (const HRESULT above = MakeFolderTree(parent); FAILED(above)) return above;
  return EnsureFolder(ExtendedLengthPath(fullPath));
}

HRESULT PrepareChosenFolder(const ConvertSettings& settings, std::wstring& problem) {
  problem.clear();
  if (settings.SaveDirTypeIndex != OutputPlace::ChosenFolder) return S_OK;
  const std::wstring& folder = settings.OutputFolder;
  const std::wstring lead = L"保存先のフォルダ「" + folder + L"」を使えません: ";
  if (const ChosenFolderProblem syntax = ChosenFolderPathProblem(folder); syntax != ChosenFolderProblem::None) {
    problem = lead + ChosenFolderProblemText(syntax);
    return E_INVALIDARG;
  }
  const std::wstring full = FullPathOf(folder);
  HRESULT result = full.empty() ? E_INVALIDARG : MakeFolderTree(full);
  if (SUCCEEDED(result)) result = ProbeWrite(full);
  if (FAILED(result)) problem = lead + ErrorText(result);
  return result;
}
