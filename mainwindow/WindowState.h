#pragma once
// The main window's own state beside the conversion settings: whether it stays on top, how the
// preview shows its photo (both stored in the settings file through the main window's one
// whole-file write), the lower effect group's values while no photo is current, and whether a
// refresh is already on its way.
#include <vector>

#include "base/Inifile.h"
#include "engine/ConvertSettings.h"

struct WindowState {
  // "WindowTopMost" in [APP_SETTING]: the window stays above all others.
  bool topMost = false;
  // "PreviewFit" in [CONVERT]: the preview shows the whole result fitted into the pane; off:
  // at its actual size.
  bool PreviewFit = false;
  // The lower effect group's values while no photo is current (not stored).
  EffectParams photoEffect;
  // A WM_REFRESH_PREVIEW is posted and not yet handled (not stored).
  bool refreshPending = false;

  // Reads the stored fields; PreviewFit other than 0 or 1 reads as off.
  void Load(const Inifile_CL& ini);
  // The stored fields as the settings file holds them.
  std::vector<IniEntry> Entries() const;
};
