#include "engine/ConvertSettings.h"

int ConvertSettings::ValidResizeIndex() const {
  return IsValidSizeChoice(ResizeRadioIndex) ? ResizeRadioIndex : kDefaultSizeChoice;
}

int ConvertSettings::ValidOutputType() const {
  return IsValidOutputType(OutputImageType) ? OutputImageType : kDefaultOutputType;
}
