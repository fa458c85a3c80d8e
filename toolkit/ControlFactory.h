#pragma once
// Creates a dialog's controls: numbers them from 4352 in creation order, sizes them to
// their text in the font for the dialog's DPI, keeps them in creation order and deletes the
// objects with itself. The windows go with their parent dialog.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "toolkit/Button.h"
#include "toolkit/CheckBox.h"
#include "toolkit/ControlBase.h"
#include "toolkit/Edit.h"
#include "toolkit/GroupBox.h"
#include "toolkit/ProgressBar.h"
#include "toolkit/RadioButton.h"
#include "toolkit/StaticText.h"
#include "toolkit/Tab.h"
#include "toolkit/TrackBar.h"

class ControlFactory_CL {
public:
  static constexpr int firstId = 4352;  // 0x1100

  ControlFactory_CL() = default;
  virtual ~ControlFactory_CL() = default;
  ControlFactory_CL(const ControlFactory_CL&) = delete;
  ControlFactory_CL& operator=(const ControlFactory_CL&) = delete;

  // Each returns the new control's index in `controls`. The object is kept even when its
  // window could not be created (its hwnd is then null).
  int AddStaticText(HWND parent, const std::wstring& text, int x, int y);
  int AddButton(HWND parent, const std::wstring& text, int x);
  int AddCheckBox(HWND parent, const std::wstring& text, int x, int y);
  int AddRadioButton(HWND parent, const std::wstring& text, int x, int y, bool firstInGroup);
  int AddEdit(HWND parent, int characterCount);
  int AddGroupBox(HWND parent, const std::wstring& title, int width, int height, int y);
  int AddProgressBar(HWND parent, int width, int height);
  // A 100 x 22 slider at (0, 0), range left at the platform's 0 to 100.
  int AddTrackBar(HWND parent);

  // The font and DPI the controls are made with (null: the stock GUI font). Every control
  // made so far takes the font and is sized again for its text.
  void UseDpi(HFONT dpiFont, int newDpi);
  // The size the control is made with for its text (or characters) at the factory's DPI;
  // cx -1 for a control its dialog sizes itself (group box, slider, progress bar).
  SIZE FittedSize(const ControlBase_CL& control) const;

  // For controls created by their owners: the next identifier, and taking an object over.
  int TakeId() { return nextId++; }
  int Adopt(std::unique_ptr<ControlBase_CL> control);

  int Count() const { return static_cast<int>(controls.size()); }
  // The control at index, or null when the index is out of range.
  ControlBase_CL* At(int index) const;
  // The control at index as its class, or null when out of range or of another kind.
  template <typename Control>
  Control* As(int index) const {
    ControlBase_CL* const control = At(index);
    return control && control->kind == Control::kindCode ? static_cast<Control*>(control) : nullptr;
  }

  std::vector<std::unique_ptr<ControlBase_CL>> controls;
  int nextId = firstId;
  HFONT font = nullptr;
  int dpi = 96;

private:
  // Gives a new control the factory's font and remembers what it is sized for.
  void Prepare(ControlBase_CL& control, const std::wstring& text, int characters = 0) const;
};
