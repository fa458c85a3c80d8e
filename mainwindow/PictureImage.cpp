#include "mainwindow/PictureImage.h"

#include "base/HighContrast.h"
#include "base/HighDpiHelper.h"
#include "engine/ImageSize.h"
#include "engine/PhotoResize.h"
#include "engine/VipsBitmap.h"

namespace {

constexpr DWORD kPictureImageStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | SS_BITMAP | SS_REALSIZEIMAGE;
constexpr UINT kScrollMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
constexpr Gdiplus::ARGB kOpaqueBlack = 0xFF000000;
constexpr Gdiplus::ARGB kDividerColour = 0xFFFFFFFF;

// Around the picture and the compare view's divider: black and white, or with high contrast
// on the user's window and text colours. The picture's own pixels stay as they are.
Gdiplus::ARGB PaneColour() { return HighContrastOn() ? OpaqueArgb(GetSysColor(COLOR_WINDOW)) : kOpaqueBlack; }
Gdiplus::ARGB DividerColour() { return HighContrastOn() ? OpaqueArgb(GetSysColor(COLOR_WINDOWTEXT)) : kDividerColour; }
constexpr float kDividerWidth = 2.0f;
// Hidden bars: with SIF_DISABLENOSCROLL an idle bar would stay, disabled, taking room.
constexpr UINT kHiddenScrollMask = SIF_RANGE | SIF_PAGE | SIF_POS;

ImageSize ClientSizeOf(HWND window) {
  RECT client{};
  if (!GetClientRect(window, &client)) return {};
  return {client.right - client.left, client.bottom - client.top};
}

// BeginPaint .. EndPaint for the life of the object.
class PaintSession {
public:
  explicit PaintSession(HWND w) : window(w), dc(BeginPaint(w, &paint)) {}
  ~PaintSession() { EndPaint(window, &paint); }
  PaintSession(const PaintSession&) = delete;
  PaintSession& operator=(const PaintSession&) = delete;
  HDC get() const { return dc; }

private:
  HWND window;
  PAINTSTRUCT paint{};
  HDC dc;
};

// One bar's range for a picture side `picture` seen through a client side `client`: when the
// picture is larger the bar spans it and the view starts at its middle, else the bar is idle.
void FitBarToPicture(ScrollBar_CL& bar, int client, int picture) {
  if (client < picture) {
    bar.info.nMin = 0;
    bar.info.nMax = picture;
    bar.info.nPage = static_cast<UINT>(client);
    bar.info.nPos = (picture - client) / 2;
  } else {
    bar.info.nMin = 0;
    bar.info.nMax = 0;
    bar.info.nPage = 0;
    bar.info.nPos = 0;
  }
  bar.Apply();
}

// Where the picture's left (top) edge goes: centred, or at minus the scroll position while
// the window shows that scroll bar.
float PictureOrigin(HWND window, int bar, LONG_PTR barStyle, int buffer, int picture) {
  if ((GetWindowLongPtrW(window, GWL_STYLE) & barStyle) == 0) {
    return static_cast<float>(buffer - picture) * 0.5f;
  }
  int position = GetScrollPos(window, bar);
  if (position < 0) position = 0;
  return -static_cast<float>(position);
}

void IdleBar(ScrollBar_CL& bar, UINT mask) {
  bar.info.fMask = mask;
  FitBarToPicture(bar, 1, 0);
}

// The pane's graphics drawing the picture where it lies: its fitted copy when that has the
// very size (pixel for pixel is many times faster), else the picture scaled.
void DrawPictureAt(GpGraphics* graphics, GpImage* image, GpImage* fitted, const PictureRect& place) {
  const ImageSize ready = ImageSizeOf(fitted);
  GpImage* const source = ready.width == place.width && ready.height == place.height ? fitted : image;
  const ImageSize size = ImageSizeOf(source);
  // Pixel for pixel, nothing is sampled between pixels: the nearest one is the very one.
  const bool oneToOne = size.width == place.width && size.height == place.height;
  gp::GdipSetInterpolationMode(graphics, oneToOne ? Gdiplus::InterpolationModeNearestNeighbor
                                                  : Gdiplus::InterpolationModeDefault);
  gp::GdipDrawImageRectI(graphics, source, place.x, place.y, place.width, place.height);
}

}  // namespace

PictureRect FitIntoPane(int width, int height, int paneWidth, int paneHeight, bool enlarge) {
  if (width <= 0 || height <= 0 || paneWidth <= 0 || paneHeight <= 0) return {0, 0, 0, 0};
  FittedSize size{width, height};
  if (enlarge || width > paneWidth || height > paneHeight) size = FitSize(width, height, paneWidth, paneHeight);
  return {(paneWidth - size.width) / 2, (paneHeight - size.height) / 2, size.width, size.height};
}

PictureImage_CL::PictureImage_CL() {
  backBuffer.pixelFormat = PixelFormat32bppRGB;  // 0x22009
  hScroll.wheelStep = -1;
  hScroll.lineStep = 1;
  vScroll.wheelStep = -1;
  vScroll.lineStep = 1;
}

PictureImage_CL::~PictureImage_CL() { picture.reset(); }

HWND PictureImage_CL::Create(HWND parent, int controlId, int width, int height, int x, int y) {
  if (!CreateControl(0, L"Static", L"", kPictureImageStyle, x, y, width, height, parent, controlId, false))
    return nullptr;
  Subclass();
  hScroll.Bind(hwnd, SB_HORZ, kScrollMask);
  vScroll.Bind(hwnd, SB_VERT, kScrollMask);
  // The creation's own WM_SIZE came before the window was routed here.
  const ImageSize client = ClientSizeOf(hwnd);
  backBuffer.Resize(client.width, client.height);
  return hwnd;
}

void PictureImage_CL::LoadFile(std::wstring path, int rotation) {
  loadRotation = rotation;
  picture.reset();
  // At its own size, upright and turned, read as every photo is.
  constexpr int kAnySize = 1 << 20;
  const PreparedPhoto photo = ThumbnailPhoto(path, rotation, kAnySize, kAnySize);
  if (photo.picture) picture.reset(ToGdiplusBitmap(photo.picture.get()).release());
  original.reset();
  fittedPicture.reset();
  fittedOriginal.reset();
  standIn = false;
  Repaint(TRUE);
}

void PictureImage_CL::SetPicture(GpBitmapPtr bitmap) {
  loadRotation = 0;
  picture.reset();
  picture.reset(bitmap.release());
  original.reset();
  fittedPicture.reset();
  fittedOriginal.reset();
  standIn = false;
  Repaint(TRUE);
}

void PictureImage_CL::SetStandIn(GpBitmapPtr bitmap) {
  SetPicture(std::move(bitmap));
  standIn = static_cast<bool>(picture);
  UpdateScrollBars();
}

void PictureImage_CL::SetFitted(GpBitmapPtr fitted, GpBitmapPtr fittedBefore) {
  fittedPicture.reset(fitted.release());
  fittedOriginal.reset(fittedBefore.release());
  if (hwnd != nullptr) InvalidateRect(hwnd, nullptr, FALSE);
}

void PictureImage_CL::SetOriginal(GpBitmapPtr bitmap) {
  original.reset(bitmap.release());
  fittedOriginal.reset();
  if (hwnd != nullptr) InvalidateRect(hwnd, nullptr, FALSE);
}

void PictureImage_CL::SetDisplayMode(int mode) {
  displayMode = mode;
  UpdateScrollBars();
  if (hwnd != nullptr) InvalidateRect(hwnd, nullptr, FALSE);
}

void PictureImage_CL::SetCompare(bool on) {
  compare = on;
  if (hwnd != nullptr) InvalidateRect(hwnd, nullptr, FALSE);
}

int PictureImage_CL::DividerX(int paneWidth) const {
  const double share = divider < 0 ? 0 : divider > 1 ? 1 : divider;
  return static_cast<int>(share * paneWidth + 0.5);
}

PictureRect PictureImage_CL::PicturePlace(int paneWidth, int paneHeight) const {
  const ImageSize image = ImageSizeOf(picture.get());
  if (standIn || displayMode == kDisplayFit) return FitIntoPane(image.width, image.height, paneWidth, paneHeight, standIn);
  if (image.width <= 0 || image.height <= 0) return {0, 0, 0, 0};
  const float x = PictureOrigin(hwnd, SB_HORZ, WS_HSCROLL, paneWidth, image.width);
  const float y = PictureOrigin(hwnd, SB_VERT, WS_VSCROLL, paneHeight, image.height);
  // Truncated as GDI+ places a picture at a fractional origin.
  return {static_cast<int>(x), static_cast<int>(y), image.width, image.height};
}

void PictureImage_CL::UpdateScrollBars() {
  if (!hwnd) return;
  if (standIn || displayMode == kDisplayFit) {
    // The whole picture is in view: no bars.
    IdleBar(hScroll, kHiddenScrollMask);
    IdleBar(vScroll, kHiddenScrollMask);
    return;
  }
  hScroll.info.fMask = kScrollMask;
  vScroll.info.fMask = kScrollMask;
  if (!picture) return;
  const ImageSize image = ImageSizeOf(picture.get());
  // Each bar may show or hide the other's room: read the client size afresh for each.
  FitBarToPicture(hScroll, ClientSizeOf(hwnd).width, image.width);
  FitBarToPicture(vScroll, ClientSizeOf(hwnd).height, image.height);
}

void PictureImage_CL::Draw(BackBuffer_CL& buffer) {
  GpBitmap* const target = buffer.Bitmap();
  if (target == nullptr) return;
  // Without a picture the pane is black, never the picture shown before.
  const Gdiplus::ARGB background = PaneColour();
  const bool cleared = buffer.Fill(background);
  GpGraphicsPtr graphics;
  if (gp::GdipGetImageGraphicsContext(target, graphics.receive()) != Gdiplus::Ok) return;
  if (!cleared) gp::GdipGraphicsClear(graphics.get(), background);
  const ImageSize pane = ImageSizeOf(target);
  const PictureRect place = PicturePlace(pane.width, pane.height);
  if (place.width <= 0 || place.height <= 0) return;
  if (Comparing() && !standIn) {
    DrawComparison(graphics.get(), place, pane.width, pane.height);
  } else {
    DrawPictureAt(graphics.get(), picture.get(), fittedPicture.get(), place);
  }
}

// The result right of the divider and the original left of it, each over black, both in the
// picture's very place and scale; then the divider itself.
void PictureImage_CL::DrawComparison(GpGraphics* graphics, const PictureRect& place, int paneWidth, int paneHeight) {
  const int dividerX = DividerX(paneWidth);
  gp::GdipSetClipRectI(graphics, dividerX, 0, paneWidth - dividerX, paneHeight, Gdiplus::CombineModeReplace);
  DrawPictureAt(graphics, picture.get(), fittedPicture.get(), place);
  gp::GdipSetClipRectI(graphics, 0, 0, dividerX, paneHeight, Gdiplus::CombineModeReplace);
  DrawPictureAt(graphics, original.get(), fittedOriginal.get(), place);
  gp::GdipResetClip(graphics);
  GpPenPtr pen;
  const float width = kDividerWidth * static_cast<float>(HighDpiHelper_CL::WindowDpi(hwnd)) / HighDpiHelper_CL::defaultDpi;
  if (gp::GdipCreatePen1(DividerColour(), width, Gdiplus::UnitPixel, pen.receive()) != Gdiplus::Ok) return;
  const float x = static_cast<float>(dividerX);
  gp::GdipDrawLine(graphics, pen.get(), x, 0.0f, x, static_cast<float>(paneHeight));
}

void PictureImage_CL::MoveDivider(int x) {
  const ImageSize pane = ImageSizeOf(backBuffer.Bitmap());
  if (pane.width <= 0) return;
  divider = static_cast<double>(x) / pane.width;
  if (divider < 0) divider = 0;
  if (divider > 1) divider = 1;
  InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT PictureImage_CL::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  handled = 1;
  switch (message) {
    case WM_SIZE:
      backBuffer.Resize(LOWORD(lParam), HIWORD(lParam));
      UpdateScrollBars();
      InvalidateRect(window, nullptr, TRUE);
      return 1;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_HSCROLL:
      hScroll.HandleMessage(window, message, wParam, lParam);
      InvalidateRect(window, nullptr, FALSE);
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_VSCROLL:
      vScroll.HandleMessage(window, message, wParam, lParam);
      InvalidateRect(window, nullptr, FALSE);
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_LBUTTONDOWN:
      if (!Comparing()) break;
      // The divider follows the mouse from the press to the release.
      SetCapture(window);
      MoveDivider(static_cast<short>(LOWORD(lParam)));
      return 0;
    case WM_MOUSEMOVE:
      if (GetCapture() == window && Comparing()) MoveDivider(static_cast<short>(LOWORD(lParam)));
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == window) ReleaseCapture();
      return 0;
    case WM_SETCURSOR:
      if (Comparing() && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
        return TRUE;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void PictureImage_CL::Paint(HWND window) {
  const PaintSession paint(window);
  if (paint.get() == nullptr) return;
  GpGraphicsPtr screen;
  if (gp::GdipCreateFromHDC(paint.get(), screen.receive()) != Gdiplus::Ok) return;
  Draw(backBuffer);
  if (backBuffer.Bitmap() != nullptr) gp::GdipDrawImageI(screen.get(), backBuffer.Bitmap(), 0, 0);
}

void PictureImage_CL::Repaint(BOOL erase) {
  if (hwnd == nullptr) return;
  InvalidateRect(hwnd, nullptr, erase);
  UpdateWindow(hwnd);
}
