#pragma once
// A "Static" text label, sized to its text.
#include "toolkit/ControlBase.h"

class StaticText_CL : public ControlBase_CL {
public:
  static constexpr int kindCode = 1;
  StaticText_CL() : ControlBase_CL(kindCode) {}
};
