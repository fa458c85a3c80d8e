#pragma once
// The preset area above the parameter pages: "プリセット" with a drop-down of the presets'
// names, and the buttons "保存" (the chosen preset takes the working settings), "名前を付けて
// 保存...", "名前の変更...", "削除", "書き出し・読み込み..." (a menu of "プリセットを書き出す..." and
// "プリセットを読み込む...") and "まとめて書き出す..." (a menu in which each preset is ticked or
// not). Picking a preset hands its settings to `take`; the chosen preset's line says
// "(変更あり)" while the working settings differ from it. Its controls are children of the main
// window, which lays them out over the top of the pages' place and routes their commands here.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/NamedSettings.h"
#include "engine/PresetStore.h"
#include "toolkit/Button.h"
#include "toolkit/SplitManager.h"
#include "toolkit/StaticText.h"

class Inifile_CL;
class LogFile;

// WM_COMMAND ids of the bar's controls: apart from the preview bar's 0x5A01.., the keys'
// 0x5B01.. and the ids given automatically (from 4352 up).
constexpr UINT kPresetListId = 0x5C01;
constexpr UINT kPresetSaveCommand = 0x5C02;
constexpr UINT kPresetSaveAsCommand = 0x5C03;
constexpr UINT kPresetRenameCommand = 0x5C04;
constexpr UINT kPresetDeleteCommand = 0x5C05;
constexpr UINT kPresetShareCommand = 0x5C06;
constexpr UINT kPresetTickCommand = 0x5C07;

constexpr wchar_t kPresetChangedMark[] = L" (変更あり)";

class PresetBar_CL {
public:
  PresetBar_CL() = default;
  virtual ~PresetBar_CL() = default;
  PresetBar_CL(const PresetBar_CL&) = delete;
  PresetBar_CL& operator=(const PresetBar_CL&) = delete;

  // Reads the presets (a first start's are written at once, so that a deleted one stays gone)
  // and makes the controls; `ini` and `log` are used for every later change.
  void Create(HWND parent, Inifile_CL& ini, LogFile& log);
  // The top of `area` taken by the bar (adding its controls' placements); the rest is returned.
  RECT Place(const RECT& area, std::vector<Placement>& placements) const;
  void UseDpi(HFONT font, int newDpi);
  // A command from one of the bar's controls, done; false for any other (a key's or a menu's
  // command comes from no control).
  bool OnCommand(HWND from, UINT id, UINT notification);
  // The chosen preset's line says whether the working settings differ from it.
  void ShowWorkingState();
  // The ticked presets, for "まとめて書き出す".
  std::vector<NamedSettings> TickedPresets() const { return store.TickedPresets(); }
  // Every control, in the order Tab takes them.
  std::vector<HWND> Controls() const;

  PresetStore_CL store;
  // The working settings, and what takes a preset's settings as the working ones (every page
  // shown afresh, the preview refreshed).
  std::function<ConvertSettings()> working;
  std::function<void(const ConvertSettings&)> take;

  StaticText_CL label;
  ControlBase_CL list{0};
  Button_CL saveButton;
  Button_CL saveAsButton;
  Button_CL renameButton;
  Button_CL deleteButton;
  Button_CL shareButton;
  Button_CL tickButton;

private:
  void Pick(int index);
  void SaveChosen();
  void SaveAs();
  void Rename();
  void Delete();
  void Share();
  void Tick();
  void Export();
  void Import();
  // The list shows the presets again, the chosen one selected.
  void Fill();
  void Store();
  void EnableButtons() const;
  std::vector<Button_CL*> Buttons();
  std::vector<const Button_CL*> Buttons() const;
  int RowHeight() const;

  HWND owner = nullptr;
  Inifile_CL* ini = nullptr;
  LogFile* log = nullptr;
  bool changedShown = false;
  int dpi = 96;
};
