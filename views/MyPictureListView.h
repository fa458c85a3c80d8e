#pragma once
// The application's thumbnail strip: one tile per gathered photo, with the photo's thumbnail
// (from the cache, or requested from the background decoder with a blank placeholder shown
// meanwhile) and a caption with the name its output file will get. Files dropped on the
// strip are passed on to the parent as its own WM_DROPFILES.
//
// The main window, after Create: ReceiveThumbnails() and decoder.Start(); whenever items
// changes in length or order: SetItemCount and UpdateLayout. Thumbnails are cached by photo
// (ThumbnailKey), so adding, removing or moving photos keeps them, and a turned photo is
// decoded anew.
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

  // The decoder's finished requests come to OnThumbnailReady, on the strip's thread, through
  // the strip's post token. After Create.
  void ReceiveThumbnails();
  // Takes a finished request. The thumbnail is kept when its photo's entry still waits for
  // exactly this request, wherever the photo is now in the list. Answers whether the strip
  // changed (it is repainted).
  bool OnThumbnailReady(std::unique_ptr<DecodeItem_CL> request);
  // Forgets the thumbnail of the photo at index; the next paint requests it anew.
  void RemoveThumbnail(int index);
  // The new count; the cached thumbnails stay, since they are kept by photo.
  int SetItemCount(unsigned n) override;
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
