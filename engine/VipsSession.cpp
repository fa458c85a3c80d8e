#include "engine/VipsSession.h"

#include <windows.h>
#include <vips/vips.h>

#include <cstring>

#include "base/LogFile.h"
#include "engine/DecoderWords.h"
#include "engine/VipsErrors.h"

namespace {

// libvips and glib report through glib's log; a window program has no console to show it.
// What alone work keeps (VipsLogLines) is its own; the JPEG reader's reports name no photo, and
// the engine names each photo's words with the photo.
void LogVipsMessage(const gchar* domain, GLogLevelFlags, const gchar* message, gpointer log) {
  const bool fromVips = domain != nullptr && std::strcmp(domain, "VIPS") == 0;
  if (fromVips && (KeptByVipsLogLines(message) || IsJpegReaderReport(message))) return;
  static_cast<LogFile*>(log)->Write(L"libvips: %s: %s", Utf16Text(domain ? domain : "").c_str(), Utf16Text(message).c_str());
}

}  // namespace

VipsSession::VipsSession(LogFile& log) {
  started = VIPS_INIT("Glimmerset") == 0;
  if (!started) return;
  vips_cache_set_max(0);
  g_log_set_handler("VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE |
                                                        G_LOG_LEVEL_CRITICAL),
                    LogVipsMessage, &log);
  g_log_set_handler("GLib-GObject", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL),
                    LogVipsMessage, &log);
}

VipsSession::~VipsSession() {
  if (started) vips_shutdown();
}

std::string Utf8Path(const std::wstring& path) {
  if (path.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return {};
  std::string utf8(static_cast<size_t>(length - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::wstring Utf16Text(const char* text) {
  if (text == nullptr || *text == '\0') return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (length <= 1) return {};
  std::wstring wide(static_cast<size_t>(length - 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
  return wide;
}
