#include "tools/drive/DriveKit.h"

#include "base/ShellHelpers.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include <tlhelp32.h>
#include <cwctype>

#include "base/GpOwned.h"

namespace drive {

namespace {

constexpr DWORD kPollMs = 20;
constexpr UINT kTextTimeoutMs = 2000;

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> windows;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

DWORD ProcessOf(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  return processId;
}

// The CLSID of the platform's PNG encoder.
bool PngEncoder(CLSID& clsid) {
  UINT count = 0;
  UINT bytes = 0;
  if (gp::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
  std::vector<BYTE> buffer(bytes);
  auto* const codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (gp::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType != nullptr && std::wstring(codecs[i].MimeType) == L"image/png") {
      clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

}  // namespace

std::wstring QuoteArgument(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote is escaped.
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  // Backslashes before the closing quote are doubled.
  quoted.append(backslashes * 2, L'\\');
  quoted += L'"';
  return quoted;
}

bool Start(const std::wstring& exe, const std::vector<std::wstring>& arguments, Program& program) {
  std::wstring commandLine = QuoteArgument(exe);
  for (const std::wstring& argument : arguments) commandLine += L" " + QuoteArgument(argument);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  // Wine now and then fails one of many processes started at once, and the next try starts it.
  constexpr int kTries = 3;
  constexpr DWORD kRetryMs = 200;
  bool started = false;
  for (int attempt = 0; attempt < kTries && !started; ++attempt) {
    if (attempt > 0) Sleep(kRetryMs);
    started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &info) != FALSE;
  }
  if (!started) return false;
  program.process.reset(info.hProcess);
  program.thread.reset(info.hThread);
  program.processId = info.dwProcessId;
  program.threadId = info.dwThreadId;
  return true;
}

DWORD WaitForExit(const Program& program, DWORD timeoutMs) {
  if (!program.process) return 0;
  if (WaitForSingleObject(program.process.get(), timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(program.process.get(), &code);
  return code;
}

bool Close(const Program& program, DWORD timeoutMs) {
  if (!program.process) return true;
  if (WaitForSingleObject(program.process.get(), 0) == WAIT_OBJECT_0) return true;
  const HWND main = FindMainWindow(program.threadId);
  if (main != nullptr) PostMessageW(main, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(program.process.get(), timeoutMs) == WAIT_OBJECT_0) return true;
  Kill(program);
  return false;
}

void Kill(const Program& program) {
  if (!program.process) return;
  if (WaitForSingleObject(program.process.get(), 0) == WAIT_OBJECT_0) return;
  TerminateProcess(program.process.get(), 1);
  WaitForSingleObject(program.process.get(), 5000);
}

bool WaitUntil(const std::function<bool()>& test, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (test()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(kPollMs);
  }
}

std::vector<HWND> ThreadWindows(DWORD threadId) {
  std::vector<HWND> windows;
  EnumThreadWindows(threadId, CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTextTimeoutMs, &length)) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                           kTextTimeoutMs, &copied)) {
    return {};
  }
  text.resize(std::min(static_cast<size_t>(copied), text.size()));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, length > 0 ? static_cast<size_t>(length) : 0);
}

HWND FindMainWindow(DWORD threadId) {
  for (const HWND window : ThreadWindows(threadId)) {
    if (IsWindowVisible(window) && ClassName(window) == kDialogClass && WindowText(window) == kMainTitle) return window;
  }
  return nullptr;
}

HWND WaitForMainWindow(DWORD threadId, DWORD timeoutMs) {
  HWND main = nullptr;
  WaitUntil([&] { return (main = FindMainWindow(threadId)) != nullptr; }, timeoutMs);
  return main;
}

HWND FindDescendant(HWND parent, const std::wstring& text, const wchar_t* cls) {
  const std::wstring wanted = ::WithoutKey(text);
  for (const HWND window : ChildWindows(parent)) {
    if (cls != nullptr && ClassName(window) != cls) continue;
    if (::WithoutKey(WindowText(window)) == wanted) return window;
  }
  return nullptr;
}

namespace {

constexpr DWORD kKeyPauseMs = 60;

INPUT KeyInput(WORD key, WORD character, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = character;
  input.ki.dwFlags = flags;
  return input;
}

}  // namespace

void PressKey(WORD key, std::initializer_list<WORD> modifiers) {
  std::vector<INPUT> inputs;
  for (const WORD modifier : modifiers) inputs.push_back(KeyInput(modifier, 0, 0));
  inputs.push_back(KeyInput(key, 0, 0));
  inputs.push_back(KeyInput(key, 0, KEYEVENTF_KEYUP));
  for (auto m = std::rbegin(modifiers); m != std::rend(modifiers); ++m) inputs.push_back(KeyInput(*m, 0, KEYEVENTF_KEYUP));
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  Sleep(kKeyPauseMs);
}

void TypeText(const std::wstring& text) {
  for (const wchar_t character : text) {
    INPUT pair[] = {KeyInput(0, character, KEYEVENTF_UNICODE), KeyInput(0, character, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP)};
    SendInput(2, pair, sizeof(INPUT));
  }
  Sleep(kKeyPauseMs);
}

HWND StripWindow(HWND main) { return GetDlgItem(main, kStripControlId); }

HWND PreviewWindow(HWND main) { return GetDlgItem(main, kPreviewControlId); }

void ClickFirstThumbnail(HWND main) {
  const HWND strip = StripWindow(main);
  if (strip == nullptr) return;
  const LPARAM middle = MAKELPARAM(196 / 2, 164 / 2);
  PostMessageW(strip, WM_LBUTTONDOWN, MK_LBUTTON, middle);
  PostMessageW(strip, WM_LBUTTONUP, 0, middle);
}

bool ConvertAll(HWND main, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  // The handler returns once the progress dialog has closed and the folder was opened.
  return SendMessageTimeoutW(main, WM_COMMAND, CMD_CONVERT, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

std::vector<DWORD> ProcessIds() {
  std::vector<DWORD> ids;
  const KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

std::wstring ProcessName(DWORD processId) {
  const KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return {};
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID != processId) continue;
    std::wstring name = entry.szExeFile;
    name = name.substr(name.find_last_of(L'\\') + 1);
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
    return name;
  }
  return {};
}

std::vector<HWND> NewShellWindows(const std::vector<DWORD>& before) {
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  std::erase_if(windows, [&](HWND window) {
    if (!IsWindowVisible(window)) return true;
    const DWORD owner = ProcessOf(window);
    if (std::find(before.begin(), before.end(), owner) != before.end()) return true;
    const std::wstring name = ProcessName(owner);
    return name != L"explorer.exe" && name != L"winefile.exe";
  });
  return windows;
}

int CloseWindowsAndProcesses(const std::vector<HWND>& windows, DWORD timeoutMs) {
  std::vector<DWORD> processes;
  for (const HWND window : windows) {
    const DWORD owner = ProcessOf(window);
    if (owner != 0 && std::find(processes.begin(), processes.end(), owner) == processes.end()) {
      processes.push_back(owner);
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  int terminated = 0;
  for (const DWORD id : processes) {
    const KernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id));
    if (!process) continue;
    if (WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0) continue;
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 5000);
    ++terminated;
  }
  return terminated;
}

Capture CaptureWindow(HWND window) {
  Capture capture;
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return capture;
  SetWindowPos(GetAncestor(window, GA_ROOT), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  capture.width = rect.right - rect.left;
  capture.height = rect.bottom - rect.top;
  if (capture.width <= 0 || capture.height <= 0) return Capture{};

  const WindowDc screen(nullptr);
  const MemoryDc memory(CreateCompatibleDC(screen.get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const GdiBitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) return Capture{};
  {
    const SelectedObject selected(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, capture.width, capture.height, screen.get(), rect.left, rect.top, SRCCOPY);
    GdiFlush();
  }
  const auto* const pixels = static_cast<const DWORD*>(bits);
  capture.pixels.assign(pixels, pixels + static_cast<size_t>(capture.width) * static_cast<size_t>(capture.height));
  for (DWORD& pixel : capture.pixels) pixel &= 0x00FFFFFF;
  return capture;
}

size_t PixelsNotNear(const Capture& capture, DWORD colour, int tolerance) {
  return static_cast<size_t>(std::count_if(capture.pixels.begin(), capture.pixels.end(), [&](DWORD pixel) {
    for (int shift = 0; shift <= 16; shift += 8) {
      const int a = static_cast<int>((pixel >> shift) & 0xFF);
      const int b = static_cast<int>((colour >> shift) & 0xFF);
      if (std::abs(a - b) > tolerance) return true;
    }
    return false;
  }));
}

bool SavePng(const Capture& capture, const std::wstring& path) {
  if (capture.width <= 0 || capture.height <= 0) return false;
  CLSID png{};
  if (!PngEncoder(png)) return false;
  std::vector<DWORD> opaque(capture.pixels);
  for (DWORD& pixel : opaque) pixel |= 0xFF000000;
  GpBitmap* raw = nullptr;
  if (gp::GdipCreateBitmapFromScan0(capture.width, capture.height, capture.width * 4, PixelFormat32bppRGB,
                                    reinterpret_cast<BYTE*>(opaque.data()), &raw) != Gdiplus::Ok) {
    return false;
  }
  const GpBitmapPtr bitmap(raw);
  return gp::GdipSaveImageToFile(bitmap.get(), path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

}  // namespace drive
