#pragma once
// What every test program's main runs: the platform services up, every test, the services down.
int RunTestProgram(int argc, char** argv);
