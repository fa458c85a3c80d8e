#include "base/MultiScreen.h"

#include "base/Owned.h"

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

bool MultiScreen_CL::WorkAreasCover(const RECT& area) const {
  if (IsRectEmpty(&area)) return false;
  // What is left of the area once every work area has been taken out of it.
  const GdiRegion uncovered(CreateRectRgnIndirect(&area));
  if (!uncovered) return false;
  for (const MonitorRecord& record : monitors) {
    const GdiRegion work(CreateRectRgnIndirect(&record.info.rcWork));
    if (work && CombineRgn(uncovered.get(), uncovered.get(), work.get(), RGN_DIFF) == NULLREGION) return true;
  }
  return false;
}

RECT MultiScreen_CL::PrimaryWorkArea() const {
  if (primary.monitor != nullptr || (primary.info.dwFlags & MONITORINFOF_PRIMARY) != 0) return primary.info.rcWork;
  if (!monitors.empty()) return monitors.front().info.rcWork;
  return RECT{};
}
