#include "mainwindow/PhotoIntake.h"

#include <algorithm>

#include "base/CommandLine.h"
#include "base/HighDpiHelper.h"
#include "base/LogFile.h"
#include "base/Messages.h"
#include "base/PathHandover.h"
#include "base/PostToWindow.h"
#include "base/ShellHelpers.h"
#include "engine/ChosenFolder.h"
#include "intake/FindPicture.h"
#include "toolkit/FileOpenDialog.h"

namespace {

// Characters of the buffer a dropped path is read into (a longer path is read whole).
constexpr UINT kDropPathCharacters = 520;
constexpr UINT kDropCountQuery = 0xFFFFFFFF;
constexpr DWORD kChild = WS_CHILD | WS_CLIPSIBLINGS;
constexpr int kButtonPadding = 8;  // around the caption, each way
constexpr int kGap = 2;

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

Placement At(HWND control, int left, int top, int right, int bottom, bool shown) {
  Placement placement;
  placement.window = control;
  placement.rect = RECT{left, top, std::max(left, right), std::max(top, bottom)};
  placement.showFlags = SWP_NOZORDER | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
  return placement;
}

}  // namespace

void PhotoIntake_CL::Create(HWND owner, std::shared_ptr<WindowPost> post) {
  window = owner;
  job.SetTarget(std::move(post), [this](std::unique_ptr<IntakeBatch> batch) { OnBatch(std::move(batch)); });
  statusLine.CreateControl(0, L"Static", L"", kChild | SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, 0, 0, 0, 0, owner,
                           kIntakeStatusLineId);
  stopButton.CreateControl(0, L"Button", kIntakeStopText, kChild | BS_PUSHBUTTON, 0, 0, 0, 0, owner,
                           kIntakeStopCommand);
}

void PhotoIntake_CL::UseDpi(HFONT font, int newDpi) {
  dpi = newDpi;
  statusLine.UseFont(font, dpi);
  stopButton.UseFont(font, dpi);
}

int PhotoIntake_CL::RowHeight() const {
  return stopButton.TextHeight(kIntakeStopText) + HighDpiHelper_CL::Scale(kButtonPadding, dpi);
}

RECT PhotoIntake_CL::Place(const RECT& client, std::vector<Placement>& placements) const {
  const bool shown = Busy();
  const int row = shown ? RowHeight() : 0;
  const int gap = HighDpiHelper_CL::Scale(kGap, dpi);
  const int buttonWidth = stopButton.TextWidth(kIntakeStopText) + 2 * HighDpiHelper_CL::Scale(kButtonPadding, dpi);
  const int top = client.bottom - row;
  placements.push_back(At(statusLine.hwnd, client.left + gap, top, client.right - buttonWidth - 2 * gap,
                          client.bottom, shown));
  placements.push_back(At(stopButton.hwnd, client.right - buttonWidth - gap, top, client.right - gap, client.bottom,
                          shown));
  RECT panes = client;
  panes.bottom = std::max<LONG>(client.top, top);
  return panes;
}

// ---- the ways in ----------------------------------------------------------------------

void PhotoIntake_CL::AddDropped(HDROP drop) {
  if (drop == nullptr) return;
  std::vector<std::wstring> paths = DroppedPaths(drop);
  DragFinish(drop);
  // The walks in hand fill a list that is going: their photos are dropped as they come.
  job.StopAll();
  {
    const CriticalSectionLock lock(record.itemsLock);
    record.Clear();
  }
  if (listChanged) listChanged(false);
  Queue(std::move(paths), Way::Dropped);
}

void PhotoIntake_CL::ChooseAndAdd() {
  FileOpenDialog_CL dialog;
  dialog.filter = OpenDialogFilter();
  if (!dialog.Run(true, window, kOpenDialogTitle)) return;
  Queue(dialog.Paths(), Way::Chosen);
}

void PhotoIntake_CL::AddCommandLine(const std::optional<std::wstring>& text) {
  CommandLine_CL commandLine;
  if (text) {
    commandLine.Parse(*text);
  } else {
    commandLine.Parse();
  }
  std::vector<std::wstring> paths;
  for (int index = 0; index < commandLine.CountFiles(); ++index) paths.push_back(commandLine.FileAt(index));
  Queue(std::move(paths), Way::Named);
}

bool PhotoIntake_CL::TakeHandedOver(const COPYDATASTRUCT& data) {
  std::vector<std::wstring> paths;
  if (!UnpackPathList(data, paths)) return false;
  handedOver.insert(handedOver.end(), paths.begin(), paths.end());
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  // With a job's progress or a sheet open, that one comes to the front.
  SetForegroundWindow(GetLastActivePopup(window));
  // Queued from the timer, never inside this call: the sender waits for the answer.
  SetTimer(window, kHandoverTimer, 0, nullptr);
  return true;
}

void PhotoIntake_CL::AddHandedOver() {
  // A modal window (a job's progress, a sheet, a message box) disables this one: the list
  // is not to change under it. The timer tries again.
  if (!IsWindowEnabled(window)) {
    SetTimer(window, kHandoverTimer, kHandoverRetryMs, nullptr);
    return;
  }
  KillTimer(window, kHandoverTimer);
  if (handedOver.empty()) return;
  std::vector<std::wstring> paths = std::move(handedOver);
  handedOver.clear();
  Queue(std::move(paths), Way::HandedOver);
}

void PhotoIntake_CL::Queue(std::vector<std::wstring> paths, Way way) {
  if (paths.empty()) return;
  IntakeRequest request;
  std::vector<ConvertSettings> outputs{record};
  if (otherOutputs) {
    for (ConvertSettings& other : otherOutputs()) outputs.push_back(std::move(other));
  }
  request.skipped = SkippedFoldersOf(outputs);
  // The same photo sent twice, or already in the strip, stays there once.
  request.onceEach = way == Way::HandedOver;
  if (request.onceEach) {
    const CriticalSectionLock lock(record.itemsLock);
    for (const PhotoItem& item : record.items) request.listed.push_back(item.path);
  }
  const int pathCount = static_cast<int>(paths.size());
  request.paths = std::move(paths);
  const bool wasBusy = Busy();
  const std::uint64_t number = job.Add(std::move(request));
  if (way == Way::Dropped) acceptFrom = number;
  running[number] = Running{way, pathCount, 0, 0};
  if (!wasBusy) {
    found = 0;
    foldersDone = 0;
    if (busyChanged) busyChanged();
  }
  ShowStatus();
}

// ---- what the walk finds ----------------------------------------------------------------

void PhotoIntake_CL::OnBatch(std::unique_ptr<IntakeBatch> batch) {
  if (!batch) return;
  const auto request = running.find(batch->request);
  const bool accepted = batch->request >= acceptFrom;
  if (accepted) {
    for (const UnreadFolder& folder : batch->unread) {
      theLog.Write(kIntakeUnreadLine, folder.folder.c_str(), SystemErrorText(folder.error).c_str());
    }
  }
  bool selectFirst = false;
  if (accepted && !batch->photos.empty()) {
    {
      const CriticalSectionLock lock(record.itemsLock);
      record.items.reserve(record.items.size() + batch->photos.size());
      for (PhotoItem& item : batch->photos) record.AddItem(std::move(item));
    }
    const int added = static_cast<int>(batch->photos.size());
    found += added;
    if (request != running.end()) {
      request->second.added += added;
      // The open dialog's first photo becomes current once, as soon as it is there.
      selectFirst = request->second.way == Way::Chosen && request->second.added == added;
    }
    if (listChanged) listChanged(selectFirst);
  }
  if (request == running.end()) return;
  request->second.folders = batch->folders;
  if (batch->done) Finish(batch->request, *batch);
  ShowStatus();
}

void PhotoIntake_CL::Finish(std::uint64_t number, const IntakeBatch& batch) {
  const auto request = running.find(number);
  const Running done = request->second;
  running.erase(request);
  foldersDone += done.folders;
  if (number >= acceptFrom) {
    if (done.way == Way::HandedOver) {
      theLog.Write(kHandoverAddedLine, done.paths, done.added, static_cast<int>(record.items.size()));
    }
    if (batch.stopped) theLog.Write(kIntakeStoppedLine, done.added);
  }
  // A list that stayed empty still wants its button looked at.
  if (done.added == 0 && listChanged) listChanged(false);
  if (!Busy() && busyChanged) busyChanged();
}

bool PhotoIntake_CL::Stop() {
  if (!Busy()) return false;
  job.StopAll();
  return true;
}

void PhotoIntake_CL::Close() {
  KillTimer(window, kHandoverTimer);
  job.Shutdown();
  running.clear();
}

void PhotoIntake_CL::ShowStatus() const {
  if (statusLine.hwnd == nullptr) return;
  std::size_t folders = foldersDone;
  for (const auto& request : running) folders += request.second.folders;
  const std::wstring text = L"写真を探しています: " + std::to_wstring(found) + L" 枚 (フォルダ " +
                            std::to_wstring(folders) + L")";
  SetWindowTextW(statusLine.hwnd, text.c_str());
}
