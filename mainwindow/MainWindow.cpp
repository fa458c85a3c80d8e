#include "mainwindow/MainWindow.h"
#include "base/PostToWindow.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <memory>
#include <vector>

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
#include "engine/FileNamePattern.h"
#include "engine/OutputNaming.h"
#include "engine/SaveData.h"
#include "mainwindow/MainMenus.h"
#include "mainwindow/MyPictureImage.h"
#include "mainwindow/PopupMenu.h"
#include "mainwindow/PropSheet.h"
#include "mainwindow/TabParamSetting.h"
#include "update/UpdateCheck.h"
#include "views/DecodeImage.h"
#include "views/MyPictureListView.h"

void ShellOpenFolder(const std::wstring& folder) {
  ShellExecuteW(nullptr, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

MainWindow_CL::MainWindow_CL()
    : splitter(WM_SPLITTER_MOVED), intake(settings), settingsSave(settings, theIniFile, theLog),
      updateQuestions(theIniFile, theLog) {
  style = popupStyle;
  links.settings = &settings;
  links.state = &windowState;
  links.saveNow = [this] { settingsSave.SaveNow(hwnd); };
  // The window's place and its own stored state go into the settings' write.
  settingsSave.placement = [this] {
    std::vector<IniEntry> entries = PlacementEntries();
    const std::vector<IniEntry> state = windowState.Entries();
    entries.insert(entries.end(), state.begin(), state.end());
    return entries;
  };
}

MainWindow_CL::~MainWindow_CL() {
  // A window still open (run modeless) goes first, while every pane object still exists.
  if (hwnd != nullptr && IsWindow(hwnd)) DestroyWindow(hwnd);
  links.previewControl = nullptr;
  links.thumbnailList = nullptr;
  links.mainWindow = nullptr;
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
      // The place is kept from the first layout on.
      if (layoutReady != 0) settingsSave.SaveSoon(window);
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
      if (!presetBar.OnCommand(reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam))) OnCommand(LOWORD(wParam));
      break;
    case WM_DROPFILES:
      intake.AddDropped(reinterpret_cast<HDROP>(wParam));
      break;
    case WM_REFRESH_PREVIEW:
      OnRefreshPreview();
      break;
    case WM_COPYDATA: {
      // The sender's answer is the message result, not the dialog procedure's.
      const bool taken = lParam != 0 && intake.TakeHandedOver(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
      SetWindowLongPtrW(window, DWLP_MSGRESULT, taken ? TRUE : FALSE);
      return TRUE;
    }
    case WM_TIMER:
      if (wParam == kHandoverTimer) intake.AddHandedOver();
      updateQuestions.OnTimer(window, wParam);
      settingsSave.OnTimer(window, wParam);
      break;
    case WM_DESTROY:
      keys.Detach();
      UnmarkHandoverWindow(window);
      intake.Close();
      updateQuestions.Close(window);
      settingsSave.SaveNow(window);
      StopThumbnailDecoder();
      break;
    default:
      break;
  }
  splitter.HandleMouse(message, lParam, window);
  PopupMenu_CL::HandleOwnerDraw(window, message, lParam);
  return 0;
}

void MainWindow_CL::ShowSettings(const ConvertSettings& shown) {
  static_cast<ConvertSettings&>(settings) = shown;
  if (paramTabs != nullptr) paramTabs->ShowSettings();
  links.RequestPreviewRefresh(RefreshPost::kAlways);
}

void MainWindow_CL::OnNotify(const NMHDR& header) {
  if (thumbnailList != nullptr && header.hwndFrom == thumbnailList->hwnd &&
      header.idFrom == static_cast<UINT_PTR>(thumbnailList->id) && header.code == static_cast<UINT>(NM_CLICK)) {
    const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
    SetCurrent(click.iItem);
    // A click always asks for a refresh, pending or not.
    links.RequestPreviewRefresh(RefreshPost::kAlways);
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

void MainWindow_CL::StopThumbnailDecoder() {
  // What it posted and the strip has not taken goes with the strip's inbox.
  if (thumbnailList != nullptr) thumbnailList->decoder.Stop();
}

// ---- initialisation -------------------------------------------------------------------

void MainWindow_CL::Initialize() {
  settings.Load(theIniFile, theLog);
  windowState.Load(theIniFile);
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
  // Between the strip and the pages, where Tab takes it.
  CreatePresetBar();
  CreateParamTabs();
  CreateIntake();
  BuildSplitter();
  RestoreWindowRect();

  layoutReady = 1;
  Layout();
  RequestRefresh();
  links.ApplyTopMost();
  ShowWindow(hwnd, SW_SHOW);
  updateQuestions.Start(hwnd, PostToken());
  intake.AddCommandLine(commandLineText);
  EnableConvertButton();
  keys.Attach(hwnd, KeyboardShortcuts_CL::Panes{{previewBar.fitButton.hwnd, previewBar.actualSizeButton.hwnd,
                                                 previewBar.compareButton.hwnd},
                                                previewBar.weightLine.hwnd, preview ? preview->hwnd : nullptr,
                                                thumbnailList.get(), presetBar.Controls(), paramTabs.get()});
  // Only now can a second start's paths join the strip.
  MarkHandoverWindow(hwnd);
}

void MainWindow_CL::CreatePreview() {
  preview = std::make_unique<MyPictureImage_CL>();
  preview->Create(hwnd, kPreviewControlId, 320, 240, 0, 0);
  preview->SetDisplayMode(windowState.PreviewFit ? kDisplayFit : kDisplayActualSize);
  if (preview->hwnd != nullptr) DragAcceptFiles(preview->hwnd, TRUE);
  previewBar.Create(hwnd);
  previewBar.UseDpi(font, dpi);
  panesDpi = dpi;
  previewBar.ShowState(windowState.PreviewFit, false);
  preview->onModeChanged = [this] { PreviewModeChanged(); };
  preview->onShown = [this] {
    previewBar.SetWeightText(preview->WeightText());
    keys.NamePreview(preview->WeightText());
  };
  links.previewControl = preview.get();
  links.mainWindow = hwnd;
}

void MainWindow_CL::CreateThumbnailList() {
  thumbnailList = std::make_unique<MyPictureListView_CL>(&settings);
  thumbnailList->Create(hwnd, kStripControlId);
  thumbnailList->ReceiveThumbnails();
  thumbnailList->decoder.decodeThreads = DecodeImage_CL::DefaultDecodeThreads();
  thumbnailList->decoder.Start();
  thumbnailList->backgroundColor = kStripBackground;
  if (thumbnailList->hwnd != nullptr) ShowScrollBar(thumbnailList->hwnd, SB_VERT, FALSE);
  SizeStripTiles();
  thumbnailList->layoutMode = kLayoutRow;
  links.thumbnailList = thumbnailList.get();
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
  presetBar.UseDpi(font, dpi);
  intake.UseDpi(font, dpi);
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

void MainWindow_CL::CreateIntake() {
  intake.Create(hwnd, PostToken());
  intake.UseDpi(font, dpi);
  intake.listChanged = [this](bool selectFirst) {
    ListChanged();
    if (selectFirst && thumbnailList != nullptr && ItemCount() > 0) thumbnailList->ClickItem(0);
    EnableConvertButton();
  };
  intake.busyChanged = [this] { Layout(); };
}

// ---- layout ---------------------------------------------------------------------------

void MainWindow_CL::Layout() {
  if (layoutReady == 0) return;
  RECT client{};
  GetClientRect(hwnd, &client);
  std::vector<Placement> statusRow;
  const RECT panes = intake.Place(client, statusRow);
  splitter.ClearPlacements();
  splitter.ComputeLayout(panes);
  PlacePreviewBar();
  PlacePresetBar();
  PlaceCurrentPage();
  splitter.placements.insert(splitter.placements.end(), statusRow.begin(), statusRow.end());
  splitter.ApplyPlacements();
  FitPageToTabs();
  settingsSave.SaveSoon(hwnd);
}

std::vector<IniEntry> MainWindow_CL::PlacementEntries() {
  if (layoutReady == 0) return {};
  // The bars are kept in 96-DPI lengths, which is what a program that knows no DPI was given
  // on a scaled screen: they mean the same on every screen and to every version.
  std::vector<int> positions;
  for (const SplitNode& node : splitter.nodes) positions.push_back(node.position);
  ScaleSplitter(dpi, HighDpiHelper_CL::defaultDpi);
  std::vector<IniEntry> entries{IniEntry{kPlacementSection, kSplitterKey, splitter.LayoutText()}};
  for (size_t i = 0; i < positions.size(); ++i) splitter.nodes[i].position = positions[i];
  if (std::optional<IniEntry> rect = WindowRectEntry(hwnd, kPlacementSection, kWindowRectKey)) entries.push_back(*rect);
  return entries;
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
  windowState.refreshPending = false;
  // A refresh can arrive while a registration job's worker appends to the list.
  const CriticalSectionLock lock(settings.itemsLock);
  const int index = settings.currentIndex;
  if (index >= 0 && index < ItemCount()) {
    SyncEffectPage();
    RenderPreview(links, index);
  } else {
    SyncEffectPage();
    if (preview != nullptr) preview->ShowPlaceholder();
  }
  presetBar.ShowWorkingState();
  settingsSave.SaveSoon(hwnd);
}

// ---- commands -------------------------------------------------------------------------

void MainWindow_CL::OnCommand(UINT id) {
  // "中止", or Esc while photos are searched, stops the search.
  if ((id == kIntakeStopCommand || id == IDCANCEL) && intake.Stop()) return;
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
      intake.ChooseAndAdd();
      break;
    case CMD_CONVERT: {
      // Two or more presets ticked for "まとめて書き出す": one output of each; else the working settings.
      const std::vector<NamedSettings> ticked = presetBar.TickedPresets();
      Convert(ticked.size() >= 2 ? ticked : std::vector<NamedSettings>{{std::wstring(), settings}});
      break;
    }
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

namespace {

// The one question before the first photo is replaced: how many, and where the originals go.
bool ConfirmReplace(HWND owner, int count) {
  const std::wstring text = std::to_wstring(count) +
                            L"枚の写真を変換した写真で置き換えます。元の写真はごみ箱に移します。よろしいですか？";
  return MessageBoxW(owner, text.c_str(), kReplaceCaption, MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) == IDOK;
}

}  // namespace

void MainWindow_CL::Convert(const std::vector<NamedSettings>& outputs) {
  bool replacing = false;
  for (const NamedSettings& output : outputs) {
    const ConvertSettings& settings = output.settings;
    if (!IsUsableCustomSize(settings.outputWidth, settings.outputHeight)) {
      MessageBoxW(hwnd, kTooSmallText, kTooSmallCaption, MB_ICONERROR);
      return;
    }
    if (const PatternProblem problem = CheckFileNamePattern(settings.FileNamePattern);
        problem != PatternProblem::None) {
      const std::wstring text = L"「ファイル名の形式」が使えないため、変換を始めません: " + std::wstring(PatternProblemText(problem));
      MessageBoxW(hwnd, text.c_str(), kOverwriteSourcesCaption, MB_ICONERROR);
      return;
    }
    if (WouldOverwriteSources(settings)) {
      MessageBoxW(hwnd, OverwriteSourcesText(), kOverwriteSourcesCaption, MB_ICONERROR);
      return;
    }
    if (std::wstring problem; FAILED(PrepareChosenFolder(settings, problem))) {
      theLog.Write(L"%s", problem.c_str());
      MessageBoxW(hwnd, problem.c_str(), kOverwriteSourcesCaption, MB_ICONERROR);
      return;
    }
    replacing = replacing || settings.SaveDirTypeIndex == OutputPlace::ReplaceSource;
  }
  std::wstring refusal;
  {
    const CriticalSectionLock lock(settings.itemsLock);
    refusal = OutputsRefusal(settings.items, outputs);
  }
  if (!refusal.empty()) {
    theLog.Write(L"%s", refusal.c_str());
    MessageBoxW(hwnd, refusal.c_str(), kOverwriteSourcesCaption, MB_ICONERROR);
    return;
  }
  if (replacing && !replaceConfirmed) {
    if (!ConfirmReplace(hwnd, ItemCount())) return;
    replaceConfirmed = true;
  }
  MyConvertStartProgress_CL job(settings, outputs);
  job.autoStart = 1;
  job.RunModal(0, 0, hwnd);
  if (!job.refusal.empty()) {
    MessageBoxW(hwnd, job.refusal.c_str(), kOverwriteSourcesCaption, MB_ICONERROR);
    return;
  }
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
    const CriticalSectionLock lock(settings.itemsLock);
    int& rotation = settings.items[static_cast<size_t>(anchor)].rotation;
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
    const CriticalSectionLock lock(settings.itemsLock);
    for (; remaining > 0 && index >= 0; --index) {
      if (!thumbnailList->IsSelected(index)) continue;
      if (index < ItemCount()) settings.items.erase(settings.items.begin() + index);
      --remaining;
    }
    // The current photo may have moved or gone: never leave the pointer on a stale place.
    SetCurrent(settings.currentIndex);
  }
  // The new count first: it empties the selection, and the photo chosen next is selected, so
  // that a second Delete removes it.
  thumbnailList->SetItemCount(static_cast<unsigned>(ItemCount()));
  if (index >= 0) {
    thumbnailList->ClickItem(index);
  } else if (settings.items.empty()) {
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
void MainWindow_CL::ShowAppSettings() { ShowAppSettingsSheet(hwnd, links); }

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
      if (preview->compare) links.RequestPreviewRefresh(RefreshPost::kAlways);
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
  if (fit != 0 && !preview->fittedPicture) links.RequestPreviewRefresh();
  if (windowState.PreviewFit == fit) return;
  windowState.PreviewFit = fit;
  settingsSave.SaveNow(hwnd);
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

// ---- the preset bar -------------------------------------------------------------------

void MainWindow_CL::CreatePresetBar() {
  presetBar.working = [this] { return WorkingSettings(); };
  presetBar.take = [this](const ConvertSettings& shown) { ShowSettings(shown); };
  presetBar.Create(hwnd, theIniFile, theLog);
  intake.otherOutputs = [this] {
    std::vector<ConvertSettings> outputs;
    for (const Preset& preset : presetBar.store.presets) outputs.push_back(preset.settings);
    return outputs;
  };
  presetBar.UseDpi(font, dpi);
}

void MainWindow_CL::PlacePresetBar() {
  const HWND tabs = ParamTabsWindow();
  for (Placement& placement : splitter.placements) {
    if (placement.window != tabs || tabs == nullptr) continue;
    std::vector<Placement> bar;
    placement.rect = presetBar.Place(placement.rect, bar);
    splitter.placements.insert(splitter.placements.end(), bar.begin(), bar.end());
    return;
  }
}

// ---- the tab host ---------------------------------------------------------------------

void MainWindow_CL::CreateParamTabs() {
  paramTabs = std::make_unique<TabParamSetting_CL>();
  paramTabs->Create(hwnd, links);
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
  if (links.convertButton == (paramTabs != nullptr ? paramTabs->startButton : nullptr)) {
    links.convertButton = nullptr;
  }
  paramTabs.reset();
}

// ---- helpers --------------------------------------------------------------------------

void MainWindow_CL::ListChanged() {
  if (thumbnailList == nullptr) return;
  thumbnailList->SetItemCount(static_cast<unsigned>(ItemCount()));
  thumbnailList->UpdateLayout();
  thumbnailList->Repaint();
}

void MainWindow_CL::SetCurrent(int index) {
  settings.currentIndex = index < 0 ? -1 : index;
}

void MainWindow_CL::RequestRefresh() const { links.RequestPreviewRefresh(); }

void MainWindow_CL::EnableConvertButton() const {
  const Button_CL* const button = links.convertButton;
  if (button != nullptr && button->hwnd != nullptr) EnableWindow(button->hwnd, ItemCount() > 0 ? TRUE : FALSE);
}

int MainWindow_CL::ItemCount() const { return static_cast<int>(settings.items.size()); }
