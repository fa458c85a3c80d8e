#pragma once
#include <string>

#include "engine/ConvertSettings.h"

struct NamedSettings { std::wstring name; ConvertSettings settings; };
