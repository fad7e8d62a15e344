#pragma once
// The application object's Win32 side: the application window (the program's
// only taskbar entry, owner of every form), the main and modal loops with the
// hand-over serviced in them, message boxes with their owner and disabling rules,
// and the application's minimise, restore and bring-to-front.

#include "ui/Forms.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vostrel::win32 {

class Win32HandOver;
class FormPeer;

class Win32ApplicationPeer final : public IApplicationPeer {
public:
    explicit Win32ApplicationPeer(Win32HandOver& handOver);
    ~Win32ApplicationPeer() override;
    Win32ApplicationPeer(const Win32ApplicationPeer&) = delete;
    Win32ApplicationPeer& operator=(const Win32ApplicationPeer&) = delete;

    // MessageBoxA owned by the active window, else by the application window's last
    // active pop-up; the program's other windows are disabled while it is up.
    void MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    void PostQuit() override;
    void Run(TForm& mainForm) override;
    void SetTitle(const std::string& title) override;

    // The application window (HWND).
    void* Window() const { return window_; }
    // The main window (HWND): the first form made, also while it is being built.
    void* MainWindow() const;

    // One pass of a message loop: dispatches one message, or services the hand-over
    // and sleeps until a message comes when there is none. False when it took the
    // quit message, which is then left for the loop to handle.
    bool HandleMessage();
    int QuitCode() const { return quitCode_; }

    // The application's minimise: the application window goes to its taskbar entry,
    // taking its owned windows with it, then OnMinimize of every TApplicationEvents
    // part runs. Nothing happens when it is minimised already.
    void Minimize();
    // The application's restore, back to the zero-size window at the screen centre,
    // with the keyboard focus back where it was.
    void Restore();
    // Brings the last active pop-up (normally the main window) to the foreground.
    void BringToFront();
    bool Minimized() const;

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
    // Disables the thread's visible, enabled top-level windows but `except`, and
    // enables them again.
    std::vector<void*> DisableTaskWindows(void* except);
    void EnableTaskWindows(const std::vector<void*>& windows);
    // The error display for an error that escaped a window procedure.
    void HandleException(const std::exception& error);

private:
    class AppWindow;
    // The application window's messages; `handled` false leaves one to the default.
    intptr_t handle(unsigned msg, uintptr_t wParam, intptr_t lParam, bool& handled);
    FormPeer* mainForm() const;
    void fireMinimize();
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
};

} // namespace vostrel::win32
