// The Windows program: the start-up order of the program on the Win32 widget set.

#include "engine/ThdTimer.h"
#include "platform/win32/Services.h"
#include "platform/win32/Threads.h"
#include "ui/Unit1.h"
#include "ui/win32/Win32Application.h"
#include "ui/win32/Win32Dialogs.h"
#include "ui/win32/Win32WidgetSet.h"

#include "platform/win32/WinApi.h"

#include <objbase.h>

using namespace vostrel;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The shell's launches and file dialog want COM on this thread.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    TimerEnv::standard().priority = win32::win32WorkerPriorityFactory();

    win32::Win32WidgetSet widgets; // the application window comes first
    TApplication app(widgets);
    app.SetTitle("Vostrel");

    win32::WinmmJoystick joystick;
    // Launches are owned by the main window, also those made while it is being built.
    win32::ShellLauncher launcher([&widgets] { return widgets.App().MainWindow(); });
    win32::Win32ProfileFunctions profile;
    win32::Win32CurrentFolder currentFolder;
    CreateForms(app, Unit1Services{&joystick, &launcher, &profile, &win32::win32SettingsPath,
                                   &currentFolder});
    app.Run();
    return 0;
}
