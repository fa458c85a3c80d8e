#pragma once
// The flag a long read checks between its steps: set (nonzero) by whoever wants it to end
// early. A read given no flag runs to its end.
#include <atomic>

inline bool Stopped(const std::atomic<int>* stop) { return stop != nullptr && stop->load() != 0; }
