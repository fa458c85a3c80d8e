#pragma once
// The Recycle Bin of a test program. Under Wine the bin is the XDG trash of the Linux user;
// each test program gets one of its own in its temporary folder (XDG_DATA_HOME is pointed
// there before main runs), so tests can look into it and never touch the user's.
#include <string>

// The folder the files this process sends to the bin land in ("...\Trash\files"); empty when
// the bin cannot be looked into (not under Wine).
std::wstring RecycledFilesFolder();

// While it lives the bin cannot take files, as on a drive without one: its folder is moved away.
class RecycleBinOff {
public:
  RecycleBinOff();
  ~RecycleBinOff();
  RecycleBinOff(const RecycleBinOff&) = delete;
  RecycleBinOff& operator=(const RecycleBinOff&) = delete;
  bool Off() const { return off; }

private:
  bool off = false;
};
