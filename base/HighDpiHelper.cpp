#include "base/HighDpiHelper.h"

#include "base/DllFunction.h"
#include "base/Owned.h"

namespace {

constexpr int processDpiUnaware = 0;

DWORD SystemMajorVersion() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExW(&version)) return 0;
#pragma GCC diagnostic pop
  return version.dwMajorVersion;
}

}  // namespace

void HighDpiHelper_CL::Init() { InitForVersion(SystemMajorVersion()); }

void HighDpiHelper_CL::InitForVersion(DWORD majorVersion) {
  aware = 0;
  if (majorVersion >= 6) {
    const DllFunction_CL shcore(L"SHCore.dll");
    const DllFunction_CL user32(L"user32.dll");
    aware = AwarenessFrom(shcore.FindAs<GetProcessDpiAwarenessFn>("GetProcessDpiAwareness"),
                          user32.FindAs<IsProcessDpiAwareFn>("IsProcessDPIAware"));
  }
  if (!aware) ReadScreenDpi();
}

int HighDpiHelper_CL::AwarenessFrom(GetProcessDpiAwarenessFn getProcessDpiAwareness,
                                    IsProcessDpiAwareFn isProcessDpiAware) {
  if (getProcessDpiAwareness) {
    int awareness = processDpiUnaware;
    if (getProcessDpiAwareness(GetCurrentProcess(), &awareness) != S_OK) return 0;
    return awareness != processDpiUnaware ? 1 : 0;
  }
  if (isProcessDpiAware) return isProcessDpiAware() ? 1 : 0;
  return 0;
}

void HighDpiHelper_CL::ReadScreenDpi() {
  const WindowDc screen(nullptr);
  if (!screen.get()) return;
  dpiX = GetDeviceCaps(screen.get(), LOGPIXELSX);
  dpiY = GetDeviceCaps(screen.get(), LOGPIXELSY);
}
