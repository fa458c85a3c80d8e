#include "toolkit/ToolTips.h"

namespace {

constexpr int tipMargin = 5;
constexpr int maxTipWidth = 640;

// The record size every comctl32 version accepts (up to lParam).
const UINT toolInfoSize = TTTOOLINFOW_V2_SIZE;

}  // namespace

ToolTips_CL::~ToolTips_CL() {
  if (ownsWindow && hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
}

HWND ToolTips_CL::Create(HWND parent, DWORD style) {
  hwnd = CreateWindowExW(0, TOOLTIPS_CLASSW, L"", style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  ownsWindow = hwnd != nullptr;
  return hwnd;
}

void ToolTips_CL::AddTool(HWND toolWindow, UINT_PTR toolId, const RECT& rect, const std::wstring& text) {
  Tool tool{};
  tool.text = text;
  tool.info.cbSize = toolInfoSize;
  tool.info.uFlags = TTF_SUBCLASS;
  tool.info.hwnd = toolWindow;
  tool.info.uId = toolId;
  tool.info.rect = rect;
  tool.info.hinst = GetModuleHandleW(nullptr);
  tools.push_back(std::move(tool));
  Tool& added = tools.back();
  // The tooltip copies the text; the pointer only has to live through the call.
  added.info.lpszText = added.text.data();
  SendMessageW(hwnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&added.info));
  added.info.lpszText = nullptr;
  RECT margin{tipMargin, tipMargin, tipMargin, tipMargin};
  SendMessageW(hwnd, TTM_SETMARGIN, 0, reinterpret_cast<LPARAM>(&margin));
  SendMessageW(hwnd, TTM_SETMAXTIPWIDTH, 0, maxTipWidth);
}

void ToolTips_CL::RemoveAllTools() {
  // Every record we hold, last first; the tooltip's own count is not an index into ours.
  for (auto tool = tools.rbegin(); tool != tools.rend(); ++tool) {
    SendMessageW(hwnd, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool->info));
  }
  tools.clear();
}
