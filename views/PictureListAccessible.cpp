#include "views/PictureListAccessible.h"

#include <string>

#include "base/DllFunction.h"
#include "views/PictureListBase.h"

namespace {

constexpr int kSelf = -1;
constexpr int kNothing = -2;
constexpr wchar_t kOpenAction[] = L"選択";

using LresultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using AccessibleObjectFromWindowFunction = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);

// oleacc is loaded only when a screen reader asks: the program starts without it.
const DllFunction_CL& Oleacc() {
  static const DllFunction_CL library(L"oleacc.dll");
  return library;
}

HRESULT Text(const std::wstring& text, BSTR* out) {
  if (!out) return E_INVALIDARG;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

void SetInt(VARIANT* out, long value) {
  VariantInit(out);
  out->vt = VT_I4;
  out->lVal = value;
}

}  // namespace

PictureListAccessible_CL::PictureListAccessible_CL(PictureListBase_CL* list) : list(list) {}

LRESULT PictureListAccessible_CL::Result(WPARAM wParam) {
  const auto make = Oleacc().FindAs<LresultFromObjectFunction>("LresultFromObject");
  return make ? make(__uuidof(IAccessible), wParam, this) : 0;
}

int PictureListAccessible_CL::ItemOf(const VARIANT& child) const {
  if (child.vt != VT_I4) return kNothing;
  if (child.lVal == CHILDID_SELF) return kSelf;
  const int index = static_cast<int>(child.lVal) - 1;
  return list && list->IsItem(index) ? index : kNothing;
}

// ---- IUnknown, IDispatch ---------------------------------------------------------------

HRESULT PictureListAccessible_CL::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
    *object = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG PictureListAccessible_CL::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references)); }

ULONG PictureListAccessible_CL::Release() {
  const LONG left = InterlockedDecrement(&references);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT PictureListAccessible_CL::GetTypeInfoCount(UINT* count) {
  if (!count) return E_INVALIDARG;
  *count = 0;
  return S_OK;
}
HRESULT PictureListAccessible_CL::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT PictureListAccessible_CL::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT PictureListAccessible_CL::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

// ---- IAccessible -----------------------------------------------------------------------

HRESULT PictureListAccessible_CL::get_accParent(IDispatch** parent) {
  if (!parent) return E_INVALIDARG;
  *parent = nullptr;
  if (!list) return RPC_E_DISCONNECTED;
  const auto fromWindow = Oleacc().FindAs<AccessibleObjectFromWindowFunction>("AccessibleObjectFromWindow");
  if (!fromWindow) return S_FALSE;
  return fromWindow(list->hwnd, static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch), reinterpret_cast<void**>(parent));
}

HRESULT PictureListAccessible_CL::get_accChildCount(long* count) {
  if (!count) return E_INVALIDARG;
  if (!list) return RPC_E_DISCONNECTED;
  *count = static_cast<long>(list->count);
  return S_OK;
}

// The items are simple elements, not objects of their own.
HRESULT PictureListAccessible_CL::get_accChild(VARIANT child, IDispatch** result) {
  if (!result) return E_INVALIDARG;
  *result = nullptr;
  if (!list) return RPC_E_DISCONNECTED;
  return ItemOf(child) >= 0 ? S_FALSE : E_INVALIDARG;
}

HRESULT PictureListAccessible_CL::get_accName(VARIANT child, BSTR* name) {
  if (!list) return RPC_E_DISCONNECTED;
  const int item = ItemOf(child);
  if (item == kNothing) return E_INVALIDARG;
  return Text(item == kSelf ? list->accessibleName : list->ItemName(item), name);
}

HRESULT PictureListAccessible_CL::get_accValue(VARIANT, BSTR* value) {
  if (value) *value = nullptr;
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT PictureListAccessible_CL::get_accDescription(VARIANT, BSTR* description) {
  if (description) *description = nullptr;
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT PictureListAccessible_CL::get_accRole(VARIANT child, VARIANT* role) {
  if (!role) return E_INVALIDARG;
  if (!list) return RPC_E_DISCONNECTED;
  const int item = ItemOf(child);
  if (item == kNothing) return E_INVALIDARG;
  SetInt(role, item == kSelf ? ROLE_SYSTEM_LIST : ROLE_SYSTEM_LISTITEM);
  return S_OK;
}

HRESULT PictureListAccessible_CL::get_accState(VARIANT child, VARIANT* state) {
  if (!state) return E_INVALIDARG;
  if (!list) return RPC_E_DISCONNECTED;
  const int item = ItemOf(child);
  if (item == kNothing) return E_INVALIDARG;
  const bool focused = list->HasFocus();
  long flags = STATE_SYSTEM_FOCUSABLE;
  if (item == kSelf) {
    if (focused) flags |= STATE_SYSTEM_FOCUSED;
  } else {
    flags |= STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_MULTISELECTABLE | STATE_SYSTEM_EXTSELECTABLE;
    if (list->IsSelected(item)) flags |= STATE_SYSTEM_SELECTED;
    if (focused && item == list->current) flags |= STATE_SYSTEM_FOCUSED;
    RECT client{};
    GetClientRect(list->hwnd, &client);
    const RECT cell = list->CellRect(item);
    RECT shown{};
    if (!IntersectRect(&shown, &cell, &client)) flags |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
  }
  SetInt(state, flags);
  return S_OK;
}

HRESULT PictureListAccessible_CL::get_accHelp(VARIANT, BSTR* help) {
  if (help) *help = nullptr;
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT PictureListAccessible_CL::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
  if (file) *file = nullptr;
  if (topic) *topic = -1;
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT PictureListAccessible_CL::get_accKeyboardShortcut(VARIANT, BSTR* shortcut) {
  if (shortcut) *shortcut = nullptr;
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT PictureListAccessible_CL::get_accFocus(VARIANT* child) {
  if (!child) return E_INVALIDARG;
  VariantInit(child);
  if (!list) return RPC_E_DISCONNECTED;
  if (!list->HasFocus()) return S_FALSE;
  SetInt(child, list->IsItem(list->current) ? list->current + 1 : CHILDID_SELF);
  return S_OK;
}

// One selected item is named by its id; several are left to the items' states.
HRESULT PictureListAccessible_CL::get_accSelection(VARIANT* children) {
  if (!children) return E_INVALIDARG;
  VariantInit(children);
  if (!list) return RPC_E_DISCONNECTED;
  if (list->selectedCount == 0) return S_FALSE;
  if (list->selectedCount > 1) return DISP_E_MEMBERNOTFOUND;
  for (unsigned i = 0; i < list->count; ++i) {
    if (list->IsSelected(static_cast<int>(i))) {
      SetInt(children, static_cast<long>(i) + 1);
      return S_OK;
    }
  }
  return S_FALSE;
}

HRESULT PictureListAccessible_CL::get_accDefaultAction(VARIANT child, BSTR* action) {
  if (!list) return RPC_E_DISCONNECTED;
  if (ItemOf(child) < 0) {
    if (action) *action = nullptr;
    return DISP_E_MEMBERNOTFOUND;
  }
  return Text(kOpenAction, action);
}

HRESULT PictureListAccessible_CL::accSelect(long flags, VARIANT child) {
  if (!list) return RPC_E_DISCONNECTED;
  const int item = ItemOf(child);
  if (item < 0) return E_INVALIDARG;
  if (flags & SELFLAG_TAKEFOCUS) {
    SetFocus(list->hwnd);
    list->current = item;
  }
  if (flags & SELFLAG_TAKESELECTION) {
    list->SelectAll(kSelectClear);
    list->SetSelected(item, kSelectSet);
    list->anchor = item;
  }
  if (flags & SELFLAG_ADDSELECTION) list->SetSelected(item, kSelectSet);
  if (flags & SELFLAG_REMOVESELECTION) list->SetSelected(item, kSelectClear);
  list->EnsureVisible(item);
  list->Repaint();
  list->AnnounceFocusAndSelection();
  return S_OK;
}

HRESULT PictureListAccessible_CL::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
  if (!left || !top || !width || !height) return E_INVALIDARG;
  if (!list) return RPC_E_DISCONNECTED;
  const int item = ItemOf(child);
  if (item == kNothing) return E_INVALIDARG;
  RECT r{};
  if (item == kSelf) {
    GetClientRect(list->hwnd, &r);
  } else {
    r = list->CellRect(item);
  }
  MapWindowPoints(list->hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
  *left = r.left;
  *top = r.top;
  *width = r.right - r.left;
  *height = r.bottom - r.top;
  return S_OK;
}

HRESULT PictureListAccessible_CL::accNavigate(long direction, VARIANT start, VARIANT* end) {
  if (!end) return E_INVALIDARG;
  VariantInit(end);
  if (!list) return RPC_E_DISCONNECTED;
  const int item = ItemOf(start);
  if (item == kNothing) return E_INVALIDARG;
  const long last = static_cast<long>(list->count);
  long target = 0;
  switch (direction) {
    case NAVDIR_FIRSTCHILD: target = item == kSelf && last > 0 ? 1 : 0; break;
    case NAVDIR_LASTCHILD: target = item == kSelf ? last : 0; break;
    case NAVDIR_NEXT:
    case NAVDIR_RIGHT: target = item >= 0 && item + 2 <= last ? item + 2 : 0; break;
    case NAVDIR_PREVIOUS:
    case NAVDIR_LEFT: target = item >= 1 ? item : 0; break;
    default: break;
  }
  if (target == 0) return S_FALSE;
  SetInt(end, target);
  return S_OK;
}

HRESULT PictureListAccessible_CL::accHitTest(long x, long y, VARIANT* child) {
  if (!child) return E_INVALIDARG;
  VariantInit(child);
  if (!list) return RPC_E_DISCONNECTED;
  POINT point{x, y};
  ScreenToClient(list->hwnd, &point);
  RECT client{};
  GetClientRect(list->hwnd, &client);
  if (!PtInRect(&client, point)) return S_FALSE;
  const int index = list->HitTest(point.x, point.y);
  SetInt(child, list->IsItem(index) ? index + 1 : CHILDID_SELF);
  return S_OK;
}

HRESULT PictureListAccessible_CL::accDoDefaultAction(VARIANT child) {
  if (!list) return RPC_E_DISCONNECTED;
  const int item = ItemOf(child);
  if (item < 0) return DISP_E_MEMBERNOTFOUND;
  list->ClickItem(item);
  return S_OK;
}

HRESULT PictureListAccessible_CL::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT PictureListAccessible_CL::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }
