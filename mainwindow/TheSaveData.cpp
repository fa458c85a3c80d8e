#include "mainwindow/TheSaveData.h"

SaveData_CL theSaveData;
