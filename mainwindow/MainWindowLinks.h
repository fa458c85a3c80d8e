#pragma once
// The main window's parts that the pages, the preview refresh and the settings sheet reach:
// set by the main window as it makes them, cleared as it destroys them. The settings record
// knows none of them.
#include <windows.h>

class Button_CL;
class MyPictureImage_CL;
class MyPictureListView_CL;

struct MainWindowLinks {
  HWND mainWindow = nullptr;                      // target of WM_REFRESH_PREVIEW and CMD_CONVERT
  MyPictureImage_CL* previewControl = nullptr;
  MyPictureListView_CL* thumbnailList = nullptr;
  Button_CL* convertButton = nullptr;             // the start button of the shown page
};

extern MainWindowLinks theMainWindowLinks;

// How a sender asks for a refresh: most post only while none is pending; a few (a click on a
// thumbnail, a page's own edits) post regardless, as the user expects every click to show.
enum class RefreshPost { kUnlessPending, kAlways };

// The one way to ask for a refresh of the effect page, the preview and the stored settings:
// posts WM_REFRESH_PREVIEW to the main window; only the first form sets refreshPending. Without a main window nothing is posted (a
// pending flag set then would never be cleared and would swallow every later request).
void RequestPreviewRefresh(RefreshPost post = RefreshPost::kUnlessPending);

// Keeps the main window above all others exactly when theSaveData.topMost is set.
void ApplyTopMost();
