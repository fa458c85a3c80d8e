#pragma once
// The diagnostic log: append-only UTF-16LE text, one timestamped line per Write, emptied when
// it has grown past its size limit.
#include <string>
#include <vector>

#include "base/CriticalSection.h"

class LogFile {
public:
  static constexpr int kDefaultMaxBytes = 33554432;
  // Length of the "YYYY/MM/DD hh:mm:ss.mmm : " prefix in UTF-16 units.
  static constexpr int kPrefixLength = 26;
  // Longest message kept; longer ones are cut.
  static constexpr int kMaxMessageLength = 1039;

  explicit LogFile(int maxBytes = kDefaultMaxBytes) : maxBytes(maxBytes) {}

  // printf-style with a wide format ("%s" takes a wide string). Never reports failure.
  void Write(const wchar_t* format, ...);

  // Appends every kept line to `log`, with the time it was written, and forgets it.
  void ReplayInto(LogFile& log);

  int maxBytes;
  std::wstring logPath;
  // Set: lines are kept in memory (keptLines) instead of written to a file. A worker that may
  // outlive the program's log writes to such a log of its own, and the user-interface thread
  // replays it into the real one.
  bool keepLines = false;

private:
  void Append(const std::wstring& line);
  std::vector<std::wstring> keptLines;
  // The conversion's workers log side by side: one entry, and the emptying of a full file,
  // at a time.
  CriticalSection_CL lock;
};

extern LogFile theLog;
