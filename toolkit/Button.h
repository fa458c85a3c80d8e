#pragma once
// A push button, sized to its caption plus 8 pixels each way.
#include "toolkit/ControlBase.h"

class Button_CL : public ControlBase_CL {
public:
  static constexpr int kindCode = 2;
  Button_CL() : ControlBase_CL(kindCode) {}
};
