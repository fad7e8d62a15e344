#pragma once
// The Win32 widget set: native windows for the portable forms, read from the same
// layouts as every other widget set, and the application window with the main
// loop, message boxes and the error display.

#include "ui/Forms.h"
#include "ui/WidgetServices.h"

#include <memory>

namespace vostrel {
class HandOver;
}

namespace vostrel::win32 {

class Win32HandOver;
class Win32ApplicationPeer;
struct ShellCalls;

class Win32WidgetSet final : public IWidgetSet {
public:
    // Creates the application window, which services `handOver`; that hand-over
    // becomes the one threaded timers use (TimerEnv::standard()) while the set lives.
    Win32WidgetSet();
    explicit Win32WidgetSet(Win32HandOver& handOver);
    // With the given default sound and timers for the controls (tests pass fakes,
    // which must outlive the set).
    Win32WidgetSet(Win32HandOver& handOver, IBeeper& beeper, ITimerFactory& timers);
    // The tray icon and the chooser make `shell`'s calls (the real ones where empty).
    Win32WidgetSet(Win32HandOver& handOver, const ShellCalls& shell);
    ~Win32WidgetSet() override;

    IApplicationPeer& Application() override;
    Win32ApplicationPeer& App() { return *app_; }
    std::unique_ptr<IFormPeer> CreateForm(TForm& form) override;
    // The controls (Win32Controls.cpp).
    std::unique_ptr<IControlPeer> CreatePanel(TPanel& panel, IControlPeer& parent) override;
    std::unique_ptr<IControlPeer> CreateLabel(TLabel& label, IControlPeer& parent) override;
    std::unique_ptr<IControlPeer> CreateEdit(TEdit& edit, IControlPeer& parent) override;
    std::unique_ptr<IControlPeer> CreateButton(TButton& button, IControlPeer& parent) override;
    std::unique_ptr<IControlPeer> CreateImage(TImage& image, IControlPeer& parent) override;
    std::unique_ptr<IControlPeer> CreateSpinEdit(TSpinEditBox& box, IControlPeer& parent) override;
    int TextWidth(const TFontSpec& font, const std::string& text) override;
    // The tray cycle (Win32Tray.cpp) and the chooser (Win32Dialogs.cpp).
    IApplicationWindowPeer* ApplicationWindow() override;
    std::unique_ptr<ITrayIconPeer> CreateTrayIcon(TTrayIcon& icon) override;
    std::unique_ptr<IPopupMenuPeer> CreatePopupMenu(TPopupActionBar& menu) override;
    std::unique_ptr<IOpenDialogPeer> CreateOpenDialog(TOpenDialog& dialog) override;

    // The native window (HWND) behind a peer of this set; null for any other.
    static void* HandleOf(const IControlPeer* peer);

    IBeeper& Beeper() { return *beeper_; }
    ITimerFactory& Timers() { return *timers_; }

private:
    void init(Win32HandOver& handOver);

    std::unique_ptr<Win32ApplicationPeer> app_;
    std::unique_ptr<IBeeper> ownBeeper_;
    std::unique_ptr<ITimerFactory> ownTimers_;
    IBeeper* beeper_;
    ITimerFactory* timers_;
    std::unique_ptr<ShellCalls> shell_;
    HandOver* previousTimerHandOver_;
};

} // namespace vostrel::win32
