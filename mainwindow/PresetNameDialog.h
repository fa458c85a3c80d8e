#pragma once
// The small window that asks a preset's name ("名前を付けて保存..." and "名前の変更..."): a box
// with the name, the reason a name cannot be taken right under it while it is typed, and OK
// (enabled only for a usable name) and キャンセル. Enter answers OK, Esc キャンセル.
#include <functional>
#include <string>

#include "engine/PresetStore.h"
#include "toolkit/SubClassDialogBase.h"

class PresetNameDialog_CL : public SubClassDialogBase_CL {
public:
  static constexpr int frameWidth = 360;  // pixels at 96 DPI
  static constexpr int frameHeight = 132;

  // `problem` tells why a typed name cannot be taken (None: it can).
  PresetNameDialog_CL(std::wstring caption, std::wstring name, std::function<PresetNameProblem(const std::wstring&)> problem);
  ~PresetNameDialog_CL() override;
  INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void DpiChanged() override;

  // The name given; meaningful when RunModal answered IDOK.
  std::wstring name;

private:
  void MakeControls(HWND dialog);
  void LayOut(HWND dialog) const;
  void ShowProblem();

  std::wstring caption;
  std::function<PresetNameProblem(const std::wstring&)> problemOf;
  HWND label = nullptr;
  HWND edit = nullptr;
  HWND problemLine = nullptr;
  HWND okButton = nullptr;
  HWND cancelButton = nullptr;
};
