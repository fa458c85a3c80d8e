#pragma once
// Holds Shift and/or Ctrl down in this thread's keyboard state for one scope, as the
// controls read it with GetKeyState while a key message is handled.
#include <windows.h>

class HeldKeys {
public:
  HeldKeys(bool shift, bool control) {
    GetKeyboardState(saved);
    BYTE state[256];
    CopyMemory(state, saved, sizeof(state));
    const BYTE shiftState = shift ? 0x80 : 0;
    const BYTE controlState = control ? 0x80 : 0;
    state[VK_SHIFT] = state[VK_LSHIFT] = shiftState;
    state[VK_CONTROL] = state[VK_LCONTROL] = controlState;
    state[VK_RSHIFT] = state[VK_RCONTROL] = 0;
    SetKeyboardState(state);
  }
  ~HeldKeys() { SetKeyboardState(saved); }
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;

private:
  BYTE saved[256] = {};
};
