#pragma once
// A progress bar ("msctls_progress32"); it keeps the platform font.
#include "toolkit/ControlBase.h"

class ProgressBar_CL : public ControlBase_CL {
public:
  static constexpr int kindCode = 19;
  ProgressBar_CL() : ControlBase_CL(kindCode) {}
};
