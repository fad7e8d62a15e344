#pragma once
// What the widget-set tests share: a program with the Win32 widget set and fakes
// of the world, a loop to run until a condition holds, and finding the windows
// of this thread.

#include "engine/ThdTimer.h"
#include "platform/win32/Threads.h"
#include "support/Fakes.h"
#include "ui/Unit1.h"
#include "ui/win32/Win32Application.h"
#include "ui/win32/Win32Shell.h"
#include "ui/win32/Win32WidgetSet.h"

#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/WinApi.h"

namespace vostrel::wintest {

HWND hwnd(const IControlPeer* peer);
HWND hwnd(TControl* control);
std::string className(HWND w);
// A visible window of this thread of the class `name`, or null.
HWND threadWindow(const char* name, bool visibleOnly = true);

// The program on the Win32 widget set, with a scripted joystick, a recording
// launcher and settings in memory.
class WidgetFixture : public ::testing::Test {
protected:
    explicit WidgetFixture(const win32::ShellCalls& shell = {});
    ~WidgetFixture() override;

    win32::Win32ApplicationPeer& peer() { return widgets.App(); }
    HWND appWindow() { return static_cast<HWND>(peer().Window()); }
    HWND mainWindow() { return hwnd(&form->FormPeer()); }
    TForm1* createMain(ICurrentFolder* currentFolder = nullptr);
    // Runs the loop until `done()`, a bound, or the quit message (which is kept).
    bool pumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds bound = std::chrono::seconds(20));

    test::EventLog log;
    test::ScriptedJoystick joystick;
    test::RecordingLauncher launcher;
    test::MemoryProfile profile;
    win32::Win32HandOver handOver;
    win32::Win32WidgetSet widgets;
    TApplication app;
    TForm1* form = nullptr;
};

} // namespace vostrel::wintest
