#include "base/MultiScreen.h"

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC deviceContext, LPRECT, LPARAM context) {
  auto* screens = reinterpret_cast<MultiScreen_CL*>(context);
  MonitorRecord record;
  record.monitor = monitor;
  record.deviceContext = deviceContext;
  GetMonitorInfoW(monitor, reinterpret_cast<MONITORINFO*>(&record.info));
  screens->monitors.push_back(record);
  if (record.info.dwFlags == MONITORINFOF_PRIMARY) screens->primary = record;
  return TRUE;
}

bool Holds(const RECT& area, int x, int y) {
  return area.left <= x && x < area.right && area.top <= y && y < area.bottom;
}

}  // namespace

void MultiScreen_CL::Enumerate() {
  monitors.clear();
  primary = MonitorRecord{};
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(this));
}

int MultiScreen_CL::FindMonitor(int x, int y) const {
  for (size_t i = 0; i < monitors.size(); ++i) {
    if (Holds(monitors[i].info.rcWork, x, y)) return static_cast<int>(i);
  }
  return -1;
}
