#include "engine/VipsErrors.h"

#include <windows.h>
#include <vips/vips.h>

#include "base/CriticalSection.h"
#include "engine/VipsSession.h"

namespace {

// Who works with libvips now: a count of shared workers, or one thread alone.
class WorkGate {
public:
  // True on the thread that works alone now.
  bool IsAloneHere() {
    const CriticalSectionLock hold(lock);
    return aloneRunning && aloneThread == GetCurrentThreadId();
  }
  // Another level of alone work on the thread that works alone already; false elsewhere.
  bool Nest() {
    const CriticalSectionLock hold(lock);
    if (!aloneRunning || aloneThread != GetCurrentThreadId()) return false;
    ++aloneDepth;
    return true;
  }
  void EnterShared() {
    const CriticalSectionLock hold(lock);
    while (aloneRunning || aloneWaiting > 0) lock.Wait(changed);
    ++sharedRunning;
  }
  void LeaveShared() {
    const CriticalSectionLock hold(lock);
    --sharedRunning;
    WakeAllConditionVariable(&changed);
  }
  void EnterAlone() {
    const CriticalSectionLock hold(lock);
    ++aloneWaiting;
    while (aloneRunning || sharedRunning > 0) lock.Wait(changed);
    --aloneWaiting;
    aloneRunning = true;
    aloneThread = GetCurrentThreadId();
    aloneDepth = 1;
  }
  void LeaveAlone() {
    const CriticalSectionLock hold(lock);
    if (--aloneDepth > 0) return;
    aloneRunning = false;
    aloneThread = 0;
    WakeAllConditionVariable(&changed);
  }

private:
  CriticalSection_CL lock;
  CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
  int sharedRunning = 0;
  int aloneWaiting = 0;
  bool aloneRunning = false;
  DWORD aloneThread = 0;  // while aloneRunning
  int aloneDepth = 0;     // nested alone work on aloneThread
};

WorkGate& Gate() {
  static WorkGate gate;
  return gate;
}

// The lines a VipsLogLines keeps, written from any thread.
class KeptLines {
public:
  void Start() {
    const CriticalSectionLock hold(lock);
    keeping = true;
    lines.clear();
  }
  void Stop() {
    const CriticalSectionLock hold(lock);
    keeping = false;
    lines.clear();
  }
  bool Keep(const char* message) {
    const CriticalSectionLock hold(lock);
    if (!keeping) return false;
    lines.emplace_back(message != nullptr ? message : "");
    return true;
  }
  std::vector<std::string> Take() {
    const CriticalSectionLock hold(lock);
    std::vector<std::string> taken;
    taken.swap(lines);
    return taken;
  }

private:
  CriticalSection_CL lock;
  bool keeping = false;
  std::vector<std::string> lines;
};

KeptLines& Kept() {
  static KeptLines kept;
  return kept;
}

}  // namespace

VipsLogLines::VipsLogLines() { Kept().Start(); }

VipsLogLines::~VipsLogLines() { Kept().Stop(); }

std::vector<std::string> VipsLogLines::Take() { return Kept().Take(); }

bool KeptByVipsLogLines(const char* message) { return Kept().Keep(message); }

VipsSharedWork::VipsSharedWork() {
  if (Gate().IsAloneHere()) return;
  Gate().EnterShared();
  entered = true;
}

VipsSharedWork::~VipsSharedWork() {
  if (entered) Gate().LeaveShared();
}

VipsAloneWork::VipsAloneWork() {
  if (Gate().Nest()) return;
  Gate().EnterAlone();
  vips_error_clear();
}

VipsAloneWork::~VipsAloneWork() { Gate().LeaveAlone(); }

std::wstring TakeVipsError() {
  if (!Gate().IsAloneHere()) return {};
  char* const copied = vips_error_buffer_copy();  // read and cleared in one step
  std::wstring text = Utf16Text(copied);
  g_free(copied);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
  return text;
}
