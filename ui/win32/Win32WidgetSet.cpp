#include "ui/win32/Win32WidgetSet.h"

#include "engine/ThdTimer.h"
#include "platform/win32/Threads.h"
#include "ui/win32/Win32Application.h"
#include "ui/win32/Win32Controls.h"
#include "ui/win32/Win32Shell.h"
#include "ui/win32/Win32WidgetServices.h"

#include <commctrl.h>

namespace vostrel::win32 {

Win32WidgetSet::Win32WidgetSet() : Win32WidgetSet(Win32HandOver::main()) {}

Win32WidgetSet::Win32WidgetSet(Win32HandOver& handOver)
    : ownBeeper_(std::make_unique<Win32Beeper>()),
      // Errors of timer handlers, such as a failed repeated step, end any mouse
      // capture and go to the error display.
      ownTimers_(std::make_unique<Win32TimerFactory>([this](const std::exception& e) {
          if (app_)
              app_->HandleException(e);
      })),
      beeper_(ownBeeper_.get()), timers_(ownTimers_.get()),
      previousTimerHandOver_(TimerEnv::standard().handOver) {
    init(handOver);
}

Win32WidgetSet::Win32WidgetSet(Win32HandOver& handOver, IBeeper& beeper, ITimerFactory& timers)
    : beeper_(&beeper), timers_(&timers), previousTimerHandOver_(TimerEnv::standard().handOver) {
    init(handOver);
}

Win32WidgetSet::Win32WidgetSet(Win32HandOver& handOver, const ShellCalls& shell)
    : Win32WidgetSet(handOver) {
    *shell_ = shell.orSystem();
}

void Win32WidgetSet::init(Win32HandOver& handOver) {
    shell_ = std::make_unique<ShellCalls>(ShellCalls::system());
    // The themed controls of the manifest live in the common controls library.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    app_ = std::make_unique<Win32ApplicationPeer>(handOver);
    TimerEnv::standard().handOver = &handOver;
}

Win32WidgetSet::~Win32WidgetSet() {
    TimerEnv::standard().handOver = previousTimerHandOver_;
}

IApplicationPeer& Win32WidgetSet::Application() {
    return *app_;
}

IApplicationWindowPeer* Win32WidgetSet::ApplicationWindow() {
    return app_.get();
}

std::unique_ptr<IFormPeer> Win32WidgetSet::CreateForm(TForm& form) {
    return std::make_unique<FormPeer>(form, *app_);
}

void* Win32WidgetSet::HandleOf(const IControlPeer* peer) {
    auto* window = dynamic_cast<const NativeWindow*>(peer);
    return window ? window->Hwnd() : nullptr;
}

} // namespace vostrel::win32
