#include "mainwindow/MainWindow.h"
#include "base/PostToWindow.h"
#include "mainwindow/MainWindowLinks.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <memory>
#include <unordered_set>
#include <vector>

#include "base/CommandLine.h"
#include "base/HighContrast.h"
#include "base/HighDpiHelper.h"
#include "base/Inifile.h"
#include "base/LogFile.h"
#include "base/PathHandover.h"
#include "base/ShellHelpers.h"
#include "base/WindowPlacement.h"
#include "mainwindow/ConvertResults.h"
#include "mainwindow/MyConvertStartProgress.h"
#include "engine/ChosenFolder.h"
#include "engine/OutputNaming.h"
#include "engine/SaveData.h"
#include "mainwindow/TheSaveData.h"
#include "intake/FindPicture.h"
#include "intake/MyFileOpenProgress.h"
#include "mainwindow/MainMenus.h"
#include "mainwindow/MyPictureImage.h"
#include "mainwindow/PopupMenu.h"
#include "mainwindow/PropSheet.h"
#include "mainwindow/TabParamSetting.h"
#include "toolkit/FileOpenDialog.h"
#include "update/UpdateCheck.h"
#include "update/UpdateCheckWorker.h"
#include "views/DecodeImage.h"
#include "views/MyPictureListView.h"

namespace {

// Characters of the buffer a dropped path is read into (a longer path is read whole).
constexpr UINT kDropPathCharacters = 520;
constexpr UINT kDropCountQuery = 0xFFFFFFFF;

// Every path of a drop, each read at its full length.
std::vector<std::wstring> DroppedPaths(HDROP drop) {
  std::vector<std::wstring> paths;
  const UINT count = DragQueryFileW(drop, kDropCountQuery, nullptr, 0);
  for (UINT index = 0; index < count; ++index) {
    const UINT length = DragQueryFileW(drop, index, nullptr, 0);
    std::wstring path(length < kDropPathCharacters ? kDropPathCharacters : length + 1, L'\0');
    const UINT copied = DragQueryFileW(drop, index, path.data(), static_cast<UINT>(path.size()));
    path.resize(copied);
    if (!path.empty()) paths.push_back(path);
  }
  return paths;
}

// One choice of the open dialog: its shown name and its patterns, each ended by a zero.
std::wstring FilterEntry(const std::wstring& name, const std::wstring& patterns) {
  return name + L'\0' + patterns + L'\0';
}

// The open dialog's choices: the picture files that discovery takes, or every file.
std::wstring OpenDialogFilter() {
  std::wstring patterns;
  for (const wchar_t* extension : kPictureExtensions) {
    if (!patterns.empty()) patterns += L';';
    patterns += std::wstring(L"*") + extension;
  }
  return FilterEntry(L"写真ファイル (" + patterns + L")", patterns) + FilterEntry(L"すべてのファイル (*.*)", L"*.*");
}

// The key two spellings of one path share: upper case, as the file system compares names.
std::wstring PathKey(const std::wstring& path) {
  std::wstring key = path;
  if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

// Removes the items from `first` on whose path is already in the list, before or after first.
void DropRepeatedPaths(std::vector<PhotoItem>& items, size_t first) {
  std::unordered_set<std::wstring> seen;
  for (size_t index = 0; index < first && index < items.size(); ++index) seen.insert(PathKey(items[index].path));
  size_t kept = first;
  for (size_t index = first; index < items.size(); ++index) {
    if (!seen.insert(PathKey(items[index].path)).second) continue;
    if (kept != index) items[kept] = std::move(items[index]);
    ++kept;
  }
  if (kept < items.size()) items.erase(items.begin() + static_cast<std::ptrdiff_t>(kept), items.end());
}

}  // namespace

void ShellOpenFolder(const std::wstring& folder) {
  ShellExecuteW(nullptr, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

MainWindow_CL::MainWindow_CL() : splitter(WM_SPLITTER_MOVED) { style = popupStyle; }

MainWindow_CL::~MainWindow_CL() {
  // A window still open (run modeless) goes first, while every pane object still exists.
  if (hwnd != nullptr && IsWindow(hwnd)) DestroyWindow(hwnd);
  if (theMainWindowLinks.previewControl == preview.get()) theMainWindowLinks.previewControl = nullptr;
  if (theMainWindowLinks.thumbnailList == thumbnailList.get()) theMainWindowLinks.thumbnailList = nullptr;
  if (theMainWindowLinks.mainWindow == hwnd) theMainWindowLinks.mainWindow = nullptr;
  preview.reset();
  thumbnailList.reset();
  DestroyParamTabs();
}

// ---- messages -------------------------------------------------------------------------

INT_PTR MainWindow_CL::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      Initialize();
      break;
    case WM_MOVE:
      SavePlacement();
      break;
    case WM_SIZE:
    case WM_SPLITTER_MOVED:
      Layout();
      break;
    case WM_DPICHANGED:
      SubClassDialogBase_CL::DialogProc(window, message, wParam, lParam);
      break;
    case WM_SIZING:
      if (lParam != 0) LimitSize(*reinterpret_cast<RECT*>(lParam));
      break;
    case WM_CLOSE:
      EndDialog(window, 0);
      PostQuitMessage(0);
      break;
    case WM_NOTIFY:
      if (lParam != 0) OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
      break;
    case WM_CONTEXTMENU:
      OnContextMenu(reinterpret_cast<HWND>(wParam), lParam);
      break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      PassColourChange(window, message, wParam, lParam);
      break;
    case WM_MENUCHAR:
      if (const LRESULT chosen = PopupMenu_CL::MenuChar(wParam, lParam)) {
        SetWindowLongPtrW(window, DWLP_MSGRESULT, chosen);
        return TRUE;
      }
      break;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      break;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      break;
    case WM_REFRESH_PREVIEW:
      OnRefreshPreview();
      break;
    case WM_THUMBNAIL_READY:
      OnThumbnailReady(wParam, lParam);
      break;
    case WM_UPDATE_FETCHED:
      OnUpdateFetched(lParam);
      break;
    case WM_COPYDATA: {
      // The sender's answer is the message result, not the dialog procedure's.
      const bool taken = lParam != 0 && OnCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
      SetWindowLongPtrW(window, DWLP_MSGRESULT, taken ? TRUE : FALSE);
      return TRUE;
    }
    case WM_TIMER:
      if (wParam == kHandoverTimer) AddHandedOverPaths();
      if (wParam == kUpdateQuestionTimer) AskPendingUpdate();
      if (wParam == kSaveSettingsTimer) SaveSettings();
      break;
    case WM_DESTROY:
      keys.Detach();
      UnmarkHandoverWindow(window);
      KillTimer(window, kHandoverTimer);
      KillTimer(window, kUpdateQuestionTimer);
      SaveSettings();
      DropPendingThumbnails();
      break;
    default:
      break;
  }
  splitter.HandleMouse(message, lParam, window);
  PopupMenu_CL::HandleOwnerDraw(window, message, lParam);
  return 0;
}

void MainWindow_CL::OnNotify(const NMHDR& header) {
  if (thumbnailList != nullptr && header.hwndFrom == thumbnailList->hwnd &&
      header.idFrom == static_cast<UINT_PTR>(thumbnailList->id) && header.code == static_cast<UINT>(NM_CLICK)) {
    const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
    SetCurrent(click.iItem);
    // A click always asks for a refresh, pending or not.
    RequestPreviewRefresh(RefreshPost::kAlways);
    return;
  }
  OnTabNotify(header);
}

void MainWindow_CL::OnContextMenu(HWND source, LPARAM lParam) {
  if (source == nullptr) return;
  if ((thumbnailList != nullptr && source == thumbnailList->hwnd) || (preview != nullptr && source == preview->hwnd)) {
    const bool fromKeyboard = lParam == -1;
    const POINT at = fromKeyboard ? keys.KeyboardMenuPoint(source) : POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ShowContextMenuAt(source, at);
  }
}

void MainWindow_CL::OnThumbnailReady(WPARAM wParam, LPARAM lParam) {
  if (thumbnailList == nullptr) {
    DecodeImage_CL::TakeResult(lParam);  // nobody to show it: destroyed here
    return;
  }
  thumbnailList->OnThumbnailReady(wParam, lParam);
}

void MainWindow_CL::DropPendingThumbnails() {
  if (thumbnailList == nullptr) return;
  thumbnailList->decoder.Stop();
  // Results posted before the worker ended would otherwise die with the window's queue.
  DropPosted<DecodeItem_CL>(hwnd, WM_THUMBNAIL_READY);
}

// ---- initialisation -------------------------------------------------------------------

void MainWindow_CL::Initialize() {
  theSaveData.Load(theIniFile, theLog);
  SetWindowTextW(hwnd, kProgramTitle);
  const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResourceId));
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  SetWindowLongW(hwnd, GWL_STYLE,
                 GetWindowLongW(hwnd, GWL_STYLE) |
                     static_cast<LONG>(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  OwnedMenu bar = CreateMainMenuBar();
  if (bar && SetMenu(hwnd, bar.get())) bar.release();
  DragAcceptFiles(hwnd, TRUE);

  CreatePreview();
  CreateThumbnailList();
  CreateParamTabs();
  BuildSplitter();
  RestoreWindowRect();

  layoutReady = 1;
  Layout();
  RequestRefresh();
  ApplyTopMost();
  ShowWindow(hwnd, SW_SHOW);
  StartUpdateCheck();
  AddCommandLinePaths();
  EnableConvertButton();
  keys.Attach(hwnd, KeyboardShortcuts_CL::Panes{{previewBar.fitButton.hwnd, previewBar.actualSizeButton.hwnd,
                                                 previewBar.compareButton.hwnd},
                                                previewBar.weightLine.hwnd, preview ? preview->hwnd : nullptr,
                                                thumbnailList.get(), paramTabs.get()});
  // Only now can a second start's paths join the strip.
  MarkHandoverWindow(hwnd);
}

void MainWindow_CL::CreatePreview() {
  preview = std::make_unique<MyPictureImage_CL>();
  preview->Create(hwnd, kPreviewControlId, 320, 240, 0, 0);
  preview->SetDisplayMode(theSaveData.PreviewFit != 0 ? kDisplayFit : kDisplayActualSize);
  if (preview->hwnd != nullptr) DragAcceptFiles(preview->hwnd, TRUE);
  previewBar.Create(hwnd);
  previewBar.UseDpi(font, dpi);
  panesDpi = dpi;
  previewBar.ShowState(theSaveData.PreviewFit != 0, false);
  preview->onModeChanged = [this] { PreviewModeChanged(); };
  preview->onShown = [this] {
    previewBar.SetWeightText(preview->WeightText());
    keys.NamePreview(preview->WeightText());
  };
  theMainWindowLinks.previewControl = preview.get();
  theMainWindowLinks.mainWindow = hwnd;
}

void MainWindow_CL::CreateThumbnailList() {
  thumbnailList = std::make_unique<MyPictureListView_CL>(&theSaveData);
  thumbnailList->Create(hwnd);
  thumbnailList->decoder.SetTargetWindow(hwnd);
  thumbnailList->decoder.decodeThreads = DecodeImage_CL::DefaultDecodeThreads();
  thumbnailList->decoder.Start();
  thumbnailList->backgroundColor = kStripBackground;
  if (thumbnailList->hwnd != nullptr) ShowScrollBar(thumbnailList->hwnd, SB_VERT, FALSE);
  SizeStripTiles();
  thumbnailList->layoutMode = kLayoutRow;
  theMainWindowLinks.thumbnailList = thumbnailList.get();
}

void MainWindow_CL::BuildSplitter() {
  splitter.AddNode(nullptr, L"Root(V)", 1, 0);
  splitter.AddNode(nullptr, L"LT(H)  ", 0, 0);
  splitter.AddNode(thumbnailList ? thumbnailList->hwnd : nullptr, L"SplitA", 0, 0);
  splitter.AddNode(preview ? preview->hwnd : nullptr, L"SplitB", 0, 0);
  splitter.AddNode(ParamTabsWindow(), L"SplitC", 0, 0);
  splitter.SetChildren(0, 1, 2);
  splitter.SetChildren(1, 3, 4);
  splitter.LoadLayout(kPlacementSection, kSplitterKey);
  ScaleSplitter(HighDpiHelper_CL::defaultDpi, dpi);
  SizeStrip();
}

// The strip gets the same height at every start, whatever was stored: a scroll bar and a
// row of tiles at the window's DPI.
void MainWindow_CL::SizeStrip() {
  if (splitter.nodes.empty()) return;
  splitter.nodes[0].position = GetSystemMetrics(SM_CYHSCROLL) + HighDpiHelper_CL::Scale(kStripExtraHeight, dpi);
}

// Tiles of the window's DPI; thumbnails decoded for another size are decoded again.
void MainWindow_CL::SizeStripTiles() {
  if (thumbnailList == nullptr) return;
  const auto px = [this](int value) { return HighDpiHelper_CL::Scale(value, dpi); };
  thumbnailList->cache.Clear();
  thumbnailList->UseDpi(dpi);
  thumbnailList->thumbWidth = px(kThumbWidth);
  thumbnailList->thumbHeight = px(kThumbHeight);
  thumbnailList->cellWidth = px(kCellWidth);
  thumbnailList->cellHeight = px(kCellHeight);
}

// The bars' positions from lengths at one DPI to lengths at another.
void MainWindow_CL::ScaleSplitter(int fromDpi, int toDpi) {
  for (SplitNode& node : splitter.nodes) {
    if (node.position > 0) node.position = MulDiv(node.position, toDpi, fromDpi);
  }
}

void MainWindow_CL::DpiChanged() {
  // The bars keep their place for the eye: the same 96-DPI lengths at the new DPI.
  ScaleSplitter(panesDpi, dpi);
  panesDpi = dpi;
  previewBar.UseDpi(font, dpi);
  if (paramTabs != nullptr) paramTabs->UseDpi(dpi, font);
  SizeStripTiles();
  SizeStrip();
  if (thumbnailList != nullptr && thumbnailList->hwnd != nullptr) InvalidateRect(thumbnailList->hwnd, nullptr, TRUE);
  Layout();
}

RECT MainWindow_CL::DefaultWindowRect() const {
  const LayoutMetrics metrics = ClientLayout(hwnd);
  const int width = kMinimumWidthUnits * metrics.unitWidth;
  const int height = kMinimumHeightUnits * metrics.unitHeight;
  const int left = (GetSystemMetrics(SM_CXFULLSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYFULLSCREEN) - height) / 2;
  return RECT{left, top, left + width, top + height};
}

void MainWindow_CL::RestoreWindowRect() {
  const RECT r = LoadWindowRect(kPlacementSection, kWindowRectKey, DefaultWindowRect());
  SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
}

void MainWindow_CL::AddCommandLinePaths() {
  CommandLine_CL commandLine;
  if (commandLineText) {
    commandLine.Parse(*commandLineText);
  } else {
    commandLine.Parse();
  }
  const int files = commandLine.CountFiles();
  if (files == 0) return;
  {
    const CriticalSectionLock lock(theSaveData.itemsLock);
    for (int index = 0; index < files; ++index)
      RegisterPath(commandLine.FileAt(index), theSaveData, theSaveData.MakeFolder, ChosenOutputFolder(theSaveData));
  }
  ListChanged();
}

// ---- layout ---------------------------------------------------------------------------

void MainWindow_CL::Layout() {
  if (layoutReady == 0) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  splitter.ClearPlacements();
  splitter.ComputeLayout(client);
  PlacePreviewBar();
  PlaceCurrentPage();
  splitter.ApplyPlacements();
  FitPageToTabs();
  SavePlacement();
}

void MainWindow_CL::SavePlacement() {
  if (layoutReady == 0) return;
  // The bars are kept in 96-DPI lengths, which is what a program that knows no DPI was given
  // on a scaled screen: they mean the same on every screen and to every version.
  std::vector<int> positions;
  for (const SplitNode& node : splitter.nodes) positions.push_back(node.position);
  ScaleSplitter(dpi, HighDpiHelper_CL::defaultDpi);
  splitter.SaveLayout(kPlacementSection, kSplitterKey);
  for (size_t i = 0; i < positions.size(); ++i) splitter.nodes[i].position = positions[i];
  SaveWindowRect(hwnd, kPlacementSection, kWindowRectKey);
}

void MainWindow_CL::LimitSize(RECT& rect) const {
  const LayoutMetrics metrics = ClientLayout(hwnd);
  const int width = kMinimumWidthUnits * metrics.unitWidth;
  const int height = kMinimumHeightUnits * metrics.unitHeight;
  if (rect.right - rect.left < width) rect.right = rect.left + width;
  if (rect.bottom - rect.top < height) rect.bottom = rect.top + height;
}

// ---- refresh, drop --------------------------------------------------------------------

void MainWindow_CL::OnRefreshPreview() {
  theSaveData.refreshPending = 0;
  // A refresh can arrive while a registration job's worker appends to the list.
  const CriticalSectionLock lock(theSaveData.itemsLock);
  const int index = theSaveData.currentIndex;
  if (index >= 0 && index < ItemCount()) {
    SyncEffectPage();
    RenderPreview(index);
  } else {
    SyncEffectPage();
    if (preview != nullptr) preview->ShowPlaceholder();
  }
  SaveSettingsSoon();
}

void MainWindow_CL::SaveSettingsSoon() {
  const ULONGLONG sinceLast = GetTickCount64() - lastSettingsSave;
  if (sinceLast >= kSaveSettingsIntervalMs) {
    SaveSettings();
    return;
  }
  SetTimer(hwnd, kSaveSettingsTimer, static_cast<UINT>(kSaveSettingsIntervalMs - sinceLast), nullptr);
}

void MainWindow_CL::SaveSettings() {
  KillTimer(hwnd, kSaveSettingsTimer);
  lastSettingsSave = GetTickCount64();
  theSaveData.Save(theIniFile, theLog);
}

void MainWindow_CL::OnDropFiles(HDROP drop) {
  if (drop == nullptr) return;
  const std::vector<std::wstring> paths = DroppedPaths(drop);
  DragFinish(drop);
  {
    const CriticalSectionLock lock(theSaveData.itemsLock);
    theSaveData.Clear();
    for (const std::wstring& path : paths) RegisterPath(path, theSaveData, theSaveData.MakeFolder, ChosenOutputFolder(theSaveData));
  }
  ListChanged();
  EnableConvertButton();
}

bool MainWindow_CL::OnCopyData(const COPYDATASTRUCT& data) {
  std::vector<std::wstring> paths;
  if (!UnpackPathList(data, paths)) return false;
  handedOver.insert(handedOver.end(), paths.begin(), paths.end());
  if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
  // With a job's progress or a sheet open, that one comes to the front.
  SetForegroundWindow(GetLastActivePopup(hwnd));
  // Added from the timer, never inside this call: the sender waits for the answer, and a
  // job's worker may be going through the list right now.
  SetTimer(hwnd, kHandoverTimer, 0, nullptr);
  return true;
}

void MainWindow_CL::AddHandedOverPaths() {
  // A modal window (a job's progress, a sheet, a message box) disables this one: the list
  // is not to change under it. The timer tries again.
  if (!IsWindowEnabled(hwnd)) {
    SetTimer(hwnd, kHandoverTimer, kHandoverRetryMs, nullptr);
    return;
  }
  KillTimer(hwnd, kHandoverTimer);
  if (handedOver.empty()) return;
  const std::vector<std::wstring> paths = std::move(handedOver);
  handedOver.clear();
  int added = 0;
  {
    const CriticalSectionLock lock(theSaveData.itemsLock);
    const size_t before = theSaveData.items.size();
    for (const std::wstring& path : paths) RegisterPath(path, theSaveData, theSaveData.MakeFolder, ChosenOutputFolder(theSaveData));
    // The same photo sent twice, or already in the strip, stays there once.
    DropRepeatedPaths(theSaveData.items, before);
    added = static_cast<int>(theSaveData.items.size() - before);
  }
  theLog.Write(kHandoverAddedLine, static_cast<int>(paths.size()), added, ItemCount());
  ListChanged();
  EnableConvertButton();
}

// ---- commands -------------------------------------------------------------------------

void MainWindow_CL::OnCommand(UINT id) {
  if (OnPreviewCommand(id)) return;
  if (keys.OnCommand(id)) return;
  if (id < kFirstMainCommand || id > kLastMainCommand) return;
  switch (id) {
    case CMD_APP_SETTINGS:
      ShowAppSettings();
      break;
    case CMD_SUPPORT_SITE:
      OpenSupportSite();
      break;
    case CMD_VERSION:
      ShowVersion();
      break;
    case CMD_OPEN:
      OpenFiles();
      break;
    case CMD_CONVERT:
      Convert();
      break;
    case CMD_ROTATE_LEFT:
      RotateAnchor(-1);
      break;
    case CMD_ROTATE_RIGHT:
      RotateAnchor(1);
      break;
    case CMD_REMOVE_ITEM:
      RemoveSelected();
      break;
    default:
      break;
  }
}

void MainWindow_CL::OpenFiles() {
  FileOpenDialog_CL dialog;
  dialog.filter = OpenDialogFilter();
  if (!dialog.Run(true, hwnd, kOpenDialogTitle)) return;
  MyFileOpenProgress_CL job(dialog.Paths(), theSaveData, theSaveData);
  job.autoStart = 1;
  job.RunModal(0, 0, hwnd);
  if (thumbnailList != nullptr) {
    thumbnailList->SetItemCount(static_cast<unsigned>(ItemCount()));
    thumbnailList->ClickItem(0);
    thumbnailList->UpdateLayout();
    thumbnailList->Repaint();
  }
  EnableConvertButton();
}

void MainWindow_CL::Convert() {
  if (!IsUsableCustomSize(theSaveData.outputWidth, theSaveData.outputHeight)) {
    MessageBoxW(hwnd, kTooSmallText, kTooSmallCaption, MB_ICONERROR);
    return;
  }
  if (WouldOverwriteSources(theSaveData)) {
    MessageBoxW(hwnd, OverwriteSourcesText(), kOverwriteSourcesCaption, MB_ICONERROR);
    return;
  }
  if (std::wstring problem; FAILED(PrepareChosenFolder(theSaveData, problem))) {
    theLog.Write(L"%s", problem.c_str());
    MessageBoxW(hwnd, problem.c_str(), kOverwriteSourcesCaption, MB_ICONERROR);
    return;
  }
  MyConvertStartProgress_CL job(theSaveData);
  job.autoStart = 1;
  job.RunModal(0, 0, hwnd);
  if (ResultsNeedWindow(job.counts)) {
    ConvertResults_CL results(SummaryText(job.counts), ResultsList(job.results));
    results.RunModal(0, 0, hwnd);
  }
  // The folder opens for what was written, even when not everything was.
  if (openFolder && !job.folderToShow.empty()) openFolder(job.folderToShow);
}

void MainWindow_CL::RotateAnchor(int step) {
  if (thumbnailList == nullptr) return;
  const int anchor = thumbnailList->GetAnchor();
  if (anchor < 0 || anchor >= ItemCount()) return;
  {
    const CriticalSectionLock lock(theSaveData.itemsLock);
    int& rotation = theSaveData.items[static_cast<size_t>(anchor)].rotation;
    // Any stored value turns into one of the four quarter turns.
    rotation = ((rotation + step) % 4 + 4) % 4;
  }
  thumbnailList->RemoveThumbnail(anchor);
  thumbnailList->Repaint();
  RequestRefresh();
}

void MainWindow_CL::RemoveSelected() {
  // Nothing selected (Delete on a strip just emptied of its selection): nothing moves.
  if (thumbnailList == nullptr || thumbnailList->selectedCount == 0) return;
  unsigned remaining = thumbnailList->selectedCount;
  int index = static_cast<int>(thumbnailList->GetCount()) - 1;
  {
    const CriticalSectionLock lock(theSaveData.itemsLock);
    for (; remaining > 0 && index >= 0; --index) {
      if (!thumbnailList->IsSelected(index)) continue;
      if (index < ItemCount()) theSaveData.items.erase(theSaveData.items.begin() + index);
      --remaining;
    }
    // The current photo may have moved or gone: never leave the pointer on a stale place.
    SetCurrent(theSaveData.currentIndex);
  }
  // The new count first: it empties the selection, and the photo chosen next is selected, so
  // that a second Delete removes it.
  thumbnailList->SetItemCount(static_cast<unsigned>(ItemCount()));
  if (index >= 0) {
    thumbnailList->ClickItem(index);
  } else if (theSaveData.items.empty()) {
    SetCurrent(-1);
  } else {
    thumbnailList->ClickItem(0);
  }
  thumbnailList->Repaint();
  RequestRefresh();
  EnableConvertButton();
}

void MainWindow_CL::OpenSupportSite() { OpenWebPage(SupportSiteAddress()); }

// The sheet applies the top-most state again itself when it returns 1.
void MainWindow_CL::ShowAppSettings() { ShowAppSettingsSheet(hwnd); }

void MainWindow_CL::ShowVersion() { ShowVersionSheet(hwnd); }

// ---- the preview's bar ----------------------------------------------------------------

bool MainWindow_CL::OnPreviewCommand(UINT id) {
  if (preview == nullptr) return false;
  switch (id) {
    case kPreviewFitCommand:
      preview->SetDisplayMode(kDisplayFit);
      break;
    case kPreviewActualSizeCommand:
      preview->SetDisplayMode(kDisplayActualSize);
      break;
    case kPreviewCompareCommand:
      preview->SetCompare(!preview->compare);
      // The picture before conversion is rendered only for the compare view.
      if (preview->compare) RequestPreviewRefresh(RefreshPost::kAlways);
      break;
    case IDCANCEL:  // Esc
      if (!preview->compare) return false;
      preview->SetCompare(false);
      break;
    default:
      return false;
  }
  PreviewModeChanged();
  return true;
}

void MainWindow_CL::PreviewModeChanged() {
  if (preview == nullptr) return;
  const int fit = preview->displayMode == kDisplayFit ? 1 : 0;
  previewBar.ShowState(fit != 0, preview->compare);
  // Rendered for a fitted view, the pictures come fitted into the pane as well.
  if (fit != 0 && !preview->fittedPicture) RequestPreviewRefresh();
  if (theSaveData.PreviewFit == fit) return;
  theSaveData.PreviewFit = fit;
  theSaveData.Save(theIniFile, theLog);
}

void MainWindow_CL::PlacePreviewBar() {
  if (preview == nullptr || preview->hwnd == nullptr) return;
  for (Placement& placement : splitter.placements) {
    if (placement.window != preview->hwnd) continue;
    std::vector<Placement> bar;
    placement.rect = previewBar.Place(placement.rect, bar);
    splitter.placements.insert(splitter.placements.end(), bar.begin(), bar.end());
    return;
  }
}

// ---- the tab host ---------------------------------------------------------------------

void MainWindow_CL::CreateParamTabs() {
  paramTabs = std::make_unique<TabParamSetting_CL>();
  paramTabs->Create(hwnd);
}

void MainWindow_CL::OnTabNotify(const NMHDR& header) {
  if (paramTabs == nullptr || paramTabs->hwnd == nullptr || header.hwndFrom != paramTabs->hwnd) return;
  if (header.idFrom != static_cast<UINT_PTR>(paramTabs->id) || header.code != static_cast<UINT>(TCN_SELCHANGE)) return;
  const int selected = static_cast<int>(SendMessageW(paramTabs->hwnd, TCM_GETCURSEL, 0, 0));
  paramTabs->ShowPage(selected);
}

void MainWindow_CL::PlaceCurrentPage() {
  const HWND tabs = ParamTabsWindow();
  if (tabs == nullptr || paramTabs->currentPage == nullptr || paramTabs->currentPage->hwnd == nullptr) return;
  const HWND page = paramTabs->currentPage->hwnd;
  for (const Placement& placement : splitter.placements) {
    if (placement.window != tabs) continue;
    // The page lies over the tab control's display area; both are children of this window.
    Placement pagePlacement = placement;
    pagePlacement.window = page;
    SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&pagePlacement.rect));
    splitter.placements.push_back(pagePlacement);
    InvalidateRect(tabs, nullptr, TRUE);
    InvalidateRect(page, nullptr, TRUE);
    return;
  }
}

void MainWindow_CL::FitPageToTabs() const {
  const HWND tabs = ParamTabsWindow();
  if (tabs == nullptr || paramTabs->currentPage == nullptr || paramTabs->currentPage->hwnd == nullptr) return;
  // The tab rows wrap by the tab control's width, which has only now been applied: a page
  // placed by the old width could cover a row of tabs.
  RECT area{};
  GetWindowRect(tabs, &area);
  MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&area), 2);
  SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  const HWND page = paramTabs->currentPage->hwnd;
  RECT placed{};
  GetWindowRect(page, &placed);
  MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&placed), 2);
  if (EqualRect(&placed, &area)) return;
  SetWindowPos(page, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top, SWP_NOZORDER);
}

void MainWindow_CL::SyncEffectPage() {
  if (paramTabs != nullptr) paramTabs->SyncEffectPage();
}

HWND MainWindow_CL::ParamTabsWindow() const { return paramTabs != nullptr ? paramTabs->hwnd : nullptr; }

void MainWindow_CL::DestroyParamTabs() {
  if (theMainWindowLinks.convertButton == (paramTabs != nullptr ? paramTabs->startButton : nullptr)) {
    theMainWindowLinks.convertButton = nullptr;
  }
  paramTabs.reset();
}

void MainWindow_CL::StartUpdateCheck() {
  const UpdateCheck_CL check(updateEndpoint, kVersionFilePath, nullptr);
  if (!check.Due()) return;
  if (!UpdateCheckWorker::Start(check, hwnd, WM_UPDATE_FETCHED)) {
    theLog.Write(L"更新確認のスレッドを開始できません: %u", GetLastError());
  }
}

void MainWindow_CL::OnUpdateFetched(LPARAM lParam) {
  pendingUpdate = UpdateCheckWorker::TakeResult(lParam);
  AskPendingUpdate();
}

void MainWindow_CL::AskPendingUpdate() {
  if (!pendingUpdate) return;
  // A modal window (a job's progress, a sheet, a message box) disables this one: the
  // question waits until it has closed.
  if (!IsWindowEnabled(hwnd)) {
    SetTimer(hwnd, kUpdateQuestionTimer, kHandoverRetryMs, nullptr);
    return;
  }
  KillTimer(hwnd, kUpdateQuestionTimer);
  const std::unique_ptr<VersionFile> file = std::move(pendingUpdate);
  const UpdateCheck_CL check(updateEndpoint, kVersionFilePath, nullptr);
  check.Conclude(*file, kUpdateCaption, kInstalledVersion, hwnd);
}

// ---- helpers --------------------------------------------------------------------------

void MainWindow_CL::ListChanged() {
  if (thumbnailList == nullptr) return;
  thumbnailList->SetItemCount(static_cast<unsigned>(ItemCount()));
  thumbnailList->UpdateLayout();
  thumbnailList->Repaint();
}

void MainWindow_CL::SetCurrent(int index) const {
  theSaveData.currentIndex = index < 0 ? -1 : index;
}

void MainWindow_CL::RequestRefresh() const { RequestPreviewRefresh(); }

void MainWindow_CL::EnableConvertButton() const {
  const Button_CL* const button = theMainWindowLinks.convertButton;
  if (button != nullptr && button->hwnd != nullptr) EnableWindow(button->hwnd, ItemCount() > 0 ? TRUE : FALSE);
}

int MainWindow_CL::ItemCount() const { return static_cast<int>(theSaveData.items.size()); }
