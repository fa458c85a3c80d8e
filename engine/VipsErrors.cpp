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

}  // namespace

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
