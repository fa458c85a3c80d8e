#include "tests/support/LayoutCheck.h"

#include <commctrl.h>

#include <cwchar>

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

namespace {

struct Child {
  HWND hwnd;
  RECT rect;  // in the parent's client coordinates
  std::wstring className;
  std::wstring text;
  LONG style;
};

std::vector<Child> VisibleChildren(HWND parent) {
  std::vector<Child> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) continue;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    children.push_back(Child{child, r, ClassOf(child), TextOf(child), GetWindowLongW(child, GWL_STYLE)});
  }
  return children;
}

bool IsGroupBox(const Child& c) {
  return _wcsicmp(c.className.c_str(), L"Button") == 0 && (c.style & BS_TYPEMASK) == BS_GROUPBOX;
}
bool IsTab(const Child& c) { return _wcsicmp(c.className.c_str(), WC_TABCONTROLW) == 0; }
bool IsCheckOrRadio(const Child& c) {
  if (_wcsicmp(c.className.c_str(), L"Button") != 0 || (c.style & BS_PUSHLIKE)) return false;
  const LONG type = c.style & BS_TYPEMASK;
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ||
         type == BS_3STATE || type == BS_AUTO3STATE;
}
bool HasText(const Child& c) {
  return _wcsicmp(c.className.c_str(), L"Button") == 0 || _wcsicmp(c.className.c_str(), L"Static") == 0 ||
         _wcsicmp(c.className.c_str(), L"Edit") == 0;
}

SIZE TextSize(HWND window, const std::wstring& text, int wrapWidth) {
  HDC dc = GetDC(window);
  const HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 0x4000, 0x4000};
  DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
  if (old) SelectObject(dc, old);
  ReleaseDC(window, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

int Scale(int value, int dpi) { return MulDiv(value, dpi, 96); }

std::wstring Name(const Child& c) { return c.className + L" \"" + c.text + L"\""; }

// Faults are named without positions, so that the faults at two DPIs can be compared.
std::wstring Describe(const Child& c) {
  if (!GetEnvironmentVariableW(L"LAYOUT_WHERE", nullptr, 0)) return Name(c);
  wchar_t where[96] = {};
  std::swprintf(where, 96, L" (%ld,%ld)-(%ld,%ld)", c.rect.left, c.rect.top, c.rect.right, c.rect.bottom);
  return Name(c) + where;
}

void CheckText(const Child& c, const LayoutExpectation& e, std::vector<std::wstring>& faults) {
  const HFONT font = reinterpret_cast<HFONT>(SendMessageW(c.hwnd, WM_GETFONT, 0, 0));
  if (HasText(c) && FontCharacterHeight(font) < e.fontHeight) faults.push_back(Describe(c) + L": font too small");
  const int width = c.rect.right - c.rect.left;
  const int height = c.rect.bottom - c.rect.top;
  if (_wcsicmp(c.className.c_str(), L"Edit") == 0) {
    if (FontCharacterHeight(font) + Scale(2, e.dpi) > height) faults.push_back(Describe(c) + L": text taller than box");
    return;
  }
  if (IsTab(c)) {
    const int count = static_cast<int>(SendMessageW(c.hwnd, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      wchar_t buffer[128] = {};
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = buffer;
      item.cchTextMax = 128;
      SendMessageW(c.hwnd, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
      RECT tab{};
      SendMessageW(c.hwnd, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&tab));
      const SIZE text = TextSize(c.hwnd, buffer, 0);
      if (text.cx > tab.right - tab.left || text.cy > tab.bottom - tab.top)
        faults.push_back(Name(c) + L": tab \"" + buffer + L"\" does not fit");
    }
    return;
  }
  if (c.text.empty() || !HasText(c)) return;
  SIZE need{};
  if (_wcsicmp(c.className.c_str(), L"Static") == 0) {
    need = TextSize(c.hwnd, c.text, (c.style & SS_TYPEMASK) == SS_LEFT ? width : 0);
  } else if (IsGroupBox(c)) {
    need = TextSize(c.hwnd, c.text, 0);
    need.cx += Scale(16, e.dpi);
  } else if (IsCheckOrRadio(c)) {
    need = TextSize(c.hwnd, c.text, 0);
    need.cx += Scale(16, e.dpi);
  } else {
    need = TextSize(c.hwnd, c.text, 0);
    need.cx += Scale(4, e.dpi);
    need.cy += Scale(2, e.dpi);
  }
  if (need.cx > width || need.cy > height) faults.push_back(Describe(c) + L": text does not fit");
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool StartsIn(const RECT& inner, const RECT& box) {
  return inner.left > box.left && inner.left < box.right && inner.top > box.top && inner.top < box.bottom;
}

void CheckChildren(HWND parent, const LayoutExpectation& e, std::vector<std::wstring>& faults) {
  RECT client{};
  GetClientRect(parent, &client);
  const std::vector<Child> children = VisibleChildren(parent);
  for (const Child& c : children) {
    if (!Inside(c.rect, client)) faults.push_back(Describe(c) + L": outside its parent");
    CheckText(c, e, faults);
  }
  for (const Child& group : children) {
    if (!IsGroupBox(group)) continue;
    const Child* first = nullptr;
    for (const Child& c : children) {
      if (IsGroupBox(c) || !StartsIn(c.rect, group.rect)) continue;
      const RECT within{group.rect.left + 1, group.rect.top, group.rect.right - 1, group.rect.bottom - 1};
      if (!Inside(c.rect, within)) faults.push_back(Describe(c) + L": leaves " + Describe(group));
      if (!first || c.rect.top < first->rect.top) first = &c;
    }
    const int titleBottom = group.rect.top + TextSize(group.hwnd, L"\xFF37", 0).cy;
    if (first && first->rect.top < titleBottom) faults.push_back(Describe(*first) + L": covers the title of " + Describe(group));
  }
  for (size_t i = 0; i < children.size(); ++i) {
    for (size_t j = i + 1; j < children.size(); ++j) {
      const Child& a = children[i];
      const Child& b = children[j];
      if (IsGroupBox(a) || IsGroupBox(b) || IsTab(a) || IsTab(b)) continue;
      RECT common{};
      if (IntersectRect(&common, &a.rect, &b.rect)) faults.push_back(Describe(a) + L" overlaps " + Describe(b));
    }
  }
  for (const Child& c : children) CheckChildren(c.hwnd, e, faults);
}

}  // namespace

int FontCharacterHeight(HFONT font) {
  HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return metrics.tmHeight;
}

std::vector<std::wstring> LayoutFaults(HWND window, const LayoutExpectation& expected) {
  std::vector<std::wstring> faults;
  CheckChildren(window, expected, faults);
  return faults;
}
