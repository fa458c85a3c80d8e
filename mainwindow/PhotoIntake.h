#pragma once
// The ways photos come into the main window: a drop (which replaces the list), the open
// dialog, the command line and a hand-over from a second start. Each queues a request on the
// one intake job (intake/IntakeJob), whose worker reads the folders; its batches join the
// list here, on the user-interface thread, so the strip fills as the photos are found. While
// a walk goes on, a status line under the panes counts them beside "中止", which (like Esc)
// stops it and keeps what was found.
//
// A drop stops every walk in hand or waiting (their photos would go with the list it
// replaces); the other ways add to the list and wait their turn behind the walk in hand.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/SaveData.h"
#include "intake/IntakeJob.h"
#include "toolkit/Button.h"
#include "toolkit/SplitManager.h"
#include "toolkit/StaticText.h"

// Timer that adds handed-over paths once no modal window (a job, a sheet) holds the window.
constexpr UINT_PTR kHandoverTimer = 0x4741;
constexpr UINT kHandoverRetryMs = 200;
constexpr UINT kIntakeStopCommand = 0x5A10;  // the "中止" button's id
constexpr int kIntakeStatusLineId = 0x5A11;
constexpr wchar_t kIntakeStopText[] = L"中止";
constexpr wchar_t kOpenDialogTitle[] = L"変換する写真ファイルを選択してください";
constexpr wchar_t kHandoverAddedLine[] = L"他の起動から受け取ったパス %d 件で写真が %d 枚増えました (一覧 %d 枚)。";
constexpr wchar_t kIntakeStoppedLine[] = L"写真の検索を中止しました (見つかった %d 枚は一覧に残しました)。";
constexpr wchar_t kIntakeUnreadLine[] = L"フォルダを読めませんでした: %s : %s";

class PhotoIntake_CL {
public:
  // record: the window's settings and photo list; not owned.
  explicit PhotoIntake_CL(SaveData_CL& record) : record(record) {}
  PhotoIntake_CL(const PhotoIntake_CL&) = delete;
  PhotoIntake_CL& operator=(const PhotoIntake_CL&) = delete;

  // The settings of the other outputs a run may write (the presets): their output folders are
  // passed over by every walk, as the working settings' are. None when not set.
  std::function<std::vector<ConvertSettings>()> otherOutputs;

  // The status line and "中止" as children of `window`, and the job posting to it.
  void Create(HWND window, std::shared_ptr<WindowPost> post);
  void UseDpi(HFONT font, int dpi);
  // The room left for the panes in `client`: all of it, or, while photos are searched, all
  // but a status row at the bottom. Adds the placements of the row's controls.
  RECT Place(const RECT& client, std::vector<Placement>& placements) const;

  // The ways in. A drop replaces the list; the others add to it.
  void AddDropped(HDROP drop);
  // The open dialog; the first photo of the list becomes current as soon as one is there.
  void ChooseAndAdd();
  // The command line's paths (the process's own when `text` is not set).
  void AddCommandLine(const std::optional<std::wstring>& text);
  // A second start's paths (WM_COPYDATA): kept, the window comes to the front, and they are
  // added from the timer. False for a message that is no well-formed path list.
  bool TakeHandedOver(const COPYDATASTRUCT& data);
  // The kept paths' photos join, each photo once, as soon as no modal window is open.
  void AddHandedOver();

  // A batch of the job: the found photos join the list.
  void OnBatch(std::unique_ptr<IntakeBatch> batch);
  // "中止" or Esc: true when photos were being searched (the walk stops, its photos stay).
  bool Stop();
  bool Busy() const { return !running.empty(); }
  // At WM_DESTROY: ends the walk and frees the batches still queued for the window.
  void Close();

  // The list changed length; with selectFirst, photo 0 is to become current.
  std::function<void(bool selectFirst)> listChanged;
  // The status row came or went: the panes are to be laid out again.
  std::function<void()> busyChanged;

  IntakeJob_CL job;
  Button_CL stopButton;
  StaticText_CL statusLine;

private:
  enum class Way { Dropped, Chosen, Named, HandedOver };
  struct Running {
    Way way = Way::Named;
    int paths = 0;
    int added = 0;
    std::size_t folders = 0;
  };
  void Queue(std::vector<std::wstring> paths, Way way);
  void Finish(std::uint64_t request, const IntakeBatch& batch);
  void ShowStatus() const;
  int RowHeight() const;

  SaveData_CL& record;
  HWND window = nullptr;
  std::map<std::uint64_t, Running> running;  // requests not yet done, by number
  std::uint64_t acceptFrom = 0;              // batches of requests before the last drop are dropped
  std::vector<std::wstring> handedOver;      // handed over and not yet queued
  int found = 0;                             // photos added since the status row came
  std::size_t foldersDone = 0;               // folders read by the requests done since then
  int dpi = 96;
};
