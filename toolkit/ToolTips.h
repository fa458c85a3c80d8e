#pragma once
// A tooltip window and the tools added to it, kept so that they can all be removed again.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

class ToolTips_CL {
public:
  ToolTips_CL() = default;
  virtual ~ToolTips_CL();
  ToolTips_CL(const ToolTips_CL&) = delete;
  ToolTips_CL& operator=(const ToolTips_CL&) = delete;

  // Creates the tooltip window ("tooltips_class32") owned by parent; destroyed with this object.
  HWND Create(HWND parent, DWORD style);
  // A tool over rect of toolWindow (TTF_SUBCLASS), then margins of 5 and tips up to 640 wide.
  void AddTool(HWND toolWindow, UINT_PTR toolId, const RECT& rect, const std::wstring& text);
  void RemoveAllTools();
  int ToolCount() const { return static_cast<int>(tools.size()); }

  HWND hwnd = nullptr;

private:
  struct Tool {
    TOOLINFOW info;
    std::wstring text;
  };
  std::vector<Tool> tools;
  bool ownsWindow = false;
};
