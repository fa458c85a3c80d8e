#include "mainwindow/WindowState.h"

#include "engine/StoredField.h"

namespace {

// The window's stored fields, in the shape of the conversion settings' table.
constexpr StoredField<WindowState> kWindowFields[] = {
    stored::Flag<WindowState>(L"APP_SETTING", L"WindowTopMost", [](auto& w) -> auto& { return w.topMost; }),
    stored::OnOff<WindowState>(L"CONVERT", L"PreviewFit", [](auto& w) -> auto& { return w.PreviewFit; }),
};

}  // namespace

void WindowState::Load(const Inifile_CL& ini) { stored::ReadAll(kWindowFields, *this, ini, WindowState{}); }

std::vector<IniEntry> WindowState::Entries() const { return stored::Entries(kWindowFields, *this); }
