#pragma once
// A small modal dialog with a progress bar in front of a one-shot worker. The dialog starts
// the worker when it opens (autoStart), the worker reports its progress in steps of 1/2000
// and closes it when it is done, both through the dialog's post token (base/PostToWindow.h):
// the worker never waits for the dialog's thread. The caption has no close box and Enter does nothing:
// only the job ends the dialog. A job made with the cancel button ("中止") may be asked to
// stop: the button, or Escape, sets cancelRequested and disables the button; the job reads
// the flag and decides how to stop, and still closes the dialog itself.
//
// A job derives from this class and implements Run with this protocol:
//   AddToTarget(number of items); for each item { ...; CountDone(); } CloseDialog();
// (or CloseDialogWith(what hands its results over)).
// RunModal joins the worker before it returns, so the owner reads the job's results after it
// and a job never joins by itself.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/ControlFactory.h"
#include "base/EasyThreadBase.h"
#include "toolkit/SubClassDialogBase.h"

class EasyProgress_CL : public SubClassDialogBase_CL, public EasyThreadBase_CL {
public:
  // The cancel button sized for the new DPI and the controls placed again; the job goes on.
  void DpiChanged() override;
  static constexpr int fullPosition = 2000;  // the bar's range is 0..fullPosition
  static constexpr int frameWidth = 480;     // pixels at 96 DPI
  static constexpr int frameHeight = 56;

  EasyProgress_CL(std::wstring caption, int withCancelButton);
  ~EasyProgress_CL() override;

  // Runs the dialog, then waits for the worker: when it returns, the job has ended.
  INT_PTR RunModal(int first, int second, HWND parent) override;
  INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Posts the position to the bar and remembers it. Called from the worker.
  virtual void SetProgress(int position);
  virtual void JoinWorker();

  // The progress protocol, for the worker.
  void AddToTarget(std::uint64_t count);
  void CountDone();
  // Posts the bar the position of doneCount in targetCount when it differs from the last one
  // posted; position 0 when nothing was announced.
  void UpdateProgress();
  // Ends the dialog (WM_CLOSE on its thread, after the positions posted before) when its
  // window still exists.
  void CloseDialog();
  // As CloseDialog, running `handOver` on the dialog's thread first: how a job hands its
  // results back, so the owner reads them where they were put. Without a dialog it runs here.
  template <typename F>
  void CloseDialogWith(F handOver) {
    if (!post) {
      handOver();
      return;
    }
    const HWND dialog = hwnd;
    post->Post([dialog, handOver = std::move(handOver)]() mutable {
      handOver();
      SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
  }
  // What the cancel button and Escape do when the job may be cancelled: sets
  // cancelRequested and disables the button. Nothing otherwise.
  void RequestCancel();

  // done x 2000 / target, truncated; 0 when target is 0, 2000 when done reaches target.
  static int PositionOf(std::uint64_t done, std::uint64_t target);

  ControlFactory_CL controls;
  ProgressBar_CL* progressBar = nullptr;
  Button_CL* cancelButton = nullptr;
  std::wstring title;
  int cancelAllowed = 0;
  int autoStart = 0;
  std::uint64_t targetCount = 0;
  std::uint64_t doneCount = 0;
  int lastPosition = 0;

private:
  // The bar's position set on the dialog's thread.
  void PostPosition(int position);
  // Taken on the dialog's thread before the worker starts; the worker posts through it.
  std::shared_ptr<WindowPost> post;
  void LayOut(HWND dialog);
  void PlaceControls(HWND dialog) const;
  void PlaceOnScreen(HWND dialog) const;
};
