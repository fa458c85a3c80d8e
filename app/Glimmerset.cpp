// Program entry: "/convert" runs a conversion without a window (ConsoleConvert); everything
// else, from start to shutdown, is in RunGlimmerset.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/ConsoleConvert.h"
#include "app/StartUp.h"
#include "base/ShellHelpers.h"

namespace {

std::vector<std::wstring> ProgramArguments() {
  int count = 0;
  wchar_t** const list = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> arguments;
  for (int i = 1; list != nullptr && i < count; ++i) arguments.emplace_back(list[i]);
  if (list != nullptr) LocalFree(list);
  return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::vector<std::wstring> arguments = ProgramArguments();
  const std::wstring documents = DocumentsFolder();
  if (IsConsoleConversion(arguments)) {
    // Without a Documents folder the settings and the log have no place: none is made.
    return RunConsoleConversion(arguments, documents.empty() ? std::wstring() : documents + kDataFolderName,
                                ModuleDirectory());
  }
  if (documents.empty()) {
    MessageBoxW(nullptr, L"ドキュメントフォルダの場所がわからないため、設定とログを保存できません。", L"Glimmerset",
                MB_OK | MB_ICONERROR);
    return kExitLibraryFailure;
  }
  return RunGlimmerset(documents);
}
