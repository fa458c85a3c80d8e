#pragma once
// A group-box frame. extentWidth/extentHeight collect the size needed to enclose controls
// (EncloseControl); the page that owns the box then sizes it from them.
#include "toolkit/ControlBase.h"

class GroupBox_CL : public ControlBase_CL {
public:
  static constexpr int kindCode = 18;
  GroupBox_CL() : ControlBase_CL(kindCode) {}

  int extentWidth = 0;
  int extentHeight = 0;
};
