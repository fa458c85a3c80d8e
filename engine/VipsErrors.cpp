#include "engine/VipsErrors.h"

#include <windows.h>
#include <vips/vips.h>

#include "base/CriticalSection.h"
#include "engine/VipsSession.h"

namespace {

// Who works with libvips now: a count of shared workers, or one thread alone.
class WorkGate {
public:
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
  }
  void LeaveAlone() {
    const CriticalSectionLock hold(lock);
    aloneRunning = false;
    WakeAllConditionVariable(&changed);
  }

private:
  CriticalSection_CL lock;
  CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
  int sharedRunning = 0;
  int aloneWaiting = 0;
  bool aloneRunning = false;
};

WorkGate& Gate() {
  static WorkGate gate;
  return gate;
}

thread_local int aloneDepth = 0;

}  // namespace

VipsSharedWork::VipsSharedWork() {
  if (aloneDepth > 0) return;
  Gate().EnterShared();
  entered = true;
}

VipsSharedWork::~VipsSharedWork() {
  if (entered) Gate().LeaveShared();
}

VipsAloneWork::VipsAloneWork() {
  if (aloneDepth++ > 0) return;
  Gate().EnterAlone();
  vips_error_clear();
}

VipsAloneWork::~VipsAloneWork() {
  if (--aloneDepth > 0) return;
  Gate().LeaveAlone();
}

std::wstring TakeVipsError() {
  if (aloneDepth == 0) return {};
  char* const copied = vips_error_buffer_copy();  // read and cleared in one step
  std::wstring text = Utf16Text(copied);
  g_free(copied);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
  return text;
}
