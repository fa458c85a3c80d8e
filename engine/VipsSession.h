#pragma once
// libvips for the life of the object: started once at start-up (and in each test program
// and tool), shut down at exit. Its operation cache is off, so no photo stays in memory
// between conversions, and its warnings go to the program's log instead of a console that
// a window program does not have. The log must outlive the session.
#include <string>

class LogFile;

class VipsSession {
public:
  explicit VipsSession(LogFile& log);
  ~VipsSession();
  VipsSession(const VipsSession&) = delete;
  VipsSession& operator=(const VipsSession&) = delete;
  bool Started() const { return started; }

private:
  bool started = false;
};

// UTF-8 text from libvips as UTF-16; empty for none.
std::wstring Utf16Text(const char* text);

// A path as libvips takes it: UTF-8.
std::string Utf8Path(const std::wstring& path);
