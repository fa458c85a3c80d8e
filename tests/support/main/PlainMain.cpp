// Entry of the test programs below the engine.
#include "tests/support/TestMain.h"

int main(int argc, char** argv) { return RunTestProgram(argc, argv); }
