#pragma once
// Small operations the parameter pages share on their controls.
// Every one of them is safe on a control whose window was never made.
#include <windows.h>

#include "base/Messages.h"
#include "toolkit/ControlBase.h"
#include "toolkit/ControlLayout.h"

namespace page {

inline bool Exists(const ControlBase_CL* control) { return control && control->hwnd; }

inline void SetCheck(const ControlBase_CL* control, bool checked) {
  if (Exists(control)) SendMessageW(control->hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// A check box's state in its low byte, as stored in the settings.
inline int CheckState(const ControlBase_CL& control) { return control.IsChecked() & 0xFF; }

inline void MoveAndSize(const ControlBase_CL* control, int x, int y, int width, int height) {
  if (Exists(control)) MoveWindow(control->hwnd, x, y, width, height, TRUE);
}

inline void MoveIfExists(const ControlBase_CL* control, int x, int y) {
  if (control) MoveTo(*control, x, y);
}

// Rows from top, pitch apart: each Place puts the next control on the next row at x and
// answers that row's top. A row more is one call more.
struct Rows {
  Rows(int firstTop, int rowPitch) : top(firstTop), pitch(rowPitch) {}
  int Place(const ControlBase_CL* control, int x) {
    const int y = top + count++ * pitch;
    MoveIfExists(control, x, y);
    return y;
  }
  int Next() const { return top + count * pitch; }

  int top;
  int pitch;
  int count = 0;
};

}  // namespace page
