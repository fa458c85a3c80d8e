// Entry of the test programs of the engine and above: libvips is up for all tests, as it is
// in the running program.
#include "base/LogFile.h"
#include "engine/VipsSession.h"
#include "tests/support/TestMain.h"

int main(int argc, char** argv) {
  const VipsSession vips(theLog);
  if (!vips.Started()) return 3;
  return RunTestProgram(argc, argv);
}
