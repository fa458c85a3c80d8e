#pragma once
// A hidden top-level window to hold a picture list in tests. It writes down every
// notification the list sends, the WM_DROPFILES passed on to it, and the finished thumbnail
// requests a decoder posts to it through its post token (it owns those until a test takes
// them).
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <utility>
#include <vector>

#include "views/DecodeImage.h"

class PictureListTestParent {
public:
  struct Note {
    int code;
    int item;
    UINT keyFlags;
    POINT point;
  };

  PictureListTestParent() {
    static const ATOM registered = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof(wc);
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"GlimmersetPictureListTestParent";
      return RegisterClassExW(&wc);
    }();
    (void)registered;
    hwnd = CreateWindowExW(0, L"GlimmersetPictureListTestParent", L"", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 800, 400,
                           nullptr, nullptr, GetModuleHandleW(nullptr), this);
    inbox.Open(hwnd);
  }
  ~PictureListTestParent() {
    Pump();
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  PictureListTestParent(const PictureListTestParent&) = delete;
  PictureListTestParent& operator=(const PictureListTestParent&) = delete;

  // Runs every message already queued for this thread.
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // Pumps until n finished requests have arrived (or 10 s passed).
  bool WaitForThumbnails(std::size_t n) {
    for (int i = 0; i < 2000 && thumbnails.size() < n; ++i) {
      Pump();
      if (thumbnails.size() < n) Sleep(5);
    }
    return thumbnails.size() >= n;
  }
  // The finished requests that arrived, handed over.
  std::vector<std::unique_ptr<DecodeItem_CL>> TakeThumbnails() { return std::exchange(thumbnails, {}); }
  // Sends a decoder's finished requests here.
  void CollectFrom(DecodeImage_CL& decoder) {
    decoder.SetTarget(inbox.Token(), [this](std::unique_ptr<DecodeItem_CL> request) { thumbnails.push_back(std::move(request)); });
  }

  std::vector<Note> NotesWithCode(int code) const {
    std::vector<Note> found;
    for (const Note& note : notes)
      if (note.code == code) found.push_back(note);
    return found;
  }

  HWND hwnd = nullptr;
  std::vector<Note> notes;
  std::vector<WPARAM> drops;
  std::vector<std::unique_ptr<DecodeItem_CL>> thumbnails;
  PostInbox inbox;

private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<PictureListTestParent*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self) {
      if (self->inbox.Handle(message)) return 0;
      switch (message) {
        case WM_NOTIFY: {
          const auto* record = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
          self->notes.push_back(
              {static_cast<int>(record->hdr.code), record->iItem, record->uKeyFlags, record->ptAction});
          return 0;
        }
        case WM_DROPFILES:
          self->drops.push_back(wParam);
          return 0;
        default:
          break;
      }
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
};
