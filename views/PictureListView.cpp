#include "views/PictureListView.h"

#include "base/HighDpiHelper.h"

namespace {

constexpr wchar_t kCaptionFamily[] = L"MS UI Gothic";
constexpr float kCaptionSize = 10.0f;
constexpr float kMeasureWidth = 32768.0f;
constexpr float kMeasureHeight = 64.0f;

struct FamilyTraits {
  using Handle = Gdiplus::GpFontFamily*;
  static bool IsValid(Handle p) { return p != nullptr; }
  static void Release(Handle p) { gp::GdipDeleteFontFamily(p); }
};
struct FormatTraits {
  using Handle = Gdiplus::GpStringFormat*;
  static bool IsValid(Handle p) { return p != nullptr; }
  static void Release(Handle p) { gp::GdipDeleteStringFormat(p); }
};
using FamilyPtr = Owned<FamilyTraits>;
using FormatPtr = Owned<FormatTraits>;

// The face the screen really uses for the stock dialog font, after substitution.
std::wstring DialogFontFace() {
  LOGFONTW description{};
  if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description)) return std::wstring();
  const GdiFont font(CreateFontIndirectW(&description));
  if (!font) return std::wstring();
  const WindowDc screen(nullptr);
  const SelectedObject selected(screen.get(), font.get());
  wchar_t face[LF_FACESIZE] = {};
  const int length = GetTextFaceW(screen.get(), LF_FACESIZE, face);
  return length > 0 ? std::wstring(face) : std::wstring();
}

bool FamilyByName(const std::wstring& name, FamilyPtr& family) {
  return !name.empty() && gp::GdipCreateFontFamilyFromName(name.c_str(), nullptr, family.receive()) == Gdiplus::Ok &&
         family;
}

// "MS UI Gothic"; else the generic sans-serif family; else, on a system that has neither,
// the face of the dialog font, so that captions still show.
FamilyPtr CaptionFamily() {
  FamilyPtr family;
  if (FamilyByName(kCaptionFamily, family)) return family;
  if (gp::GdipGetGenericFontFamilySansSerif(family.receive()) == Gdiplus::Ok && family) return family;
  family.release();
  if (FamilyByName(DialogFontFace(), family)) return family;
  family.release();
  return family;
}

// Points are turned into pixels by the screen's DPI, the system's: at another DPI the size
// grows by the ratio of the two.
CaptionFontPtr MakeCaptionFont(float scale = 1.0f) {
  const FamilyPtr family = CaptionFamily();
  CaptionFontPtr font;
  if (family &&
      gp::GdipCreateFont(family.get(), kCaptionSize * scale, Gdiplus::FontStyleBold, Gdiplus::UnitPoint, font.receive()) !=
          Gdiplus::Ok) {
    font.release();
  }
  return font;
}

}  // namespace

PictureListView_CL::PictureListView_CL() : captionFont(MakeCaptionFont()) {}

PictureListView_CL::~PictureListView_CL() {
  captionFont.reset();
  cache.Clear();
}

LRESULT PictureListView_CL::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  handled = 1;
  if (message == WM_DESTROY) {
    // The tooltip's subclass leaves before the window's own procedure is put back.
    tooltips.RemoveAllTools();
    tooltipItem = -1;
    return 0;
  }
  if (message == WM_CLOSE) return 0;
  return PictureListBase_CL::HandleMessage(window, message, wParam, lParam);
}

int PictureListView_CL::SetItemCount(unsigned n) {
  cache.Clear();
  return PictureListBase_CL::SetItemCount(n);
}

void PictureListView_CL::PaintTile(GpGraphics* graphics, const RECT& cell) {
  GpSolidFillPtr black;
  if (gp::GdipCreateSolidFill(TileColour(), black.receive()) != Gdiplus::Ok) return;
  gp::GdipFillRectangleI(graphics, black.get(), cell.left, cell.top, cell.right - cell.left - 1,
                         cell.bottom - cell.top - 1);
}

void PictureListView_CL::UseDpi(int dpi) {
  CaptionFontPtr next = MakeCaptionFont(static_cast<float>(dpi) / static_cast<float>(HighDpiHelper_CL::SystemDpi()));
  if (next) captionFont = std::move(next);
}

void PictureListView_CL::PaintThumbnail(GpGraphics* graphics, const RECT& cell, GpBitmap* thumbnail) {
  if (!thumbnail) return;
  UINT width = 0, height = 0;
  gp::GdipGetImageWidth(thumbnail, &width);
  gp::GdipGetImageHeight(thumbnail, &height);
  // At its own pixel size, whatever resolution the bitmap claims.
  gp::GdipDrawImageRectI(graphics, thumbnail, cell.left + padX, cell.top + padY, static_cast<INT>(width),
                         static_cast<INT>(height));
}

void PictureListView_CL::PaintCaption(GpGraphics* graphics, const RECT& cell, const std::wstring& text) {
  if (!captionFont || text.empty()) return;
  const int length = static_cast<int>(text.size());
  const Gdiplus::RectF measureBox(0, 0, kMeasureWidth, kMeasureHeight);
  Gdiplus::RectF bounds;
  if (gp::GdipMeasureString(graphics, text.c_str(), length, captionFont.get(), &measureBox, nullptr, &bounds, nullptr,
                            nullptr) != Gdiplus::Ok)
    return;
  const float textHeight = bounds.Height;
  const Gdiplus::RectF band(static_cast<float>(cell.left),
                            static_cast<float>(cell.top + (cell.bottom - cell.top - 1)) - textHeight,
                            static_cast<float>(cell.right - cell.left - 1), textHeight);
  FormatPtr format;
  if (gp::GdipCreateStringFormat(0, LANG_NEUTRAL, format.receive()) != Gdiplus::Ok) return;
  gp::GdipSetStringFormatTrimming(format.get(), Gdiplus::StringTrimmingEllipsisPath);
  gp::GdipSetStringFormatLineAlign(format.get(), Gdiplus::StringAlignmentCenter);
  gp::GdipSetStringFormatAlign(format.get(), Gdiplus::StringAlignmentCenter);
  GpSolidFillPtr white;
  if (gp::GdipCreateSolidFill(CaptionColour(), white.receive()) != Gdiplus::Ok) return;
  gp::GdipDrawString(graphics, text.c_str(), length, captionFont.get(), &band, format.get(), white.get());
}
