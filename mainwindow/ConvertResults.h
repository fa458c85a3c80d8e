#pragma once
// The window that ends a batch in which not every photo was written as asked: one summary
// line ("24枚中22枚を変換しました。2枚は変換できませんでした。"), every photo that was not
// written, with its reason, every photo made smaller to keep under the file-size limit, with
// the size it was given, and every photo whose own file was smaller than its output and was
// used as it is. Closed with its button, Enter or Esc; Tab goes between the list and the
// button, and the list is named "写真ごとの結果" for a screen reader.
#include <string>
#include <vector>

#include "engine/ConvertBatch.h"
#include "toolkit/SubClassDialogBase.h"

// The list the window shows, each photo named with the preset of its output when it has one
// ("path [Web 1600] : reason"): one line per photo that was not written, "path : reason", then
// one per photo made smaller, "path : ファイルサイズに収めるため縮小しました (1200 x 900)", then one
// per photo used as it is, "path : 元の写真の方が小さいため、そのまま使いました".
std::wstring ResultsList(const std::vector<PhotoResult>& results);

// Whether the batch ends with the window: some photo was not written, was made smaller, or was
// used as it is.
bool ResultsNeedWindow(const BatchCounts& counts);

class ConvertResults_CL : public SubClassDialogBase_CL {
public:
  // The texts in the font for the new DPI, and the window laid out for it.
  void DpiChanged() override;
  static constexpr int frameWidth = 640;  // pixels at 96 DPI
  static constexpr int frameHeight = 360;
  static constexpr int closeButtonId = IDOK;

  ConvertResults_CL(std::wstring summary, std::wstring list);
  ~ConvertResults_CL() override;
  INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  std::wstring summaryText;
  std::wstring listText;
  HWND summaryLabel = nullptr;
  HWND listEdit = nullptr;
  HWND closeButton = nullptr;

private:
  void MakeControls(HWND dialog);
  void LayOut(HWND dialog) const;
};
