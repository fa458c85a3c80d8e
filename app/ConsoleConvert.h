#pragma once
// Conversion without a window: Glimmerset.exe /convert [options] FILE_OR_FOLDER...
// The photos go through the same batch as a click on "変換開始"; one line per photo and a
// summary go to the console the program was started from (or to its redirected output).
// Settings not given come from the INI file, which the command line never writes.
#include <string>
#include <vector>

#include "engine/ConvertBatch.h"
#include "engine/NamedSettings.h"
#include "engine/PresetStore.h"
#include "engine/SaveData.h"

constexpr int kConsoleAllWritten = 0;
constexpr int kConsoleSomeNotWritten = 1;
constexpr int kConsoleBadOptions = 2;

// True when the arguments (without the program) ask for a conversion without a window.
bool IsConsoleConversion(const std::vector<std::wstring>& arguments);

// The options of a /convert command line applied to `settings`, and the files and folders.
// Each "/preset NAME" adds an output with that preset's settings instead of `settings`: the
// options before the first /preset apply to every output, those after one to its own.
struct ConsoleRequest {
  std::vector<std::wstring> paths;
  std::vector<NamedSettings> outputs;  // one per /preset, in order; none: `settings` alone
  bool showUsage = false;
  bool listPresets = false;  // /presets
  std::wstring error;  // the first bad option, in the user's words; empty when all are good
  bool unknownPreset = false;  // the error names a preset there is none of
  int workers = ConvertBatch_CL::DefaultWorkers();  // /workers N
};
ConsoleRequest ParseConsoleRequest(const std::vector<std::wstring>& arguments, ConvertSettings& settings,
                                   const std::vector<Preset>& presets = {});

// What /presets prints: one line per preset, its name, a tab and what it does.
std::vector<std::wstring> PresetLines(const std::vector<Preset>& presets);

// The usage text /? prints.
std::wstring ConsoleUsage();

// Runs a whole /convert command line with the settings stored under `dataFolder` (empty: the
// defaults, and no log) and libvips from `libraryFolder`; prints its lines and answers the exit code. The single-instance rule
// does not apply: a conversion may run beside the open window.
int RunConsoleConversion(const std::vector<std::wstring>& arguments, const std::wstring& dataFolder,
                         const std::wstring& libraryFolder);
