#include "base/ExplorerVerbs.h"

#include "base/Owned.h"

namespace {

constexpr wchar_t kCommandKey[] = L"command";
constexpr wchar_t kMuiVerbValue[] = L"MUIVerb";
constexpr wchar_t kMultiSelectValue[] = L"MultiSelectModel";

LSTATUS SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

LSTATUS CreateKey(HKEY parent, const std::wstring& path, RegistryKey& key) {
  return RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr,
                         key.receive(), nullptr);
}

LSTATUS WriteVerb(HKEY classes, const std::wstring& path, const std::wstring& exe) {
  RegistryKey verb;
  LSTATUS status = CreateKey(classes, path, verb);
  if (status == ERROR_SUCCESS) status = SetText(verb.get(), kMuiVerbValue, ExplorerVerbText(exe));
  if (status == ERROR_SUCCESS) status = SetText(verb.get(), kMultiSelectValue, kMultiSelectModel);
  RegistryKey command;
  if (status == ERROR_SUCCESS) status = CreateKey(verb.get(), kCommandKey, command);
  if (status == ERROR_SUCCESS) status = SetText(command.get(), nullptr, ExplorerVerbCommand(exe));
  return status;
}

// The default text of classes\path, or empty.
std::wstring DefaultText(HKEY classes, const std::wstring& path) {
  DWORD bytes = 0;
  if (RegGetValueW(classes, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) return {};
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegGetValueW(classes, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) != ERROR_SUCCESS) {
    return {};
  }
  text.resize(wcsnlen(text.c_str(), text.size()));
  return text;
}

bool IsEmptyKey(HKEY classes, const std::wstring& path) {
  RegistryKey key;
  if (RegOpenKeyExW(classes, path.c_str(), 0, KEY_QUERY_VALUE, key.receive()) != ERROR_SUCCESS) return false;
  DWORD subKeys = 0;
  DWORD values = 0;
  return RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                          nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subKeys == 0 && values == 0;
}

// Removes the keys above path, from the nearest up, while they hold nothing: the ones
// made for the verb and nobody else's.
void RemoveEmptyParents(HKEY classes, std::wstring path) {
  for (size_t cut = path.rfind(L'\\'); cut != std::wstring::npos; cut = path.rfind(L'\\')) {
    path.resize(cut);
    if (!IsEmptyKey(classes, path) || RegDeleteKeyW(classes, path.c_str()) != ERROR_SUCCESS) return;
  }
  if (IsEmptyKey(classes, path)) RegDeleteKeyW(classes, path.c_str());
}

}  // namespace

std::vector<std::wstring> ExplorerVerbKeys(const std::vector<std::wstring>& extensions) {
  std::vector<std::wstring> keys;
  for (const std::wstring& extension : extensions) {
    keys.push_back(L"SystemFileAssociations\\" + extension + L"\\shell\\" + kExplorerVerbName);
  }
  keys.push_back(std::wstring(L"Directory\\shell\\") + kExplorerVerbName);
  return keys;
}

std::wstring ExplorerVerbCommand(const std::wstring& exe) { return L"\"" + exe + L"\" \"%1\""; }

std::wstring ExplorerVerbText(const std::wstring& exe) {
  return L"@" + exe + L",-" + std::to_wstring(kExplorerVerbTextId);
}

LSTATUS WriteExplorerVerbs(HKEY classes, const std::wstring& exe, const std::vector<std::wstring>& extensions) {
  for (const std::wstring& path : ExplorerVerbKeys(extensions)) {
    const LSTATUS status = WriteVerb(classes, path, exe);
    if (status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

LSTATUS RemoveExplorerVerbs(HKEY classes, const std::vector<std::wstring>& extensions) {
  LSTATUS first = ERROR_SUCCESS;
  for (const std::wstring& path : ExplorerVerbKeys(extensions)) {
    const LSTATUS status = RegDeleteTreeW(classes, path.c_str());
    if (status == ERROR_SUCCESS) {
      RemoveEmptyParents(classes, path);
    } else if (status != ERROR_FILE_NOT_FOUND && first == ERROR_SUCCESS) {
      first = status;
    }
  }
  return first;
}

bool ExplorerVerbsStart(HKEY classes, const std::wstring& exe, const std::vector<std::wstring>& extensions) {
  const std::wstring command = ExplorerVerbCommand(exe);
  for (const std::wstring& path : ExplorerVerbKeys(extensions)) {
    if (DefaultText(classes, path + L"\\" + kCommandKey) != command) return false;
  }
  return true;
}
