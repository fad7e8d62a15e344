#include "ui/Unit1.h"

#include "settings/Settings.h"
#include "ui/About.h"

#include <exception>

namespace vostrel {

TForm1::TForm1(TComponent* owner, IWidgetSet& widgets, Unit1Services services)
    : TForm(owner, widgets, builtInLayout("Unit1")), services_(std::move(services)) {
    auto bind = [this](const char* name, void (TForm1::*method)(TComponent*)) {
        Handler(name, [this, method](TComponent* sender) { (this->*method)(sender); });
    };
    bind("FormCreate", &TForm1::FormCreate);
    bind("Timer1Timer", &TForm1::Timer1Timer);
    bind("Button1Click", &TForm1::Button1Click);
    bind("Button2Click", &TForm1::Button2Click);
    bind("ApplicationEvents1Minimize", &TForm1::ApplicationEvents1Minimize);
    bind("TrayIcon1DblClick", &TForm1::TrayIcon1DblClick);
    bind("About1Click", &TForm1::About1Click);
    bind("Exit1Click", &TForm1::Exit1Click);
    const TEventBinder events = [this](const TValue& name) { return handler(name); };
    Part("TTrayIcon",
         [this, events](const TObjectDesc& d) { return new TTrayIcon(*this, d, events); });
    Part("TApplicationEvents",
         [this, events](const TObjectDesc& d) { return new TApplicationEvents(this, d, events); });
    Part("TPopupActionBar",
         [this, events](const TObjectDesc& d) { return new TPopupActionBar(*this, d, events); });
    Part("TOpenDialog", [this](const TObjectDesc& d) {
        return new TOpenDialog(*this, d, services_.currentFolder);
    });
    Load();
}

void TForm1::Loaded() {
    for (int n = 1; n <= 8; ++n)
        JoyBtn[n - 1] = Find<TPanel>("JoyBtn" + std::to_string(n));
    Label1 = Find<TLabel>("Label1");
    Label2 = Find<TLabel>("Label2");
    SpinEdit1 = Find<TSpinEditBox>("SpinEdit1");
    Edit1 = Find<TEdit>("Edit1");
    Button1 = Find<TButton>("Button1");
    Button2 = Find<TButton>("Button2");
    ThreadedTimer1 = Find<TThreadedTimer>("ThreadedTimer1");
    TrayIcon1 = Find<TTrayIcon>("TrayIcon1");
    ApplicationEvents1 = Find<TApplicationEvents>("ApplicationEvents1");
    PopupActionBar1 = Find<TPopupActionBar>("PopupActionBar1");
    OpenDialog1 = Find<TOpenDialog>("OpenDialog1");

    tick_.joystickNumber = [this] { return SpinEdit1->Value(); };
    tick_.triggerPath = [this] { return Edit1->Text(); };
    tick_.joystick = services_.joystick;
    for (int n = 0; n < 8; ++n)
        tick_.lamps[n] = JoyBtn[n];
    tick_.launcher = services_.launcher;
    tick_.application = Application;
}

void CreateForms(TApplication& app, const Unit1Services& services) {
    app.Guard([&] {
        app.CreateForm<TForm1>(services);
        app.CreateForm<TAboutBox>();
    });
}

void TForm1::FormCreate(TComponent*) {
    loadSettings(
        *services_.profile, services_.settingsPath(),
        [this](const std::string& path) { Edit1->SetText(path); },
        [this](int32_t number) { SpinEdit1->SetValue(number); });
    if (services_.joystick->NumDevs() == 0) {
        Application->MessageBox("Joystick not found.", "Error", MB_ICONERROR);
        Application->Terminate();
        return;
    }
    // The value already in the box is deliberately not re-checked here.
    SpinEdit1->SetMaxValue(static_cast<int32_t>(services_.joystick->NumDevs()) + 1);
    SpinEdit1->SetMinValue(1);
}

void TForm1::Timer1Timer(TComponent*) {
    RunPollTick(tick_);
}

void TForm1::Button1Click(TComponent*) {
    // Cancel changes nothing; the path is taken as it is, unexamined and unsaved.
    if (OpenDialog1->Execute())
        Edit1->SetText(OpenDialog1->FileName);
}

void TForm1::Button2Click(TComponent*) {
    saveSettings(
        *services_.profile, services_.settingsPath(), [this] { return Edit1->Text(); },
        [this] { return SpinEdit1->Value(); });
}

void TForm1::ApplicationEvents1Minimize(TComponent*) {
    // With no notification area the window would hide into nothing: it stays an
    // ordinary minimised window on the taskbar instead.
    if (!TrayIcon1->HostAvailable())
        return;
    Application->ShowTaskbarEntry(false);
    try {
        TrayIcon1->SetVisible(true);
    } catch (...) {
        Application->ShowTaskbarEntry(true); // keep the window reachable
        throw;
    }
}

void TForm1::TrayIcon1DblClick(TComponent*) {
    // A failed removal is reported, but only after the window is back: the
    // icon may well be gone already, and nothing else would lead back to it.
    std::exception_ptr failure;
    try {
        TrayIcon1->SetVisible(false);
    } catch (...) {
        failure = std::current_exception();
    }
    Application->ShowTaskbarEntry(true);
    Application->Restore();
    Application->BringToFront();
    if (failure)
        std::rethrow_exception(failure);
}

void TForm1::About1Click(TComponent*) {
    if (AboutBox)
        AboutBox->ShowModal();
}

void TForm1::Exit1Click(TComponent*) {
    Close();
}

} // namespace vostrel
