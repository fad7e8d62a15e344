#pragma once
// The application object's Win32 side: the application window (the program's
// only taskbar entry, owner of every form), the main and modal loops with the
// hand-over serviced in them, message boxes with their owner and disabling rules,
// and the application's minimise, restore and bring-to-front.

#include "ui/Forms.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vostrel::win32 {

class Win32HandOver;
class FormPeer;

class Win32ApplicationPeer final : public IApplicationPeer, public IApplicationWindowPeer {
public:
    explicit Win32ApplicationPeer(Win32HandOver& handOver);
    ~Win32ApplicationPeer() override;
    Win32ApplicationPeer(const Win32ApplicationPeer&) = delete;
    Win32ApplicationPeer& operator=(const Win32ApplicationPeer&) = delete;

    void MessageBox(TNativeWindow owner, const std::string& text, const std::string& caption,
                    unsigned flags) override;
    void PostQuit() override;
    void Run(TForm& mainForm) override;
    void SetTitle(const std::string& title) override;
    // The thread's visible, enabled top-level windows; the active window and the
    // focus; the application window's last active pop-up.
    std::vector<TNativeWindow> UsableWindows() override;
    void SetWindowEnabled(TNativeWindow window, bool enabled) override;
    TActivation Activation() override;
    void SetActivation(const TActivation& activation) override;
    TNativeWindow DefaultOwner() override;

    // The application window (HWND).
    void* Window() const { return window_; }
    // The main window (HWND): the first form made, also while it is being built.
    void* MainWindow() const;

    // One pass of a message loop: dispatches one message, or services the hand-over
    // and sleeps until a message comes when there is none. False when it took the
    // quit message, which is then left for the loop to handle.
    bool HandleMessage();
    // Dispatches the messages already waiting, without waiting for more; a quit
    // message is left for the loops.
    void DispatchWaiting();
    int QuitCode() const { return quitCode_; }

    // The application window's part of the tray cycle. Minimise: the application
    // window goes to its taskbar entry, taking its owned windows with it (the
    // application object checks first that it is not minimised already).
    void Minimize() override;
    // Takes the application window off the screen or puts it back (SW_HIDE, SW_SHOW).
    void ShowTaskbarEntry(bool show) override;
    // Back to the zero-size window at the screen centre; a main window that a
    // minimised start never showed is shown.
    void Restore() override;
    // Brings the last active pop-up (normally the main window) to the foreground.
    void BringToFront() override;
    bool Minimized() const override;
    // Posts WM_COMMAND with an identifier of the call to the application window.
    void PostCall(std::function<void()> call) override;

    // While set, the application window's messages go here first; true when the
    // hook answered one (the owner-drawn tray menu's measuring and drawing).
    using MessageHook =
        std::function<bool(unsigned msg, uintptr_t wParam, intptr_t lParam, intptr_t& result)>;
    void SetMessageHook(MessageHook hook) { hook_ = std::move(hook); }

    // The show command the program was started with (SW_SHOWMINNOACTIVE starts it
    // minimised); read from the start-up information unless set.
    void SetShowCommand(int command) { showCommand_ = command; }
    // What WM_ENDSESSION runs; by default the exit steps of the end of the program
    // (the application's components destroyed) and the end of the process.
    void SetEndSession(std::function<void()> endSession) { endSession_ = std::move(endSession); }

    // --- For the widget set's forms ---
    void AddForm(FormPeer* form);
    void RemoveForm(FormPeer* form);
    // A form was shown or hidden: the application window follows (the visibility record).
    void UpdateVisible();
    // The first showing of the main window gives the application window its taskbar entry.
    void MainFormShowing();
    // The error display for an error that escaped a window procedure.
    void HandleException(const std::exception& error);

private:
    class AppWindow;
    // The application window's messages; `handled` false leaves one to the default.
    intptr_t handle(unsigned msg, uintptr_t wParam, intptr_t lParam, bool& handled);
    FormPeer* mainForm() const;
    void dispatch(void* msg);
    void closeMainForm();

    Win32HandOver& handOver_;
    std::unique_ptr<AppWindow> appWindow_;
    void* window_ = nullptr;
    std::vector<FormPeer*> forms_;
    bool visibleRecord_ = false;
    bool taskbarEntryGiven_ = false;
    int quitCode_ = 0;
    int showCommand_ = -1;
    std::function<void()> endSession_;
    MessageHook hook_;
    std::map<uint16_t, std::function<void()>> posted_;
    uint16_t nextCallId_ = 1;
};

} // namespace vostrel::win32
