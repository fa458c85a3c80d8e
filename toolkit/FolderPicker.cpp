#include "toolkit/FolderPicker.h"

#include <shlobj.h>
#include <shobjidl.h>

#include "base/Owned.h"

namespace {

// CoTaskMemFree'd text handed out by the shell.
struct ShellText {
  ~ShellText() { CoTaskMemFree(text); }
  wchar_t* text = nullptr;
};

// Opens the picker at `start` when the shell knows it as a folder; otherwise where it likes.
void OpenAt(IFileOpenDialog& dialog, const std::wstring& start) {
  if (start.empty()) return;
  IShellItem* raw = nullptr;
  if (FAILED(SHCreateItemFromParsingName(start.c_str(), nullptr, IID_IShellItem, reinterpret_cast<void**>(&raw)))) {
    return;
  }
  const ComPtr<IShellItem> folder(raw);
  dialog.SetFolder(folder.get());
}

}  // namespace

bool PickFolder(HWND owner, const std::wstring& title, const std::wstring& start, std::wstring& chosen) {
  IFileOpenDialog* raw = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                              reinterpret_cast<void**>(&raw)))) {
    return false;
  }
  const ComPtr<IFileOpenDialog> dialog(raw);
  FILEOPENDIALOGOPTIONS options = 0;
  dialog.get()->GetOptions(&options);
  dialog.get()->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
  dialog.get()->SetTitle(title.c_str());
  OpenAt(*dialog.get(), start);
  if (dialog.get()->Show(owner) != S_OK) return false;
  IShellItem* pickedRaw = nullptr;
  if (FAILED(dialog.get()->GetResult(&pickedRaw))) return false;
  const ComPtr<IShellItem> picked(pickedRaw);
  ShellText path;
  if (FAILED(picked.get()->GetDisplayName(SIGDN_FILESYSPATH, &path.text)) || path.text == nullptr) return false;
  chosen = path.text;
  return !chosen.empty();
}
