#pragma once
// The monitors attached right now, with their work areas, in the order the platform lists them.
#include <windows.h>

#include <vector>

// One monitor as the enumeration reported it. The device context is always null: the
// enumeration is made without one.
struct MonitorRecord {
  HMONITOR monitor = nullptr;
  HDC deviceContext = nullptr;
  MONITORINFOEXW info = EmptyInfo();

  static MONITORINFOEXW EmptyInfo() {
    MONITORINFOEXW empty{};
    empty.cbSize = sizeof(MONITORINFOEXW);
    return empty;
  }
};

class MultiScreen_CL {
public:
  MultiScreen_CL() = default;
  virtual ~MultiScreen_CL() = default;

  // Lists the monitors anew; primary is all zero until a primary monitor is seen.
  void Enumerate();
  // Index into monitors of the first one whose work area holds the point, or -1. Right and
  // bottom edges lie outside, left and top edges inside.
  int FindMonitor(int x, int y) const;
  // True when every pixel of area lies in the work area of some monitor; the pixels may be
  // shared out among several monitors. False for an empty area.
  bool WorkAreasCover(const RECT& area) const;
  // The work area of the primary monitor; of the first monitor listed when none is marked
  // primary; empty when there are no monitors.
  RECT PrimaryWorkArea() const;

  MonitorRecord primary;
  std::vector<MonitorRecord> monitors;
};
