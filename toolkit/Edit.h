#pragma once
// A single-line edit box, sized for a given number of characters.
#include "toolkit/ControlBase.h"

class Edit_CL : public ControlBase_CL {
public:
  static constexpr int kindCode = 4;
  Edit_CL() : ControlBase_CL(kindCode) {}
};
