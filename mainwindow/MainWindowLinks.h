#pragma once
// What the main window hands the parameter pages, the preview refresh and the settings sheet
// as it makes them: its working settings with the photo list, its own state, and the parts of
// it that they reach (set as it makes them, cleared as it destroys them). The main window owns
// this and everything it points to; nothing below the windows knows it.
#include <windows.h>

#include <functional>

class Button_CL;
class MyPictureImage_CL;
class MyPictureListView_CL;
class SaveData_CL;
struct WindowState;

// How a sender asks for a refresh: most post only while none is pending; a few (a click on a
// thumbnail, a page's own edits) post regardless, as the user expects every click to show.
enum class RefreshPost { kUnlessPending, kAlways };

struct MainWindowLinks {
  SaveData_CL* settings = nullptr;                // the working settings and the photos
  WindowState* state = nullptr;                   // the window's own state
  HWND mainWindow = nullptr;                      // target of WM_REFRESH_PREVIEW and CMD_CONVERT
  MyPictureImage_CL* previewControl = nullptr;
  MyPictureListView_CL* thumbnailList = nullptr;
  Button_CL* convertButton = nullptr;             // the start button of the shown page
  // Writes the settings and the window's state now (the settings sheet's OK).
  std::function<void()> saveNow;

  // The one way to ask for a refresh of the effect page, the preview and the stored settings:
  // posts WM_REFRESH_PREVIEW to the main window; only the first form sets refreshPending.
  // Without a main window nothing is posted (a pending flag set then would never be cleared
  // and would swallow every later request).
  void RequestPreviewRefresh(RefreshPost post = RefreshPost::kUnlessPending) const;
  // Keeps the main window above all others exactly when state->topMost is set.
  void ApplyTopMost() const;
};
