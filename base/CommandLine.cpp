#include "base/CommandLine.h"

#include <windows.h>
#include <shellapi.h>

namespace {

bool IsOption(const std::wstring& argument) {
  return !argument.empty() && (argument[0] == L'/' || argument[0] == L'-');
}

}  // namespace

CommandLine_CL::~CommandLine_CL() = default;

void CommandLine_CL::OnArgument(std::wstring) {}

void CommandLine_CL::Parse() { Parse(GetCommandLineW()); }

void CommandLine_CL::Parse(std::wstring commandLine) {
  int count = 0;
  LPWSTR* list = CommandLineToArgvW(commandLine.c_str(), &count);
  if (list != nullptr) {
    for (int i = 1; i < count; ++i) {
      std::wstring argument = list[i];
      if (!argument.empty() && argument[0] == L'-') argument[0] = L'/';
      arguments.push_back(std::move(argument));
    }
    LocalFree(list);
  }
  for (const std::wstring& argument : arguments) OnArgument(argument);
}

int CommandLine_CL::CountFiles() const {
  int files = 0;
  for (const std::wstring& argument : arguments) {
    if (!IsOption(argument)) ++files;
  }
  return files;
}

std::wstring CommandLine_CL::FileAt(int index) const {
  if (index < 0) return {};
  int seen = 0;
  for (const std::wstring& argument : arguments) {
    if (IsOption(argument)) continue;
    if (seen == index) return argument;
    ++seen;
  }
  return {};
}
