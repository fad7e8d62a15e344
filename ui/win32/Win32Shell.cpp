#include "ui/win32/Win32Shell.h"

namespace vostrel::win32 {

ShellCalls ShellCalls::system() {
    ShellCalls calls;
    calls.notifyIcon = [](DWORD message, NOTIFYICONDATAA& data) {
        return Shell_NotifyIconA(message, &data) != FALSE;
    };
    calls.version = [] {
        const DWORD v = GetVersion();
        return static_cast<unsigned>(LOBYTE(LOWORD(v))) * 100 + HIBYTE(LOWORD(v));
    };
    calls.getOpenFileName = [](OPENFILENAMEA& record) {
        return GetOpenFileNameA(&record) != FALSE;
    };
    return calls;
}

ShellCalls ShellCalls::orSystem() const {
    ShellCalls calls = system();
    if (notifyIcon)
        calls.notifyIcon = notifyIcon;
    if (version)
        calls.version = version;
    if (getOpenFileName)
        calls.getOpenFileName = getOpenFileName;
    return calls;
}

} // namespace vostrel::win32
