// Program entry: everything from start to shutdown is in RunGlimmerset.
#include <windows.h>

#include "base/ShellHelpers.h"
#include "app/StartUp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return RunGlimmerset(DocumentsFolder()); }
