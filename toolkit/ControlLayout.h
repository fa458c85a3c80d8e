#pragma once
// Moving controls relative to each other. Positions are in the parent's client coordinates;
// every move repaints. Controls without a window are left alone.
#include <windows.h>

#include <initializer_list>

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
