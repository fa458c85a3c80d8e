#pragma once
// What the tests of the whole main window share: the INI file and log on a temporary folder (the update check off), and the main window opened modeless with
// a command line, the folders it would open in Explorer collected instead.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Inifile.h"
#include "base/LogFile.h"
#include "engine/SaveData.h"
#include "mainwindow/MainWindow.h"
#include "tests/support/TempFolder.h"

// Runs every message waiting for this thread's windows.
inline void PumpWindowMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

class MainWindowHost : public testing::Test {
protected:
  void SetUp() override {
    savedIniPath = theIniFile.filePath;
    savedLogPath = theLog.logPath;
    iniPath = temp.File(L"Glimmerset.ini");
    theIniFile.SetFileName(iniPath);
    // Never a network request from a test.
    theIniFile.WriteInt(L"VERSION", L"notify", 1);
    theLog.logPath = temp.File(L"log.txt");
  }
  void TearDown() override {
    window.reset();
    PumpWindowMessages();
    theIniFile.filePath = savedIniPath;
    theLog.logPath = savedLogPath;
  }

  // Opens the main window modeless with this command line and lets it settle.
  MainWindow_CL& Open(const std::wstring& commandLine = L"Glimmerset.exe") {
    window = std::make_unique<MainWindow_CL>();
    window->commandLineText = commandLine;
    window->openFolder = [this](const std::wstring& folder) { openedFolders.push_back(folder); };
    EXPECT_NE(window->CreateModeless(nullptr), nullptr);
    PumpWindowMessages();
    SettleIntake();
    return *window;
  }

  // Pumps until the photos asked for have all been found (at most 15 s).
  void SettleIntake() {
    const ULONGLONG end = GetTickCount64() + 15000;
    do {
      PumpWindowMessages();
      if (!window->intake.Busy()) return;
      Sleep(5);
    } while (GetTickCount64() < end);
    ADD_FAILURE() << "the photos were never all found";
  }

  TempFolder temp;
  std::wstring iniPath;
  std::unique_ptr<MainWindow_CL> window;
  std::vector<std::wstring> openedFolders;

private:
  std::wstring savedIniPath;
  std::wstring savedLogPath;
};
