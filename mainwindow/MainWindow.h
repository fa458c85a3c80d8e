#pragma once
// The program's only top-level window: a dialog that holds the preview (top left), the
// parameter tabs (top right) and the thumbnail strip (bottom) in a splitter layout. It takes
// dropped files and the command-line paths, dispatches the menu, context-menu and page
// commands, and is where the list, the pages, the decode thread and the splitter report
// their changes (WM_REFRESH_PREVIEW, WM_SPLITTER_MOVED, CMD_CONVERT).
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "engine/NamedSettings.h"
#include "engine/SaveData.h"
#include "mainwindow/KeyboardShortcuts.h"
#include "mainwindow/MainWindowLinks.h"
#include "mainwindow/MainWindowIds.h"
#include "mainwindow/PhotoIntake.h"
#include "mainwindow/PresetBar.h"
#include "mainwindow/PreviewBar.h"
#include "mainwindow/SettingsSaveThrottle.h"
#include "mainwindow/UpdateQuestions.h"
#include "mainwindow/WindowState.h"
#include "toolkit/ControlFactory.h"
#include "toolkit/SplitManager.h"
#include "toolkit/SubClassDialogBase.h"

class MyPictureImage_CL;
class MyPictureListView_CL;
class TabParamSetting_CL;

// The range of command ids the main window dispatches; everything else is ignored.
constexpr UINT kFirstMainCommand = 170;
constexpr UINT kLastMainCommand = 193;

// Fixed values of the main window.
constexpr int kMinimumWidthUnits = 40;   // of the width of "Ｗ"
// Tall enough for the preset area and the longest parameter page above the start button.
constexpr int kMinimumHeightUnits = 57;  // of the height of "Ｗ"
constexpr int kStripExtraHeight = 166;   // the strip is a scroll bar's height plus this
// A strip tile and the thumbnail in it, at 96 DPI.
constexpr int kThumbWidth = 192;
constexpr int kThumbHeight = 144;
constexpr int kCellWidth = 196;
constexpr int kCellHeight = 164;
constexpr DWORD kStripBackground = 0xFFC8C8C8;
constexpr wchar_t kProgramTitle[] = L"Glimmerset";
constexpr wchar_t kPlacementSection[] = L"Window";
constexpr wchar_t kWindowRectKey[] = L"WindowRect";
constexpr wchar_t kSplitterKey[] = L"SpliterRect";
constexpr wchar_t kTooSmallText[] = L"幅と高さには2ピクセル以上を入力してください。";
constexpr wchar_t kTooSmallCaption[] = L"パラメータエラー";
constexpr wchar_t kOverwriteSourcesCaption[] = L"パラメータエラー";
constexpr wchar_t kReplaceCaption[] = L"元の写真を置き換える";

// Opens a folder in the shell ("open" verb); the result is not examined.
void ShellOpenFolder(const std::wstring& folder);

class MainWindow_CL : public SubClassDialogBase_CL {
public:
  MainWindow_CL();
  ~MainWindow_CL() override;

  INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Builds the panes, restores the placement, runs the update check, shows the window and
  // takes the command-line paths.
  virtual void Initialize();
  // Places the panes over the client area and saves the placement (SettingsSaveThrottle_CL).
  virtual void Layout();
  // Every pane at the window's new DPI, then laid out again.
  void DpiChanged() override;

  // The splitter positions and the window rectangle as the settings file keeps them; none
  // before the layout is ready.
  std::vector<IniEntry> PlacementEntries();

  // The command handlers, one per menu or page command.
  void OnCommand(UINT id);
  // Converts the photo list once per output (the working settings alone, or the presets
  // ticked), after the checks that stop a batch before it starts.
  void Convert(const std::vector<NamedSettings>& outputs);
  void RotateAnchor(int step);
  void RemoveSelected();
  void ShowAppSettings();
  void ShowVersion();
  void OpenSupportSite();

  // Effect page and preview follow the current photo; the settings are saved.
  void OnRefreshPreview();
  // Every page shows `shown` and the preview is refreshed; the photos and the window's own
  // state stay. What picking a stored set of settings does.
  void ShowSettings(const ConvertSettings& shown);
  // The working settings, as the pages edit them and a conversion takes them.
  const ConvertSettings& WorkingSettings() const { return settings; }
  void OnNotify(const NMHDR& header);
  // Least size of the window while it is being dragged.
  void LimitSize(RECT& rect) const;
  // The default (and smallest) window rectangle: kMinimumWidthUnits x kMinimumHeightUnits,
  // centred on the screen.
  RECT DefaultWindowRect() const;

  // The working settings and the photos of the strip, read from the settings file as the
  // window is made; the window's own state beside them; and what the pages, the preview and
  // the settings sheet are handed of both and of the window.
  SaveData_CL settings;
  WindowState windowState;
  MainWindowLinks links;

  ControlFactory_CL controls;
  SplitManager_CL splitter;
  int layoutReady = 0;
  // The panes, made when the window is created; null before.
  std::unique_ptr<MyPictureImage_CL> preview;
  std::unique_ptr<MyPictureListView_CL> thumbnailList;
  std::unique_ptr<TabParamSetting_CL> paramTabs;
  PreviewBar_CL previewBar;
  // The presets above the pages.
  PresetBar_CL presetBar;
  // The ways photos come in (drop, open dialog, command line, hand-over) and their walk.
  PhotoIntake_CL intake;
  KeyboardShortcuts_CL keys;

  // The text read as the process's command line; the real one when not set.
  std::optional<std::wstring> commandLineText;
  // Opens the output folder after a conversion.
  std::function<void(const std::wstring&)> openFolder = ShellOpenFolder;
  // The settings and the window's place, written at most every kSaveSettingsIntervalMs.
  SettingsSaveThrottle_CL settingsSave;
  // The update check; tests point its endpoint at a loopback server.
  UpdateQuestions_CL updateQuestions;
  // The user said yes to replacing photos once: later batches in this window ask no more.
  bool replaceConfirmed = false;

private:
  void SizeStrip();
  void SizeStripTiles();
  void ScaleSplitter(int fromDpi, int toDpi);
  int panesDpi = 96;  // the DPI the panes were last laid out for

  void CreatePreview();
  // The preview's buttons and Esc; false for any other command.
  bool OnPreviewCommand(UINT id);
  // The buttons, the stored mode and the compare view follow the preview.
  void PreviewModeChanged();
  void PlacePreviewBar();
  void CreateThumbnailList();
  void CreatePresetBar();
  void PlacePresetBar();
  void CreateParamTabs();
  void BuildSplitter();
  void RestoreWindowRect();
  void CreateIntake();
  // After the list changed length: count, layout and a repaint of the strip.
  void ListChanged();
  void EnableConvertButton() const;
  // Makes items[index] current, or none when index is not a photo.
  void SetCurrent(int index);
  void RequestRefresh() const;
  // Ends the decode thread (at WM_DESTROY).
  void StopThumbnailDecoder();
  int ItemCount() const;
  // lParam -1: asked for from the keyboard (the Apps key, Shift+F10).
  void OnContextMenu(HWND source, LPARAM lParam);
  // The tab host's part: its notifications, the current page's place, the effect page.
  void OnTabNotify(const NMHDR& header);
  void PlaceCurrentPage();
  void FitPageToTabs() const;
  void SyncEffectPage();
  HWND ParamTabsWindow() const;
  void DestroyParamTabs();
};
