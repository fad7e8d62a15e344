#pragma once
// The shell and common-dialog calls behind the tray icon and the chooser. The
// widget set takes them as functions so that tests can watch what is passed.

#include <functional>

#include "platform/win32/WinApi.h"

#include <commdlg.h>

namespace vostrel::win32 {

struct ShellCalls {
    // Shell_NotifyIconA.
    std::function<bool(DWORD message, NOTIFYICONDATAA& data)> notifyIcon;
    // The platform's version as major * 100 + minor.
    std::function<unsigned()> version;
    // GetOpenFileNameA.
    std::function<bool(OPENFILENAMEA& record)> getOpenFileName;

    // The real calls.
    static ShellCalls system();
    // These calls, each one left empty taken from the real ones.
    ShellCalls orSystem() const;
};

} // namespace vostrel::win32
