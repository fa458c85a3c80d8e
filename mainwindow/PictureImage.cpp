#include "mainwindow/PictureImage.h"

#include "engine/ImageSize.h"
#include "engine/PhotoResize.h"
#include "engine/VipsBitmap.h"

namespace {

constexpr DWORD kPictureImageStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | SS_BITMAP | SS_REALSIZEIMAGE;
constexpr UINT kScrollMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
constexpr Gdiplus::ARGB kOpaqueBlack = 0xFF000000;

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

}  // namespace

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
  Repaint(TRUE);
}

void PictureImage_CL::SetPicture(GpBitmapPtr bitmap) {
  loadRotation = 0;
  picture.reset();
  picture.reset(bitmap.release());
  Repaint(TRUE);
}

void PictureImage_CL::UpdateScrollBars() {
  if (!picture || !hwnd) return;
  const ImageSize image = ImageSizeOf(picture.get());
  // Each bar may show or hide the other's room: read the client size afresh for each.
  FitBarToPicture(hScroll, ClientSizeOf(hwnd).width, image.width);
  FitBarToPicture(vScroll, ClientSizeOf(hwnd).height, image.height);
}

void PictureImage_CL::Draw(BackBuffer_CL& buffer) {
  GpBitmap* const target = buffer.Bitmap();
  if (target == nullptr) return;
  GpGraphicsPtr graphics;
  if (gp::GdipGetImageGraphicsContext(target, graphics.receive()) != Gdiplus::Ok) return;
  // Without a picture the pane is black, never the picture shown before.
  gp::GdipGraphicsClear(graphics.get(), kOpaqueBlack);
  const ImageSize image = ImageSizeOf(picture.get());
  if (image.width <= 0 || image.height <= 0) return;
  const ImageSize pane = ImageSizeOf(target);
  const float x = PictureOrigin(hwnd, SB_HORZ, WS_HSCROLL, pane.width, image.width);
  const float y = PictureOrigin(hwnd, SB_VERT, WS_VSCROLL, pane.height, image.height);
  gp::GdipDrawImageRect(graphics.get(), picture.get(), x, y, static_cast<float>(image.width),
                        static_cast<float>(image.height));
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
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
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
