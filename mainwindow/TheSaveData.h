#pragma once
// The main window's record: the parameters the pages edit and the photos of the strip. The
// windows share it on the user-interface thread; a job or a batch is handed a copy of it, or
// a reference with the list's lock, and nothing below the windows knows it.
#include "engine/SaveData.h"

extern SaveData_CL theSaveData;
