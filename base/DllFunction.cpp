#include "base/DllFunction.h"

DllFunction_CL::DllFunction_CL(const std::wstring& name) : module(LoadLibraryW(name.c_str())) {}

DllFunction_CL::~DllFunction_CL() {
  if (module) FreeLibrary(module);
}

FARPROC DllFunction_CL::Find(const char* functionName) const {
  return module ? GetProcAddress(module, functionName) : nullptr;
}

HRESULT LoadLibraryFrom(const std::wstring& folder, const wchar_t* name, LoadedModule& module) {
  const std::wstring path = folder + L"\\" + name;
  module.reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  return module ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}
