#pragma once
// An automatic check box, created unchecked.
#include "toolkit/ControlBase.h"

class CheckBox_CL : public ControlBase_CL {
public:
  static constexpr int kindCode = 3;
  CheckBox_CL() : ControlBase_CL(kindCode) {}
};
