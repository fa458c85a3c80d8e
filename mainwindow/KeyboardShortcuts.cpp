#include "mainwindow/KeyboardShortcuts.h"

#include "base/Messages.h"
#include "mainwindow/MainMenus.h"
#include "mainwindow/PreviewBar.h"
#include "mainwindow/TabParamSetting.h"
#include "views/PictureListBase.h"

namespace {

constexpr BYTE kCtrl = FVIRTKEY | FCONTROL;
constexpr int kPaneCount = 3;
constexpr int kMenuOffset = 8;  // from a control's corner, when the menu opens at a control
// What a screen reader calls the preview pane (its window text; the picture is no text),
// followed by the line under it.
constexpr wchar_t kPreviewName[] = L"プレビュー";

// Keys that mean something else while an edit box has the focus.
const ACCEL kOutsideBoxes[] = {
    {FVIRTKEY, VK_DELETE, CMD_REMOVE_ITEM},
    {kCtrl, 'A', kKeySelectAll},
};

const ACCEL kAnywhere[] = {
    {kCtrl, 'O', CMD_OPEN},
    {FVIRTKEY, VK_F5, kKeyConvert},
    {kCtrl, VK_RETURN, kKeyConvert},
    {kCtrl, 'L', CMD_ROTATE_LEFT},
    {kCtrl, 'R', CMD_ROTATE_RIGHT},
    {kCtrl, '1', kPreviewFitCommand},
    {kCtrl, '2', kPreviewActualSizeCommand},
    {kCtrl, '3', kPreviewCompareCommand},
    {kCtrl, VK_TAB, kKeyNextPage},
    {kCtrl | FSHIFT, VK_TAB, kKeyPreviousPage},
    {kCtrl, VK_NEXT, kKeyNextPage},
    {kCtrl, VK_PRIOR, kKeyPreviousPage},
    {FVIRTKEY, VK_F6, kKeyNextPane},
    {FVIRTKEY | FSHIFT, VK_F6, kKeyPreviousPane},
};

HACCEL MakeTable(bool withOutsideKeys) {
  std::vector<ACCEL> keys(std::begin(kAnywhere), std::end(kAnywhere));
  if (withOutsideKeys) keys.insert(keys.end(), std::begin(kOutsideBoxes), std::end(kOutsideBoxes));
  return CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
}

bool IsEditBox(HWND window) {
  wchar_t className[16] = {};
  return window && GetClassNameW(window, className, 16) && lstrcmpiW(className, L"Edit") == 0;
}

bool Shown(HWND window) { return window && IsWindowVisible(window) && IsWindowEnabled(window); }

// The one main window of this thread whose keys are taken.
const KeyboardShortcuts_CL* attached = nullptr;

}  // namespace

KeyboardShortcuts_CL::~KeyboardShortcuts_CL() { Detach(); }

void KeyboardShortcuts_CL::Attach(HWND mainWindow, const Panes& windowPanes) {
  Detach();
  window = mainWindow;
  panes = windowPanes;
  everywhere.reset(MakeTable(true));
  inEditBox.reset(MakeTable(false));
  // The tab order is the z-order: the buttons, the strip, the presets, the tab control, its pages.
  HWND previous = HWND_TOP;
  std::vector<HWND> order = panes.previewButtons;
  order.push_back(panes.weightLine);
  order.push_back(panes.preview);
  if (panes.strip) order.push_back(panes.strip->hwnd);
  order.insert(order.end(), panes.presetBar.begin(), panes.presetBar.end());
  if (panes.tabs) order.push_back(panes.tabs->hwnd);
  for (const HWND pane : order) {
    if (!pane) continue;
    SetWindowPos(pane, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = pane;
  }
  if (panes.tabs) {
    for (const SubClassDialogBase_CL* page : {static_cast<SubClassDialogBase_CL*>(panes.tabs->savePage.get()),
                                              static_cast<SubClassDialogBase_CL*>(panes.tabs->effectPage.get()),
                                              static_cast<SubClassDialogBase_CL*>(panes.tabs->sizePage.get())}) {
      if (page && page->hwnd) SetWindowPos(page->hwnd, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  NamePreview(L"");
  filter = SetWindowsHookExW(WH_MSGFILTER, MessageFilter, nullptr, GetCurrentThreadId());
  attached = this;
}

void KeyboardShortcuts_CL::Detach() {
  if (filter) UnhookWindowsHookEx(filter);
  filter = nullptr;
  if (attached == this) attached = nullptr;
  window = nullptr;
}

LRESULT CALLBACK KeyboardShortcuts_CL::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
  if (code == MSGF_DIALOGBOX && attached && lParam && attached->Translate(*reinterpret_cast<MSG*>(lParam))) {
    return TRUE;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool KeyboardShortcuts_CL::Translate(MSG& message) const {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  if (!window || !IsWindowEnabled(window)) return false;
  if (message.hwnd != window && !IsChild(window, message.hwnd)) return false;
  const HACCEL table = IsEditBox(GetFocus()) ? inEditBox.get() : everywhere.get();
  return table && TranslateAcceleratorW(window, table, &message) != 0;
}

bool KeyboardShortcuts_CL::OnCommand(UINT id) const {
  switch (id) {
    case kKeyNextPage:
    case kKeyPreviousPage:
      if (panes.tabs) panes.tabs->SwitchPage(id == kKeyNextPage ? 1 : -1);
      return true;
    case kKeyNextPane:
    case kKeyPreviousPane:
      MovePane(id == kKeyNextPane ? 1 : -1);
      return true;
    case kKeySelectAll:
      SelectAll();
      return true;
    case kKeyConvert:
      Convert();
      return true;
    case IDCANCEL:
      // Esc leaves the strip for the pane after it (the compare view, when on, took it first).
      if (!panes.strip || GetFocus() != panes.strip->hwnd) return false;
      MovePane(1);
      return true;
    default:
      return false;
  }
}

int KeyboardShortcuts_CL::PaneOf(HWND focus) const {
  if (!focus) return -1;
  for (const HWND button : panes.previewButtons) {
    if (focus == button) return 0;
  }
  if (panes.strip && focus == panes.strip->hwnd) return 1;
  if (!panes.tabs) return -1;
  if (focus == panes.tabs->hwnd) return 2;
  const HWND page = panes.tabs->CurrentPageWindow();
  return page && (focus == page || IsChild(page, focus)) ? 2 : -1;
}

void KeyboardShortcuts_CL::MovePane(int step) const {
  const int from = PaneOf(GetFocus());
  // From outside the panes, F6 goes to the first and Shift+F6 to the last.
  const int start = from >= 0 ? from : (step > 0 ? kPaneCount - 1 : 0);
  for (int k = 1; k <= kPaneCount; ++k) {
    const int pane = ((start + step * k) % kPaneCount + kPaneCount) % kPaneCount;
    HWND target = nullptr;
    if (pane == 0) {
      for (const HWND button : panes.previewButtons) {
        if (Shown(button)) {
          target = button;
          break;
        }
      }
    } else if (pane == 1 && panes.strip) {
      target = panes.strip->hwnd;
    } else if (pane == 2 && panes.tabs) {
      target = panes.tabs->hwnd;
    }
    if (Shown(target)) {
      Focus(target);
      return;
    }
  }
}

void KeyboardShortcuts_CL::Focus(HWND control) const {
  if (window && control) SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void KeyboardShortcuts_CL::SelectAll() const {
  PictureListBase_CL* const strip = panes.strip;
  if (!strip || strip->count == 0) return;
  strip->SelectAll(kSelectSet);
  if (!strip->IsItem(strip->anchor)) strip->anchor = strip->IsItem(strip->current) ? strip->current : 0;
  strip->Repaint();
  strip->AnnounceFocusAndSelection();
}

// As a click on "変換開始": only while the button can be pressed (photos in the strip).
void KeyboardShortcuts_CL::Convert() const {
  const ControlBase_CL* const button = panes.tabs != nullptr ? panes.tabs->startButton : nullptr;
  if (!window || !button || !button->hwnd || !IsWindowEnabled(button->hwnd)) return;
  PostMessageW(window, WM_COMMAND, CMD_CONVERT, 0);
}

void KeyboardShortcuts_CL::NamePreview(const std::wstring& weight) const {
  if (!panes.preview) return;
  const std::wstring name = weight.empty() ? std::wstring(kPreviewName) : std::wstring(kPreviewName) + L": " + weight;
  SetWindowTextW(panes.preview, name.c_str());
}

POINT KeyboardShortcuts_CL::KeyboardMenuPoint(HWND source) const {
  POINT point{kMenuOffset, kMenuOffset};
  const PictureListBase_CL* const strip = panes.strip;
  if (strip && source == strip->hwnd && strip->IsItem(strip->current)) {
    const RECT cell = strip->CellRect(strip->current);
    point = POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
  }
  ClientToScreen(source, &point);
  return point;
}
