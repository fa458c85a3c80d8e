#pragma once
// Every window and thread message the program defines, in one place (the wake-up of work
// posted to a window is registered by base/PostToWindow).
#include <windows.h>

// --- to the main window -----------------------------------------------------------------
// Bring the effect page and the preview in line with the record, save the settings.
constexpr UINT WM_REFRESH_PREVIEW = 1843;
// A splitter drag ended: lay the panes out again.
constexpr UINT WM_SPLITTER_MOVED = 3072;

// --- to a worker thread's queue ---------------------------------------------------------
// Every worker's queue reads only this range.
constexpr UINT MSG_THREAD_FIRST = WM_USER + 200;           // 1224
constexpr UINT MSG_THREAD_LAST = MSG_THREAD_FIRST + 4096;  // 5320
constexpr UINT MSG_THREAD_QUIT = 1226;  // ends the worker's loop
constexpr UINT MSG_DECODE_WORK = 1228;  // the decode queue has become non-empty

// Makes the calling thread's message queue, with the workers' filter.
inline void CreateThreadQueue() {
  MSG message;
  PeekMessageW(&message, nullptr, MSG_THREAD_FIRST, MSG_THREAD_LAST, PM_NOREMOVE);
}
