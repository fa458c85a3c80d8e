#pragma once
// The main window's two menus: the plain menu bar and the owner-drawn context menu of the
// thumbnail list and the preview. Both only send WM_COMMAND with the main window's command ids
// (mainwindow/MainWindowIds.h) to it.
#include <windows.h>

#include <string>

#include "base/Owned.h"
#include "mainwindow/MainWindowIds.h"

class PopupMenu_CL;


constexpr int menuImageCellWidth = 24;

// "ファイル(&F)", "編集(&R)", "設定(&S)", "ヘルプ(&H)" with their items. The caller owns
// the bar; SetMenu hands it to the window: SetMenu(window, bar.release()).
OwnedMenu CreateMainMenuBar();

// Fills an empty popup menu with the context menu's items: rotate left and right, a
// separator, remove, a separator, the support site.
bool BuildContextMenu(PopupMenu_CL& popup);

// "menu_image.bmp" beside the executable.
std::wstring ContextMenuStripPath();

// Opens the context menu at the mouse cursor; the parent of control (the main window) owns
// it and receives the chosen command. The image strip is read from stripPath each time; when
// it cannot be read the items are drawn with text only.
void ShowContextMenu(HWND control, const std::wstring& stripPath = ContextMenuStripPath());
// The same at a point on the screen: at the current photo when asked for from the keyboard.
void ShowContextMenuAt(HWND control, POINT at, const std::wstring& stripPath = ContextMenuStripPath());
