// Vostrel on a Linux desktop: the portable forms drawn with Qt, joysticks read
// through evdev and trigger programs started with posix_spawn.

#include "platform/linux/EvdevJoystick.h"
#include "platform/linux/ExecutablePath.h"
#include "platform/linux/LinuxWorkerPriority.h"
#include "platform/linux/Process.h"
#include "platform/linux/ProfileFunctions.h"
#include "platform/linux/SpawnLauncher.h"
#include "ui/Unit1.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/QtPlatformChoice.h"
#include "ui/qt/QtUnixSignals.h"
#include "ui/qt/QtWidgetSet.h"

#include <QApplication>

using namespace vostrel;

int main(int argc, char** argv) {
    prepareProcess();
    std::vector<char*> args = qt::platformArguments(argc, argv);
    int count = static_cast<int>(args.size()) - 1;
    QApplication qapp(count, args.data());
    TimerEnv::standard().priority = linuxWorkerPriorityFactory();

    // The world outlives the windows that use it.
    TEvdevJoystick joystick;
    TSpawnLauncher launcher;
    TLinuxProfileFunctions profile;
    qt::QtCurrentFolder currentFolder;
    qt::QtWidgetSet widgets;

    TApplication app(widgets);
    app.SetTitle("Vostrel");
    qt::endOnSessionSignals([&app] { app.Terminate(); });
    CreateForms(app,
                Unit1Services{&joystick, &launcher, &profile, linuxSettingsPath, &currentFolder});
    app.Run();
    return 0;
}
