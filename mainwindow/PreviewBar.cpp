#include "mainwindow/PreviewBar.h"

#include <algorithm>

#include "base/HighDpiHelper.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
// The two modes are a pair of push-like radio buttons; the compare view is a push-like check
// box that stays down while it is on. The main window sets their states itself.
// The checked mode is the pair's tab stop (the button moves WS_TABSTOP with its check);
// the compare button is a stop of its own.
constexpr DWORD kModeStyle = kChild | WS_TABSTOP | BS_PUSHLIKE | BS_RADIOBUTTON;
constexpr DWORD kCompareStyle = kChild | WS_TABSTOP | WS_GROUP | BS_PUSHLIKE | BS_CHECKBOX;
// Two rows: a narrow pane breaks the line at a space.
constexpr DWORD kLineStyle = kChild | SS_LEFT | SS_NOPREFIX;
constexpr int kLineRows = 2;
constexpr int kButtonPadding = 8;  // around a caption, each way
constexpr int kGap = 2;
constexpr wchar_t kArrow[] = L" → ";

void Check(const Button_CL& button, bool on) {
  if (button.hwnd != nullptr) SendMessageW(button.hwnd, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

void PreviewBar_CL::Create(HWND parent) {
  fitButton.CreateControl(0, L"Button", kPreviewFitText, kModeStyle | WS_GROUP, 0, 0, 0, 0, parent, kPreviewFitCommand);
  actualSizeButton.CreateControl(0, L"Button", kPreviewActualSizeText, kModeStyle, 0, 0, 0, 0, parent,
                                 kPreviewActualSizeCommand);
  compareButton.CreateControl(0, L"Button", kPreviewCompareText, kCompareStyle, 0, 0, 0, 0, parent,
                              kPreviewCompareCommand);
  weightLine.CreateControl(0, L"Static", L"", kLineStyle, 0, 0, 0, 0, parent, kPreviewWeightLineId);
}

void PreviewBar_CL::UseDpi(HFONT font, int newDpi) {
  dpi = newDpi;
  for (Button_CL* button : {&fitButton, &actualSizeButton, &compareButton}) button->UseFont(font, dpi);
  weightLine.UseFont(font, dpi);
}

int PreviewBar_CL::RowHeight() const {
  return fitButton.TextHeight(kPreviewFitText) + HighDpiHelper_CL::Scale(kButtonPadding, dpi);
}

RECT PreviewBar_CL::Place(const RECT& area, std::vector<Placement>& placements) const {
  const int row = RowHeight();
  const int padding = HighDpiHelper_CL::Scale(kButtonPadding, dpi);
  const int gap = HighDpiHelper_CL::Scale(kGap, dpi);
  int x = area.left;
  for (const Button_CL* button : {&fitButton, &actualSizeButton, &compareButton}) {
    const int width = button->TextWidth(button->GetText()) + 2 * padding;
    placements.push_back(PlacementAt(button->hwnd, x, area.top, std::min<int>(x + width, area.right), area.top + row));
    x += width + gap;
  }
  const int lineHeight = kLineRows * weightLine.TextHeight(kPreviewFitText) + gap;
  const int lineTop = std::max<int>(area.top + row, area.bottom - lineHeight);
  placements.push_back(PlacementAt(weightLine.hwnd, area.left + gap, lineTop, area.right - gap, area.bottom));
  ShowWeightText(area.right - area.left - 2 * gap);
  RECT picture = area;
  picture.top = std::min<int>(area.top + row + gap, lineTop);
  picture.bottom = lineTop;
  return picture;
}

void PreviewBar_CL::ShowState(bool fit, bool compare) const {
  Check(fitButton, fit);
  Check(actualSizeButton, !fit);
  Check(compareButton, compare);
}

void PreviewBar_CL::SetWeightText(const std::wstring& text) {
  weightText = text;
  RECT client{};
  if (weightLine.hwnd != nullptr && GetClientRect(weightLine.hwnd, &client)) ShowWeightText(client.right);
}

// The line as one row when it fits, else broken before the arrow: the source on the first
// row, the output on the second.
void PreviewBar_CL::ShowWeightText(int width) const {
  if (weightLine.hwnd == nullptr) return;
  std::wstring shown = weightText;
  const size_t arrow = shown.find(kArrow);
  if (arrow != std::wstring::npos && weightLine.TextWidth(shown) > width) shown.replace(arrow, 1, L"\r\n");
  SetWindowTextW(weightLine.hwnd, shown.c_str());
}
