#include "base/DllFunction.h"

DllFunction_CL::DllFunction_CL(const std::wstring& name) : module(LoadLibraryW(name.c_str())) {}

DllFunction_CL::~DllFunction_CL() {
  if (module) FreeLibrary(module);
}

FARPROC DllFunction_CL::Find(const char* functionName) const {
  return module ? GetProcAddress(module, functionName) : nullptr;
}
