#pragma once
// A library loaded by name for the life of the object, so that functions older systems
// lack can be reached without a link-time dependency.
#include <windows.h>

#include <string>

#include "base/Owned.h"

// Loads folder\name, whose own dependencies are looked for in that folder first, into
// `module`. S_OK, or the load's error as an HRESULT.
HRESULT LoadLibraryFrom(const std::wstring& folder, const wchar_t* name, LoadedModule& module);

class DllFunction_CL {
public:
  explicit DllFunction_CL(const std::wstring& name);
  virtual ~DllFunction_CL();
  DllFunction_CL(const DllFunction_CL&) = delete;
  DllFunction_CL& operator=(const DllFunction_CL&) = delete;

  bool Loaded() const { return module != nullptr; }
  // The function's address, or null when the library or the function is missing.
  FARPROC Find(const char* functionName) const;

  template <typename Function>
  Function FindAs(const char* functionName) const {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(Find(functionName)));
  }

private:
  HMODULE module = nullptr;
};
