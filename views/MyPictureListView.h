#pragma once
// The application's thumbnail strip: one tile per gathered photo, with the photo's thumbnail
// (from the cache, or requested from the background decoder with a blank placeholder shown
// meanwhile) and a caption with the name its output file will get. Files dropped on the
// strip are passed on to the parent as its own WM_DROPFILES.
//
// The main window, after Create: decoder.SetTargetWindow(itself) and decoder.Start();
// on WM_THUMBNAIL_READY: OnThumbnailReady(wParam, lParam); after rotating a photo:
// RemoveThumbnail(index); whenever items changes in length or order: SetItemCount and
// UpdateLayout.
#include <memory>
#include <string>
#include <vector>

#include "engine/SaveData.h"
#include "views/DecodeImage.h"
#include "views/PictureListView.h"

class MyPictureListView_CL : public PictureListView_CL {
public:
  // record: the record whose photos the strip shows, whose list lock guards them and whose
  // name settings make the captions (the main window's); not owned.
  explicit MyPictureListView_CL(SaveData_CL* record);

  // Passes WM_DROPFILES on to the parent.
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Stops the decoder (dropping its queued requests) before the cache goes.
  ~MyPictureListView_CL() override;
  // Black tile, cached or requested thumbnail, caption.
  void PaintItem(GpGraphics* graphics, const RECT& cell, int index) override;

  // Takes the finished request of a WM_THUMBNAIL_READY (and its ownership). The thumbnail is
  // kept only when its tile still waits for exactly this request and the photo at that index
  // is still the one (path and rotation) it was made from; a late result for a removed,
  // moved or turned photo is dropped. Answers whether the strip changed (it is repainted).
  bool OnThumbnailReady(WPARAM wParam, LPARAM lParam);
  // Forgets one photo's thumbnail (after it was turned); the next paint requests it anew.
  void RemoveThumbnail(int index);
  // The photo's file name with its extension, as a screen reader says it.
  std::wstring ItemName(int index) override;
  // The caption of the photo at index: its output base name; empty for no photo.
  std::wstring CaptionText(int index);

  SaveData_CL* record;
  std::vector<PhotoItem>* photos;  // record's items
  DecodeImage_CL decoder;

private:
  // Path and rotation of photo index, copied under the items lock; false for no photo.
  bool PhotoAt(int index, std::wstring& path, int& rotation);
};
