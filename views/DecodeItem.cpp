#include "views/DecodeItem.h"

#include <utility>

DecodeItem_CL::DecodeItem_CL(std::wstring path, int boxWidth, int boxHeight, int rotation)
    : path(std::move(path)), boxWidth(boxWidth), boxHeight(boxHeight), rotation(rotation) {}
