#pragma once
// The program's command-line arguments. An argument starting with "/" or "-" is an option
// (stored with "/"); every other one, the empty one included, names a file or folder.
#include <string>
#include <vector>

class CommandLine_CL {
public:
  CommandLine_CL() = default;
  virtual ~CommandLine_CL();
  // Called once per argument, in order, at the end of Parse.
  virtual void OnArgument(std::wstring argument);

  // Splits the process's command line.
  void Parse();
  // Splits commandLine as the platform splits a process's command line (first entry = program).
  void Parse(std::wstring commandLine);

  int CountFiles() const;
  // The index-th file argument from 0, or an empty text when there is none.
  std::wstring FileAt(int index) const;

  std::vector<std::wstring> arguments;
};
