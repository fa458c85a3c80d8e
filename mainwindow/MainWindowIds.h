#pragma once
// The main window's ids in one place: the commands it dispatches (from the menus, the context
// menu and the pages' start button), its panes' control ids and its icon. The driver of the
// running program reads the same ones.
#include <windows.h>

// WM_COMMAND ids the main window dispatches (kFirstMainCommand..kLastMainCommand).
constexpr UINT CMD_APP_SETTINGS = 170;
constexpr UINT CMD_SUPPORT_SITE = 180;
constexpr UINT CMD_VERSION = 181;
constexpr UINT CMD_OPEN = 182;
// The "変換開始" button of a parameter page.
constexpr UINT CMD_CONVERT = 190;
constexpr UINT CMD_ROTATE_LEFT = 191;
constexpr UINT CMD_ROTATE_RIGHT = 192;
constexpr UINT CMD_REMOVE_ITEM = 193;

// Control ids of the preview and the thumbnail strip.
constexpr int kPreviewControlId = 0x1234;
constexpr int kStripControlId = 0x1235;

// The program's icon in the resources (app/Glimmerset.rc).
constexpr int kIconResourceId = 107;
