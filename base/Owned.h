#pragma once
// Owners for platform handles: each releases what it holds when it goes out of scope,
// on every path. Move-only; get() lends, release() gives up ownership, reset() replaces.
#include <windows.h>
#include <objbase.h>
#include <utility>

template <typename Traits>
class Owned {
public:
  using Handle = typename Traits::Handle;

  Owned() = default;
  explicit Owned(Handle h) : handle(h) {}
  Owned(Owned&& other) noexcept : handle(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { reset(); }

  Handle get() const { return handle; }
  explicit operator bool() const { return Traits::IsValid(handle); }

  Handle release() {
    Handle h = handle;
    handle = Handle{};
    return h;
  }

  void reset(Handle h = Handle{}) {
    if (Traits::IsValid(handle)) Traits::Release(handle);
    handle = h;
  }

  // For platform calls that return the handle through an out-parameter.
  Handle* receive() {
    reset();
    return &handle;
  }

private:
  Handle handle{};
};

struct KernelHandleTraits {
  using Handle = HANDLE;
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Release(HANDLE h) { ::CloseHandle(h); }
};
using KernelHandle = Owned<KernelHandleTraits>;

struct FindHandleTraits {
  using Handle = HANDLE;
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Release(HANDLE h) { ::FindClose(h); }
};
using FindHandle = Owned<FindHandleTraits>;

template <typename T>
struct GdiObjectTraits {
  using Handle = T;
  static bool IsValid(T h) { return h != nullptr; }
  static void Release(T h) { ::DeleteObject(h); }
};
using GdiFont = Owned<GdiObjectTraits<HFONT>>;
using GdiBitmap = Owned<GdiObjectTraits<HBITMAP>>;
using GdiPen = Owned<GdiObjectTraits<HPEN>>;
using GdiBrush = Owned<GdiObjectTraits<HBRUSH>>;
using GdiRegion = Owned<GdiObjectTraits<HRGN>>;

struct MemoryDcTraits {
  using Handle = HDC;
  static bool IsValid(HDC h) { return h != nullptr; }
  static void Release(HDC h) { ::DeleteDC(h); }
};
using MemoryDc = Owned<MemoryDcTraits>;

// An open registry key, closed with RegCloseKey. The predefined roots (HKEY_CURRENT_USER...)
// are never held: they are not this program's to close.
struct RegistryKeyTraits {
  using Handle = HKEY;
  static bool IsValid(HKEY h) { return h != nullptr; }
  static void Release(HKEY h) { ::RegCloseKey(h); }
};
using RegistryKey = Owned<RegistryKeyTraits>;

// A library loaded with LoadLibrary(Ex)W, released with FreeLibrary.
struct LoadedModuleTraits {
  using Handle = HMODULE;
  static bool IsValid(HMODULE h) { return h != nullptr; }
  static void Release(HMODULE h) { ::FreeLibrary(h); }
};
using LoadedModule = Owned<LoadedModuleTraits>;

struct MenuTraits {
  using Handle = HMENU;
  static bool IsValid(HMENU h) { return h != nullptr; }
  static void Release(HMENU h) { ::DestroyMenu(h); }
};
using OwnedMenu = Owned<MenuTraits>;

struct GlobalMemoryTraits {
  using Handle = HGLOBAL;
  static bool IsValid(HGLOBAL h) { return h != nullptr; }
  static void Release(HGLOBAL h) { ::GlobalFree(h); }
};
using GlobalMemory = Owned<GlobalMemoryTraits>;

template <typename T>
struct ComTraits {
  using Handle = T*;
  static bool IsValid(T* p) { return p != nullptr; }
  static void Release(T* p) { p->Release(); }
};
template <typename T>
using ComPtr = Owned<ComTraits<T>>;

// A device context borrowed from a window with GetDC, given back with ReleaseDC.
class WindowDc {
public:
  explicit WindowDc(HWND w) : window(w), dc(::GetDC(w)) {}
  ~WindowDc() {
    if (dc) ::ReleaseDC(window, dc);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc; }

private:
  HWND window;
  HDC dc;
};

// Selects a GDI object into a device context and puts the previous one back.
class SelectedObject {
public:
  SelectedObject(HDC d, HGDIOBJ obj) : dc(d), previous(::SelectObject(d, obj)) {}
  ~SelectedObject() {
    if (previous) ::SelectObject(dc, previous);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

private:
  HDC dc;
  HGDIOBJ previous;
};
