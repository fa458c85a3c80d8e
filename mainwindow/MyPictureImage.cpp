#include "mainwindow/MyPictureImage.h"

#include "base/PostToWindow.h"
#include "base/ShellHelpers.h"
#include "engine/ImageSize.h"
#include "engine/PhotoFailure.h"

std::wstring PlaceholderPicturePath() { return ModuleDirectory() + L"\\Glimmerset.jpg"; }

MyPictureImage_CL::~MyPictureImage_CL() { DropPendingResults(); }

LRESULT MyPictureImage_CL::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDBLCLK:
      handled = 1;
      SetDisplayMode(displayMode == kDisplayFit ? kDisplayActualSize : kDisplayFit);
      if (onModeChanged) onModeChanged();
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE && compare) {
        handled = 1;
        SetCompare(false);
        if (onModeChanged) onModeChanged();
        return 0;
      }
      break;
    case WM_DESTROY:
      DropPendingResults();
      break;
    default:
      break;
  }
  const LRESULT result = PictureImage_CL::HandleMessage(window, message, wParam, lParam);
  // Files dropped on the preview are the main window's to handle.
  if (message == WM_DROPFILES) SendMessageW(GetParent(window), WM_DROPFILES, wParam, lParam);
  // A click gives the pane the keyboard, for Esc.
  if (message == WM_LBUTTONDOWN) SetFocus(window);
  return result;
}

void MyPictureImage_CL::ShowPlaceholder() {
  shownSequence = ++requestedSequence;  // whatever is still being rendered is not shown
  requestedPath.clear();
  weightText.clear();
  LoadFile(PlaceholderPicturePath(), 0);
  UpdateScrollBars();
  Shown();
}

void MyPictureImage_CL::RequestRender(const PhotoItem& photo, const SaveData_CL& settings, GpBitmapPtr standIn) {
  auto request = std::make_unique<PreviewRequest>();
  request->sequence = ++requestedSequence;
  request->photo = photo;
  request->settings = settings;
  request->settings.items.clear();  // the renderer needs the parameters, not the list
  request->withOriginal = compare;
  if (displayMode == kDisplayFit) {
    // Fitted here, on the worker, the pictures are drawn without scaling.
    const ImageSize pane = ImageSizeOf(backBuffer.Bitmap());
    request->paneWidth = pane.width;
    request->paneHeight = pane.height;
  }
  if (photo.path != requestedPath) {
    requestedPath = photo.path;
    weightText.clear();
    SetStandIn(std::move(standIn));
    Shown();
  }
  const std::shared_ptr<WindowPost> post = PostToken();
  if (!post) return;
  if (post != workerTarget) {
    worker.SetTarget(post, [this](std::unique_ptr<PreviewResult> result) { OnPreviewReady(std::move(result)); });
    workerTarget = post;
  }
  worker.Submit(std::move(request));
}

void MyPictureImage_CL::OnPreviewReady(std::unique_ptr<PreviewResult> result) {
  // Results come in the order asked for; one overtaken by the placeholder is not shown.
  if (!result || result->sequence <= shownSequence) return;
  Show(std::move(result));
}

void MyPictureImage_CL::Show(std::unique_ptr<PreviewResult> result) {
  shownSequence = result->sequence;
  SetPicture(std::move(result->picture));
  SetOriginal(std::move(result->original));
  SetFitted(std::move(result->fittedPicture), std::move(result->fittedOriginal));
  UpdateScrollBars();
  if (result->failure == PhotoFailure::None) {
    weightText = PreviewWeightText(result->weight);
  } else {
    // The pane turns black; the line says why.
    weightText = std::wstring(FailureText(result->failure)) + L": " + result->detail;
  }
  if (hwnd != nullptr) InvalidateRect(hwnd, nullptr, FALSE);
  Shown();
}

void MyPictureImage_CL::Shown() {
  if (onShown) onShown();
}

void MyPictureImage_CL::DropPendingResults() { worker.StopNow(); }
