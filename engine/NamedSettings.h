#pragma once
// One output of a batch: the settings it is made with and the name of the preset they came
// from, empty for the working settings. A batch of several writes each photo once per output.
#include <string>

#include "engine/ConvertSettings.h"

struct NamedSettings {
  std::wstring name;  // the preset's; empty: the working settings
  ConvertSettings settings;
};
