#include "ui/win32/Win32WidgetSet.h"

#include "engine/ThdTimer.h"
#include "platform/win32/Threads.h"
#include "ui/win32/Win32Application.h"
#include "ui/win32/Win32Controls.h"
#include "ui/win32/Win32WidgetServices.h"

#include <commctrl.h>

namespace vostrel::win32 {

Win32WidgetSet::Win32WidgetSet() : Win32WidgetSet(Win32HandOver::main()) {}

Win32WidgetSet::Win32WidgetSet(Win32HandOver& handOver)
    : beeper_(std::make_unique<Win32Beeper>()),
      timers_(std::make_unique<Win32TimerFactory>([](const std::exception& e) {
          if (vostrel::Application)
              vostrel::Application->ShowException(e);
      })),
      previousTimerHandOver_(TimerEnv::standard().handOver) {
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

std::unique_ptr<IFormPeer> Win32WidgetSet::CreateForm(TForm& form) {
    return std::make_unique<FormPeer>(form, *app_);
}

std::unique_ptr<IControlPeer> Win32WidgetSet::CreateControl(TControl& control,
                                                            IControlPeer& parent) {
    return createControlPeer(control, parent, *beeper_, *timers_);
}

void* Win32WidgetSet::HandleOf(const IControlPeer* peer) {
    auto* window = dynamic_cast<const NativeWindow*>(peer);
    return window ? window->Hwnd() : nullptr;
}

} // namespace vostrel::win32
