#pragma once
// A slider ("msctls_trackbar32") without ticks, 100 x 22 pixels.
#include "toolkit/ControlBase.h"

class TrackBar_CL : public ControlBase_CL {
public:
  static constexpr int kindCode = 11;
  TrackBar_CL() : ControlBase_CL(kindCode) {}
};
