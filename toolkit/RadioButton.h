#pragma once
// An automatic radio button; the first of a run starts a group (WS_GROUP).
#include "toolkit/ControlBase.h"

class RadioButton_CL : public ControlBase_CL {
public:
  static constexpr int kindCode = 23;
  RadioButton_CL() : ControlBase_CL(kindCode) {}

  unsigned char firstInGroup = 0;
};
