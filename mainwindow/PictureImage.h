#pragma once
// A window that shows one picture at its actual pixel size: centred while it is smaller than
// the client area, scrollable when it is larger. Every paint is composed in a back buffer of
// the client size and copied in one call.
#include <windows.h>

#include <string>

#include "base/GpOwned.h"
#include "mainwindow/StaticImage.h"
#include "toolkit/ScrollBar.h"
#include "views/BackBuffer.h"

constexpr int kDisplayActualSize = 1;

class PictureImage_CL : public StaticImage_CL {
public:
  PictureImage_CL();
  // Paints, sizes and scrolls the window itself; the "Static" procedure never runs.
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  ~PictureImage_CL() override;
  // Composes the pane into `buffer`: black, with the picture at its scrolled or centred place.
  virtual void Draw(BackBuffer_CL& buffer);
  // Creates the child window, routes its messages here and sets up both scroll bars.
  virtual HWND Create(HWND parent, int controlId, int width, int height, int x, int y);

  // Shows a picture file, turned upright by its EXIF orientation and then by `rotation`
  // (a rotate/flip value). A file that cannot be read shows a black pane.
  void LoadFile(std::wstring path, int rotation);
  // Takes over a finished, upright bitmap; none shows a black pane.
  void SetPicture(GpBitmapPtr bitmap);
  // Scroll ranges for the picture in the current client area; a larger picture starts centred.
  void UpdateScrollBars();

  GpImage* Picture() const { return picture.get(); }

  GpImagePtr picture;
  BackBuffer_CL backBuffer;
  int displayMode = 0;
  int loadRotation = 0;
  ScrollBar_CL hScroll;
  ScrollBar_CL vScroll;

private:
  void Paint(HWND window);
  void Repaint(BOOL erase);
};
