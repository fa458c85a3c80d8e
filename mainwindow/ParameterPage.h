#pragma once
// What the three parameter pages share: each is a modeless child dialog of the main window,
// bound to the main window's working settings through the links it is handed at creation. The
// base makes the page, its controls and their tab order, shows the settings, and dispatches a
// page's messages (size, commands, sliders) and its DPI change to the page's own steps.
//
// A page's yes/no options are rows of a table (SwitchRow): the control, its text, its declared
// id, the settings field it edits, its layout row, and the control it greys while off. The base
// makes the rows' check boxes, shows the settings in them (ShowSwitches) and reads them back
// (ReadSwitch); a new option is a row, nothing more on the page.
#include <windows.h>

#include <vector>

#include "engine/ConvertSettings.h"
#include "engine/SaveData.h"
#include "mainwindow/MainWindowLinks.h"
#include "toolkit/ControlFactory.h"
#include "toolkit/SubClassDialogBase.h"

// One yes/no option of a page.
struct SwitchRow {
  int id;                                       // the check box's id, declared by its page
  const wchar_t* text;                          // its text, with its key "(&X)"
  bool (*get)(const ConvertSettings&);          // the field it shows
  void (*set)(ConvertSettings&, bool on);       // and edits
  int row;                                      // its row in the page's layout of switches
  int greys;                                    // the id of the control greyed while off; 0 none
};

class ParameterPage_CL : public SubClassDialogBase_CL {
public:
  ParameterPage_CL();
  ~ParameterPage_CL() override;

  // Builds the page as a modeless child dialog of parent (the main window), bound to the
  // settings of `mainLinks`, and shows them. Returns the page's window, null when it failed.
  HWND Create(HWND parent, MainWindowLinks& mainLinks);
  INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // The controls sized for the page's new DPI and laid out again.
  void DpiChanged() override;

  // Shows the working settings in every control of the page again (another set was put in
  // place); the controls' own notices meanwhile change nothing.
  void ShowAgain();
  // Shows the working settings in every control of the page.
  virtual void ShowSettings() = 0;
  // The page's yes/no rows.
  virtual const std::vector<SwitchRow>& Switches() const = 0;
  // The check box of a row's id, null before it is made.
  CheckBox_CL* SwitchControl(int id) const;

  ControlFactory_CL controls;
  int ready = 0;

protected:
  virtual void CreateControls() = 0;
  virtual void SetTabOrder() = 0;
  virtual void Layout() = 0;
  virtual void OnCommand(int id, int notification) = 0;
  virtual void OnScroll(HWND) {}
  // A message the page answers itself (true, with its result); others go to the base.
  virtual bool OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

  // Makes the check box of every row, with its declared id.
  void CreateSwitches();
  // Each row's check box shows its field; greys what an unchecked row greys.
  void ShowSwitches() const;
  // When `id` is a row's: reads its check box into its field, greys what it greys, asks for a
  // refresh, and answers true.
  bool ReadSwitch(int id);
  // The next control the factory makes takes this id.
  void NextId(int id) { controls.nextId = id; }

  SaveData_CL& Settings() const { return *links->settings; }
  void RequestPreviewRefresh(RefreshPost post = RefreshPost::kUnlessPending) const;
  // Every keystroke and click of the page's own asks for a refresh, whatever is pending.
  void PostRefresh() const { RequestPreviewRefresh(RefreshPost::kAlways); }
  // When `id` is the start button's, tells the main window (or, before it is known, the page's
  // own parent) that a conversion was asked for.
  void ForwardConvertClick(int id) const;

  MainWindowLinks* links = nullptr;
  std::vector<CheckBox_CL*> switches;  // in the order of Switches()

private:
  void GreyFor(const SwitchRow& row) const;
};
