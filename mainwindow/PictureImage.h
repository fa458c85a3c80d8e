#pragma once
// A window that shows one picture at its actual pixel size (centred while it is smaller than
// the client area, scrollable when it is larger) or fitted whole into the client area. It can
// also compare the picture with an original of the same size: left of a divider the user
// drags the original, right of it the picture, both at the same scale and place. Every paint
// is composed in a back buffer of the client size and copied in one call.
#include <windows.h>

#include <string>

#include "base/GpOwned.h"
#include "mainwindow/StaticImage.h"
#include "toolkit/ScrollBar.h"
#include "views/BackBuffer.h"

constexpr int kDisplayActualSize = 1;
constexpr int kDisplayFit = 2;

// Where a picture is drawn in the pane, in pane pixels.
struct PictureRect {
  int x;
  int y;
  int width;
  int height;
};

// A width x height picture fitted whole into a paneWidth x paneHeight pane, keeping its aspect
// ratio, and centred (an odd pixel left over goes to the right or bottom). Never enlarged
// unless `enlarge`. Nothing to draw (0 x 0) without a picture or a pane.
PictureRect FitIntoPane(int width, int height, int paneWidth, int paneHeight, bool enlarge = false);

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
  // Takes over a finished, upright bitmap; none shows a black pane. The original to compare
  // with goes (SetOriginal brings the next one).
  void SetPicture(GpBitmapPtr bitmap);
  // A stand-in until the real picture comes: drawn fitted into the pane, enlarged if need be,
  // whatever the mode. Replaced by the next SetPicture or LoadFile.
  void SetStandIn(GpBitmapPtr bitmap);
  // The picture before conversion, the same size as the picture, for the compare view.
  void SetOriginal(GpBitmapPtr bitmap);
  // Copies of the picture and the original already fitted into the pane, drawn instead of
  // scaling those while their size is the size they are drawn at. SetPicture, SetOriginal
  // and LoadFile drop them.
  void SetFitted(GpBitmapPtr picture, GpBitmapPtr original);
  // Actual size (kDisplayActualSize) or fitted (kDisplayFit); the scroll bars follow.
  void SetDisplayMode(int mode);
  // The compare view on or off; it shows only while there is an original.
  void SetCompare(bool on);
  // Where the picture lies in a pane of this size, by the mode (and the scroll position).
  PictureRect PicturePlace(int paneWidth, int paneHeight) const;
  // Scroll ranges for the picture in the current client area; a larger picture starts centred.
  void UpdateScrollBars();

  GpImage* Picture() const { return picture.get(); }
  GpImage* Original() const { return original.get(); }
  bool IsStandIn() const { return standIn; }
  bool Comparing() const { return compare && original; }
  // The divider's place in the pane, in pixels from the left.
  int DividerX(int paneWidth) const;

  GpImagePtr picture;
  GpImagePtr original;
  GpImagePtr fittedPicture;
  GpImagePtr fittedOriginal;
  bool compare = false;
  double divider = 0.5;  // the divider's place as a share of the pane's width
  BackBuffer_CL backBuffer;
  int displayMode = 0;
  int loadRotation = 0;
  ScrollBar_CL hScroll;
  ScrollBar_CL vScroll;

protected:
  void Repaint(BOOL erase);

private:
  void Paint(HWND window);
  void DrawComparison(GpGraphics* graphics, const PictureRect& place, int paneWidth, int paneHeight);
  void MoveDivider(int x);
  bool standIn = false;
};
