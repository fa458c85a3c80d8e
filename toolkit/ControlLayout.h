#pragma once
// Moving controls relative to each other. Positions are in the parent's client coordinates;
// every move repaints. Controls without a window are left alone.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "toolkit/ControlFactory.h"

// The control's window rectangle in its parent's client coordinates.
RECT RectInParent(const ControlBase_CL& control);

// New x; y and size kept.
void MoveX(const ControlBase_CL& control, int x);
// New top-left corner; size kept.
void MoveTo(const ControlBase_CL& control, int x, int y);

// Puts the listed controls (factory indices; a -1 ends the list early) one below the other
// from y, each at its own x, with gap pixels between them. Returns the y after the last one.
int StackVertically(std::initializer_list<int> indices, const ControlFactory_CL& factory, int y, int gap);

// The controls at index and index + 1 go to the bottom-right corner of the dialog's client
// area, 4 pixels from its edges, the first 4 pixels to the left of the second.
void AlignPairBottomRight(const ControlFactory_CL& factory, int index, HWND dialog);

// Widens the group box's extent so that it reaches the control's right and bottom edges.
void EncloseControl(const ControlBase_CL& control, GroupBox_CL& groupBox);

// The tab order is the z-order. Puts the listed controls at the top of their parent's
// z-order in the order given (the order a reader sees them), then the frames at its bottom,
// where they paint over nothing. A null entry starts a new run of radio buttons. Every
// control starts a group of its own (WS_GROUP), so arrow keys never leave it, except a radio
// button that follows one of its run: the arrows move within a run, and never into a box.
void SetTabOrder(const std::vector<const ControlBase_CL*>& order, const std::vector<const ControlBase_CL*>& frames);

// A static text no one sees, made right before a control in the tab order, is the name a
// screen reader gives that control when no label shows on the screen.
StaticText_CL* AddHiddenLabel(ControlFactory_CL& factory, HWND parent, const std::wstring& text);

// Puts the control last in its parent's tab order, above the frames at the bottom.
void PlaceLastInTabOrder(HWND control);

// The control the focus goes to first in a dialog (or a page of one): the first visible,
// enabled tab stop in the z-order; of a run of radio buttons, the checked one. Null for none.
HWND FirstTabStop(HWND dialog);
