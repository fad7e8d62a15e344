#pragma once
// The main window: eight button lamps, the joystick number box, the trigger
// path with its chooser button, and Save Settings; it owns the threaded timer
// that runs the poll tick, the tray icon and its menu, and the open dialog.

#include "engine/Platform.h"
#include "engine/ThdTimer.h"
#include "settings/IniFile.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"
#include "ui/Tray.h"

#include <array>
#include <string>

namespace vostrel {

// The platform services the main window works with.
struct Unit1Services {
    IJoystick* joystick = nullptr;
    ILauncher* launcher = nullptr;
    IProfileFunctions* profile = nullptr;
    // Worked out afresh for every load and save.
    std::function<std::string()> settingsPath;
    // Moved by a confirmed choice of the trigger program; may be null.
    ICurrentFolder* currentFolder = nullptr;
};

class TForm1 : public TForm {
public:
    TForm1(TComponent* owner, IWidgetSet& widgets, Unit1Services services);

    std::array<TPanel*, 8> JoyBtn{}; // JoyBtn1 to JoyBtn8
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TSpinEditBox* SpinEdit1 = nullptr;
    TEdit* Edit1 = nullptr;
    TButton* Button1 = nullptr;
    TButton* Button2 = nullptr;
    TThreadedTimer* ThreadedTimer1 = nullptr;
    TTrayIcon* TrayIcon1 = nullptr;
    TApplicationEvents* ApplicationEvents1 = nullptr;
    TPopupActionBar* PopupActionBar1 = nullptr;
    TOpenDialog* OpenDialog1 = nullptr;

    void FormCreate(TComponent* Sender);
    void Timer1Timer(TComponent* Sender);
    void Button1Click(TComponent* Sender);
    void Button2Click(TComponent* Sender);
    void ApplicationEvents1Minimize(TComponent* Sender);
    void TrayIcon1DblClick(TComponent* Sender);
    void About1Click(TComponent* Sender);
    void Exit1Click(TComponent* Sender);

protected:
    void Loaded() override;

private:
    Unit1Services services_;
    PollTickIo tick_;
};

// Start-up: the main window, then the About box. An error while they are built
// (say "Thread creation error: %s") goes to the error display; the program then
// runs with what exists, and so ends at once without a main window.
void CreateForms(TApplication& app, const Unit1Services& services);

} // namespace vostrel
