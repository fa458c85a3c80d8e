#pragma once
// The controls around the preview: above it the buttons "全体" (the whole picture), "等倍"
// (actual size) and "比較" (before and after), below it the line of what the photo weighs.
// They are children of the main window, which lays them out over the preview's place.
#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/Button.h"
#include "toolkit/SplitManager.h"
#include "toolkit/StaticText.h"

// WM_COMMAND ids of the buttons, and the line's id: apart from the panes' ids (the preview
// 0x1234, the strip 0x1235) and from the ids given automatically (from 4352 up).
constexpr UINT kPreviewFitCommand = 0x5A01;
constexpr UINT kPreviewActualSizeCommand = 0x5A02;
constexpr UINT kPreviewCompareCommand = 0x5A03;
constexpr int kPreviewWeightLineId = 0x5A04;

constexpr wchar_t kPreviewFitText[] = L"全体";
constexpr wchar_t kPreviewActualSizeText[] = L"等倍";
constexpr wchar_t kPreviewCompareText[] = L"比較";

class PreviewBar_CL {
public:
  PreviewBar_CL() = default;
  virtual ~PreviewBar_CL() = default;
  PreviewBar_CL(const PreviewBar_CL&) = delete;
  PreviewBar_CL& operator=(const PreviewBar_CL&) = delete;

  void Create(HWND parent);
  // The part of `area` (the preview's place) left for the picture, between the buttons' row
  // and the weight line; adds the placements of the bar's controls.
  RECT Place(const RECT& area, std::vector<Placement>& placements) const;
  // The buttons show the mode and whether the compare view is on.
  void ShowState(bool fit, bool compare) const;
  // The line's text; a line too long for the pane is shown in two rows.
  void SetWeightText(const std::wstring& text);
  // The controls in font, their room made for dpi (Place lays them out afresh).
  void UseDpi(HFONT font, int newDpi);

  Button_CL fitButton;
  Button_CL actualSizeButton;
  Button_CL compareButton;
  StaticText_CL weightLine;

private:
  int RowHeight() const;
  void ShowWeightText(int width) const;

  std::wstring weightText;
  int dpi = 96;
};
