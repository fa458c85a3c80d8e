#include "mainwindow/PopupMenu.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace {

// Every PopupMenu_CL alive on the user-interface thread, so that item data is dereferenced
// only when it really is one of them.
std::vector<PopupMenu_CL*>& LiveMenus() {
  static std::vector<PopupMenu_CL*> live;
  return live;
}

struct TabSplit {
  std::wstring label;
  std::wstring right;
};

// The label is the text before the first tab, the right-hand part the text after it.
TabSplit SplitAtTab(const std::wstring& text) {
  const size_t tab = text.find(L'\t');
  if (tab == std::wstring::npos) return {text, L""};
  return {text.substr(0, tab), text.substr(tab + 1)};
}

SIZE CellSize(HIMAGELIST list) {
  int width = 0;
  int height = 0;
  if (list) ImageList_GetIconSize(list, &width, &height);
  return SIZE{width, height};
}

struct ItemColours {
  COLORREF background;
  COLORREF text;
};

ItemColours ColoursFor(UINT state) {
  const bool grayed = (state & ODS_GRAYED) != 0;
  if (state & ODS_SELECTED)
    return {GetSysColor(COLOR_HIGHLIGHT), GetSysColor(grayed ? COLOR_GRAYTEXT : COLOR_HIGHLIGHTTEXT)};
  return {GetSysColor(COLOR_MENU), GetSysColor(grayed ? COLOR_BTNSHADOW : COLOR_MENUTEXT)};
}

}  // namespace

PopupMenu_CL::PopupMenu_CL() { LiveMenus().push_back(this); }

PopupMenu_CL::~PopupMenu_CL() { std::erase(LiveMenus(), this); }

bool PopupMenu_CL::CreatePopup() {
  menu.reset(CreatePopupMenu());
  return static_cast<bool>(menu);
}

bool PopupMenu_CL::CreateBar() {
  menu.reset(CreateMenu());
  return static_cast<bool>(menu);
}

MenuItemRecord& PopupMenu_CL::ItemAt(size_t index) {
  while (itemRecords.size() <= index) {
    MenuItemRecord record;
    record.info.cbSize = sizeof(record.info);
    record.info.fMask = itemMask;
    record.info.fType = MFT_OWNERDRAW;
    itemRecords.push_back(record);
  }
  return itemRecords[index];
}

bool PopupMenu_CL::AppendItem(UINT id, const std::wstring& text, int imageIndex) {
  if (!menu) return false;
  MenuItemRecord& record = ItemAt(itemRecords.size());
  record.imageIndex = imageIndex;
  record.info.wID = id;
  record.info.fType = MFT_OWNERDRAW;
  record.info.dwItemData = reinterpret_cast<ULONG_PTR>(this);
  // The menu keeps its own copy of the text; the record does not point at it afterwards.
  std::wstring copy = text;
  record.info.dwTypeData = copy.data();
  record.info.cch = static_cast<UINT>(copy.size());
  const BOOL inserted = InsertMenuItemW(menu.get(), GetMenuItemCount(menu.get()), TRUE, &record.info);
  record.info.dwTypeData = nullptr;
  return inserted != FALSE;
}

bool PopupMenu_CL::AppendSeparator() {
  if (!menu) return false;
  MENUITEMINFOW separator{};
  separator.cbSize = sizeof(separator);
  separator.fMask = itemMask;
  separator.fType = MFT_SEPARATOR;
  return InsertMenuItemW(menu.get(), GetMenuItemCount(menu.get()), TRUE, &separator) != FALSE;
}

const MenuItemRecord* PopupMenu_CL::FindRecord(UINT id) const {
  for (const MenuItemRecord& record : itemRecords)
    if (record.info.wID == id) return &record;
  return nullptr;
}

LRESULT PopupMenu_CL::MenuChar(WPARAM wParam, LPARAM lParam) {
  const HMENU open = reinterpret_cast<HMENU>(lParam);
  if (!open) return 0;
  const wint_t typed = std::towupper(static_cast<wint_t>(LOWORD(wParam)));
  const int items = GetMenuItemCount(open);
  for (int position = 0; position < items; ++position) {
    wchar_t text[260] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 260;
    if (!GetMenuItemInfoW(open, static_cast<UINT>(position), TRUE, &info)) continue;
    const wchar_t* const key = wcschr(text, L'&');
    if (!key || key[1] == L'\0') continue;
    if (std::towupper(static_cast<wint_t>(key[1])) == typed) return MAKELRESULT(position, MNC_EXECUTE);
  }
  return 0;
}

std::wstring PopupMenu_CL::ItemText(UINT id) const {
  if (!menu) return {};
  // First the length, then the whole text: no fixed-size buffer cuts a long item short.
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STRING;
  if (!GetMenuItemInfoW(menu.get(), id, FALSE, &info) || info.cch == 0) return {};
  std::wstring text(info.cch + 1, L'\0');
  info.fMask = readMask;
  info.dwTypeData = text.data();
  info.cch = static_cast<UINT>(text.size());
  if (!GetMenuItemInfoW(menu.get(), id, FALSE, &info)) return {};
  text.resize(std::min<size_t>(info.cch, text.size() - 1));
  return text;
}

PopupMenu_CL* PopupMenu_CL::FromItemData(ULONG_PTR itemData) {
  for (PopupMenu_CL* live : LiveMenus())
    if (reinterpret_cast<ULONG_PTR>(live) == itemData) return live;
  return nullptr;
}

bool PopupMenu_CL::HandleOwnerDraw(HWND window, UINT message, LPARAM lParam) {
  if (!lParam) return false;
  if (message == WM_MEASUREITEM) {
    auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    return item.CtlType == ODT_MENU && Measure(window, item);
  }
  if (message == WM_DRAWITEM) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    return item.CtlType == ODT_MENU && Draw(item);
  }
  return false;
}

bool PopupMenu_CL::Measure(HWND window, MEASUREITEMSTRUCT& item) {
  const PopupMenu_CL* owner = FromItemData(item.itemData);
  if (!owner) return false;
  const std::wstring text = owner->ItemText(item.itemID);
  if (text.empty()) return false;

  const TabSplit parts = SplitAtTab(text);
  SIZE extent{};
  SIZE shortcut{};
  {
    const WindowDc dc(window);
    if (!dc.get()) return false;
    const SelectedObject font(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
    GetTextExtentPoint32W(dc.get(), parts.label.c_str(), static_cast<int>(parts.label.size()), &extent);
    if (!parts.right.empty())
      GetTextExtentPoint32W(dc.get(), parts.right.c_str(), static_cast<int>(parts.right.size()), &shortcut);
  }
  // The shortcut after the tab gets its own room, clear of the label.
  LONG width = extent.cx + extraWidth + (shortcut.cx > 0 ? shortcut.cx + rightMargin : 0);
  LONG height = extent.cy + 1;
  if (owner->imageList) {
    const SIZE cell = CellSize(owner->imageList);
    width += cell.cx + pictureGap;
    height = std::max(height, cell.cy + 1);
  }
  item.itemWidth = static_cast<UINT>(width);
  item.itemHeight = static_cast<UINT>(height);
  return true;
}

bool PopupMenu_CL::Draw(const DRAWITEMSTRUCT& item) {
  const PopupMenu_CL* owner = FromItemData(item.itemData);
  if (!owner) return false;
  const std::wstring text = owner->ItemText(item.itemID);
  if (text.empty()) return false;
  const MenuItemRecord* record = owner->FindRecord(item.itemID);
  const HDC dc = item.hDC;

  const ItemColours colours = ColoursFor(item.itemState);
  const COLORREF previousBackground = SetBkColor(dc, colours.background);
  const COLORREF previousText = SetTextColor(dc, colours.text);
  const int previousMode = SetBkMode(dc, TRANSPARENT);

  const SIZE cell = CellSize(owner->imageList);
  RECT textArea = item.rcItem;
  if (owner->imageList) textArea.left += cell.cx + pictureGap;
  {
    const SelectedObject font(dc, GetStockObject(DEFAULT_GUI_FONT));
    const TabSplit parts = SplitAtTab(text);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &item.rcItem, nullptr, 0, nullptr);
    DrawTextW(dc, parts.label.c_str(), static_cast<int>(parts.label.size()), &textArea,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    textArea.right -= rightMargin;
    DrawTextW(dc, parts.right.c_str(), static_cast<int>(parts.right.size()), &textArea,
              DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  }
  const bool hasPicture = owner->imageList && record && record->imageIndex >= 0 &&
                          record->imageIndex < ImageList_GetImageCount(owner->imageList);
  if (hasPicture)
    ImageList_DrawEx(owner->imageList, record->imageIndex, dc, item.rcItem.left, item.rcItem.top, cell.cx,
                     cell.cy, colours.background, colours.text, ILD_NORMAL);

  SetBkColor(dc, previousBackground);
  SetTextColor(dc, previousText);
  SetBkMode(dc, previousMode);
  return true;
}
