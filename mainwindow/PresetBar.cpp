#include "mainwindow/PresetBar.h"

#include <commdlg.h>

#include <algorithm>

#include "base/HighDpiHelper.h"
#include "base/Inifile.h"
#include "base/LogFile.h"
#include "base/Owned.h"
#include "engine/SaveData.h"
#include "mainwindow/PresetNameDialog.h"

namespace {

// A preset's name as a menu item's text: an "&" of the name is shown, not taken as a key.
std::wstring MenuText(const std::wstring& name) {
  std::wstring text;
  for (const wchar_t c : name) {
    text += c;
    if (c == L'&') text += L'&';
  }
  return text;
}

// The item chosen from `menu` opened under `button`; 0 when the menu was left.
UINT ChooseFromMenu(HMENU menu, HWND button, HWND owner) {
  RECT below{};
  GetWindowRect(button, &below);
  return static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, below.left,
                                          below.bottom, 0, owner, nullptr));
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr DWORD kButtonStyle = kChild | WS_TABSTOP | BS_PUSHBUTTON;
// Of the letters, only this one is free on every page: the bar's buttons are reached by Tab
// from the list, right after it.
constexpr wchar_t kLabelText[] = L"プリセット(&Y)";
constexpr wchar_t kCaption[] = L"プリセット";
constexpr int kButtonPadding = 8;  // around a caption, each way
constexpr int kGap = 4;
constexpr int kListWidth = 180;
constexpr int kDropHeight = 240;  // the open list's room under the box
constexpr UINT kExportItem = 1;
constexpr UINT kImportItem = 2;
constexpr wchar_t kFileFilter[] = L"プリセット (*.ini)\0*.ini\0すべてのファイル (*.*)\0*.*\0";

bool SameSettings(const ConvertSettings& a, const ConvertSettings& b) {
  return StoredSettingsKeys(a) == StoredSettingsKeys(b);
}

// The platform's file dialog for a preset file; empty when cancelled.
std::wstring ChoosePresetFile(HWND owner, bool forSaving) {
  wchar_t path[MAX_PATH] = L"プリセット.ini";
  if (!forSaving) path[0] = L'\0';
  OPENFILENAMEW record{};
  record.lStructSize = sizeof(record);
  record.hwndOwner = owner;
  record.lpstrFilter = kFileFilter;
  record.lpstrFile = path;
  record.nMaxFile = MAX_PATH;
  record.lpstrDefExt = L"ini";
  record.Flags = OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | (forSaving ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL chosen = forSaving ? GetSaveFileNameW(&record) : GetOpenFileNameW(&record);
  return chosen ? path : L"";
}

}  // namespace

void PresetBar_CL::Create(HWND parent, Inifile_CL& iniFile, LogFile& logFile) {
  owner = parent;
  ini = &iniFile;
  log = &logFile;
  store.Load(iniFile, logFile);
  if (store.seededNow) Store();
  label.CreateControl(0, L"Static", kLabelText, kChild | SS_LEFT | SS_CENTERIMAGE, 0, 0, 0, 0, parent, -1);
  list.CreateControl(0, L"ComboBox", L"", kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 0, 0, 0, 0,
                     parent, kPresetListId);
  struct Made {
    Button_CL* button;
    const wchar_t* text;
    UINT id;
  };
  const Made made[] = {
      {&saveButton, L"保存", kPresetSaveCommand},
      {&saveAsButton, L"名前を付けて保存...", kPresetSaveAsCommand},
      {&renameButton, L"名前の変更...", kPresetRenameCommand},
      {&deleteButton, L"削除", kPresetDeleteCommand},
      {&shareButton, L"書き出し・読み込み...", kPresetShareCommand},
      {&tickButton, L"まとめて書き出す...", kPresetTickCommand},
  };
  for (const Made& m : made) m.button->CreateControl(0, L"Button", m.text, kButtonStyle, 0, 0, 0, 0, parent, static_cast<int>(m.id));
  Fill();
}

std::vector<Button_CL*> PresetBar_CL::Buttons() {
  return {&saveButton, &saveAsButton, &renameButton, &deleteButton, &shareButton, &tickButton};
}

std::vector<const Button_CL*> PresetBar_CL::Buttons() const {
  return {&saveButton, &saveAsButton, &renameButton, &deleteButton, &shareButton, &tickButton};
}

std::vector<HWND> PresetBar_CL::Controls() const {
  std::vector<HWND> controls{label.hwnd, list.hwnd};
  for (const Button_CL* button : Buttons()) controls.push_back(button->hwnd);
  return controls;
}

void PresetBar_CL::UseDpi(HFONT font, int newDpi) {
  dpi = newDpi;
  label.UseFont(font, dpi);
  list.UseFont(font, dpi);
  for (Button_CL* button : Buttons()) button->UseFont(font, dpi);
}

int PresetBar_CL::RowHeight() const {
  return saveButton.TextHeight(L"保存") + HighDpiHelper_CL::Scale(kButtonPadding, dpi);
}

// The label, the list and the buttons one after another, on as many rows as the width needs.
RECT PresetBar_CL::Place(const RECT& area, std::vector<Placement>& placements) const {
  if (list.hwnd == nullptr) return area;
  const auto px = [this](int value) { return HighDpiHelper_CL::Scale(value, dpi); };
  const int row = RowHeight();
  const int gap = px(kGap);
  int x = area.left + gap;
  int y = area.top + gap;
  const auto flow = [&](HWND window, int width, int below) {
    if (x > area.left + gap && x + width > area.right - gap) {
      x = area.left + gap;
      y += row + gap;
    }
    placements.push_back(PlacementAt(window, x, y, std::min<int>(x + width, area.right - gap), y + row + below));
    x += width + gap;
  };
  flow(label.hwnd, label.TextWidth(L"プリセット(Y)"), 0);
  flow(list.hwnd, px(kListWidth), px(kDropHeight));
  for (const Button_CL* button : Buttons()) flow(button->hwnd, button->TextWidth(button->GetText()) + 2 * px(kButtonPadding), 0);
  RECT rest = area;
  rest.top = std::min<int>(area.bottom, y + row + gap);
  return rest;
}

bool PresetBar_CL::OnCommand(HWND from, UINT id, UINT notification) {
  const std::vector<HWND> controls = Controls();
  if (from == nullptr || std::find(controls.begin(), controls.end(), from) == controls.end()) return false;
  switch (id) {
    case kPresetListId:
      if (notification == CBN_SELCHANGE) Pick(static_cast<int>(SendMessageW(list.hwnd, CB_GETCURSEL, 0, 0)));
      return true;
    case kPresetSaveCommand: SaveChosen(); return true;
    case kPresetSaveAsCommand: SaveAs(); return true;
    case kPresetRenameCommand: Rename(); return true;
    case kPresetDeleteCommand: Delete(); return true;
    case kPresetShareCommand: Share(); return true;
    case kPresetTickCommand: Tick(); return true;
    default: return false;
  }
}

void PresetBar_CL::Pick(int index) {
  if (index < 0 || index >= static_cast<int>(store.presets.size())) return;
  store.chosen = index;
  Store();
  if (take) take(store.presets[static_cast<size_t>(index)].settings);
  // The line of the preset chosen before loses its mark.
  Fill();
}

// "保存": the chosen preset takes the working settings; without one, a name is asked.
void PresetBar_CL::SaveChosen() {
  if (store.chosen < 0 || !working) {
    SaveAs();
    return;
  }
  store.presets[static_cast<size_t>(store.chosen)].settings = working();
  Store();
  ShowWorkingState();
}

void PresetBar_CL::SaveAs() {
  if (!working) return;
  const std::wstring suggested = store.chosen >= 0 ? store.presets[static_cast<size_t>(store.chosen)].name : L"";
  PresetNameDialog_CL ask(L"名前を付けて保存", suggested, [this](const std::wstring& name) { return store.NameProblem(name); });
  if (ask.RunModal(0, 0, owner) != IDOK) return;
  const int added = store.Add(Preset{ask.name, working()});
  if (added < 0) {
    MessageBoxW(owner, L"プリセットは1000件までです。", kCaption, MB_ICONERROR);
    return;
  }
  store.chosen = added;
  Store();
  Fill();
}

void PresetBar_CL::Rename() {
  if (store.chosen < 0) return;
  Preset& preset = store.presets[static_cast<size_t>(store.chosen)];
  const int index = store.chosen;
  PresetNameDialog_CL ask(L"名前の変更", preset.name,
                          [this, index](const std::wstring& name) { return store.NameProblem(name, index); });
  if (ask.RunModal(0, 0, owner) != IDOK) return;
  preset.name = ask.name;
  Store();
  Fill();
}

void PresetBar_CL::Delete() {
  if (store.chosen < 0) return;
  const std::wstring question =
      L"プリセット「" + store.presets[static_cast<size_t>(store.chosen)].name + L"」を削除しますか？";
  if (MessageBoxW(owner, question.c_str(), kCaption, MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) != IDOK) return;
  store.Remove(store.chosen);
  Store();
  Fill();
}

void PresetBar_CL::Share() {
  const OwnedMenu menu(CreatePopupMenu());
  if (!menu) return;
  AppendMenuW(menu.get(), MF_STRING | (store.presets.empty() ? MF_GRAYED : 0), kExportItem, L"プリセットを書き出す(&E)...");
  AppendMenuW(menu.get(), MF_STRING, kImportItem, L"プリセットを読み込む(&I)...");
  const UINT chosen = ChooseFromMenu(menu.get(), shareButton.hwnd, owner);
  if (chosen == kExportItem) Export();
  if (chosen == kImportItem) Import();
}

void PresetBar_CL::Export() {
  const std::wstring path = ChoosePresetFile(owner, true);
  if (path.empty()) return;
  if (const HRESULT result = store.Export(path); FAILED(result)) {
    log->Write(L"プリセットを書き出せません: 0x%08x %s", static_cast<unsigned>(result), path.c_str());
    MessageBoxW(owner, (L"プリセットを書き出せませんでした。\r\n" + path).c_str(), kCaption, MB_ICONERROR);
  }
}

void PresetBar_CL::Import() {
  const std::wstring path = ChoosePresetFile(owner, false);
  if (path.empty()) return;
  const PresetImport outcome = store.Import(path, *log);
  log->Write(L"プリセットの読み込み: %s %s", path.c_str(), outcome.message.c_str());
  if (outcome.added > 0) {
    Store();
    Fill();
  }
  MessageBoxW(owner, outcome.message.c_str(), kCaption, FAILED(outcome.result) ? MB_ICONERROR : MB_ICONINFORMATION);
}

// Each preset ticked or not in a menu that opens again after each choice, until it is left.
void PresetBar_CL::Tick() {
  for (;;) {
    const OwnedMenu menu(CreatePopupMenu());
    if (!menu) return;
    for (size_t i = 0; i < store.presets.size(); ++i) {
      AppendMenuW(menu.get(), MF_STRING | (store.presets[i].ticked ? MF_CHECKED : 0), i + 1,
                  MenuText(store.presets[i].name).c_str());
    }
    const UINT chosen = ChooseFromMenu(menu.get(), tickButton.hwnd, owner);
    if (chosen == 0 || chosen > store.presets.size()) break;
    store.presets[chosen - 1].ticked = !store.presets[chosen - 1].ticked;
    Store();
  }
  const size_t ticked = store.TickedPresets().size();
  const std::wstring text = ticked == 0 ? L"まとめて書き出す..." : L"まとめて書き出す (" + std::to_wstring(ticked) + L")...";
  SetWindowTextW(tickButton.hwnd, text.c_str());
}

void PresetBar_CL::Fill() {
  if (list.hwnd == nullptr) return;
  SendMessageW(list.hwnd, CB_RESETCONTENT, 0, 0);
  for (const Preset& preset : store.presets) {
    SendMessageW(list.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(preset.name.c_str()));
  }
  SendMessageW(list.hwnd, CB_SETCURSEL, static_cast<WPARAM>(store.chosen), 0);
  changedShown = false;
  ShowWorkingState();
  EnableButtons();
}

void PresetBar_CL::ShowWorkingState() {
  if (list.hwnd == nullptr || store.chosen < 0 || !working) return;
  const Preset& preset = store.presets[static_cast<size_t>(store.chosen)];
  const bool changed = !SameSettings(preset.settings, working());
  if (changed == changedShown) return;
  changedShown = changed;
  const std::wstring text = changed ? preset.name + kPresetChangedMark : preset.name;
  const auto index = static_cast<WPARAM>(store.chosen);
  SendMessageW(list.hwnd, CB_DELETESTRING, index, 0);
  SendMessageW(list.hwnd, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(list.hwnd, CB_SETCURSEL, index, 0);
}

void PresetBar_CL::EnableButtons() const {
  const BOOL chosen = store.chosen >= 0 ? TRUE : FALSE;
  for (const Button_CL* button : {&renameButton, &deleteButton}) EnableWindow(button->hwnd, chosen);
}

void PresetBar_CL::Store() {
  if (const HRESULT result = store.Save(*ini); FAILED(result)) {
    log->Write(L"プリセットを保存できません: 0x%08x %s", static_cast<unsigned>(result), ini->filePath.c_str());
  }
}
