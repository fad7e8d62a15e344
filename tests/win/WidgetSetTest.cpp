// The Win32 widget set under Wine's null display driver: the application window,
// the main window from its layout, message boxes and the error display, modal
// loops, and the application's minimise and restore.

#include "WidgetTestSupport.h"

#include "ui/About.h"
#include "ui/win32/Win32Controls.h"
#include "ui/win32/Win32SpinEdit.h"

using namespace vostrel;
using namespace vostrel::win32;
using namespace vostrel::wintest;

namespace {

// A small form with the parts these tests need.
constexpr const char* kTestLayout = R"(
object TestForm: TTestForm
  Left = 120
  Top = 90
  BorderIcons = [biSystemMenu, biMinimize]
  BorderStyle = bsSingle
  Caption = 'Test'
  ClientHeight = 60
  ClientWidth = 240
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  object Edit1: TEdit
    Left = 8
    Top = 8
    Width = 100
    Height = 21
    TabOrder = 0
  end
  object Button1: TButton
    Left = 120
    Top = 8
    Width = 75
    Height = 25
    Caption = '&Fail'
    TabOrder = 1
    OnClick = Button1Click
  end
  object ApplicationEvents1: TApplicationEvents
    OnMinimize = Minimized
  end
end
)";

class TTestForm : public TForm {
public:
    TTestForm(TComponent* owner, IWidgetSet& widgets) : TForm(owner, widgets, kTestLayout) {
        Handler("Button1Click", [this](TComponent*) {
            if (onClick)
                onClick();
        });
        Handler("Minimized", [this](TComponent*) { ++minimized; });
        Part("TApplicationEvents", [this](const TObjectDesc& d) {
            return new TApplicationEvents(this, d, [this](const TValue& n) { return handler(n); });
        });
        Load();
    }
    std::function<void()> onClick;
    int minimized = 0;
};

class WidgetSet : public WidgetFixture {};

} // namespace

TEST_F(WidgetSet, TheApplicationWindowIsAZeroSizeCaptionedPopupThatOwnsEveryForm) {
    HWND w = appWindow();
    const LONG_PTR style = GetWindowLongPtrA(w, GWL_STYLE);
    const LONG_PTR wanted = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
    EXPECT_EQ(style & (wanted | WS_MAXIMIZEBOX | WS_THICKFRAME), wanted);
    EXPECT_TRUE(GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
    EXPECT_EQ(windowText(w), "Vostrel");
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2);
    EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);
    HMENU menu = GetSystemMenu(w, FALSE);
    for (UINT gone : {SC_MAXIMIZE, SC_SIZE, SC_MOVE})
        EXPECT_EQ(GetMenuState(menu, gone, MF_BYCOMMAND), UINT(-1)) << gone;
    EXPECT_NE(GetMenuState(menu, SC_MINIMIZE, MF_BYCOMMAND), UINT(-1));
    // The timers' hand-over is woken through this window while the set lives.
    EXPECT_EQ(TimerEnv::standard().handOver, &handOver);
    EXPECT_EQ(handOver.window(), w);

    createMain();
    auto* about = app.CreateForm<TAboutBox>();
    EXPECT_EQ(GetWindow(hwnd(&form->FormPeer()), GW_OWNER), w);
    EXPECT_EQ(GetWindow(hwnd(&about->FormPeer()), GW_OWNER), w);

    // Hidden, with no taskbar entry, until the main window is first shown.
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_FALSE(GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    form->Show();
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_TRUE(GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_TRUE(GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
}

TEST_F(WidgetSet, TheMainWindowFollowsItsLayout) {
    createMain();
    HWND w = hwnd(&form->FormPeer());
    EXPECT_EQ(windowText(w), "Vostrel");
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 517);
    EXPECT_EQ(client.bottom, 89);
    RECT outer;
    GetWindowRect(w, &outer);
    EXPECT_EQ(outer.left, 200);
    EXPECT_EQ(outer.top, 108);
    const LONG_PTR style = GetWindowLongPtrA(w, GWL_STYLE);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME); // cannot be resized
    EXPECT_TRUE(style & WS_MINIMIZEBOX);

    EXPECT_EQ(windowText(hwnd(form->Label1)), "Number of Joystick:");
    EXPECT_EQ(windowText(hwnd(form->Button2)), "&Save Settings");
    const RECT button1 = childRect(hwnd(form->Button1));
    EXPECT_EQ(button1.left, 481);
    EXPECT_EQ(button1.top, 58);
    EXPECT_EQ(button1.right - button1.left, 26);
    EXPECT_EQ(button1.bottom - button1.top, 21);
    const RECT lamp3 = childRect(hwnd(form->JoyBtn[2]));
    EXPECT_EQ(lamp3.left, 88);
    EXPECT_EQ(lamp3.top, 8);
    EXPECT_TRUE(GetWindowLongPtrA(hwnd(form->Edit1), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(form->Edit1->Text(), "C:\\Program Files\\Brask\\Tarnwick\\pellago.exe");
    EXPECT_EQ(form->SpinEdit1->Text(), "1");

    // Tab order: number box, path field, "...", Save Settings; the lamps are no stops.
    HWND stops[] = {hwnd(form->SpinEdit1), hwnd(form->Edit1), hwnd(form->Button1),
                    hwnd(form->Button2)};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(GetNextDlgTabItem(w, stops[i], FALSE), stops[(i + 1) % 4]) << i;
    for (TPanel* lamp : form->JoyBtn)
        EXPECT_FALSE(GetWindowLongPtrA(hwnd(lamp), GWL_STYLE) & WS_TABSTOP);

    // The first stop takes the focus when the window is first activated.
    form->Show();
    EXPECT_EQ(GetFocus(), stops[0]);
    EXPECT_EQ(form->FormPeer().ActiveControl(), form->SpinEdit1);
}

TEST_F(WidgetSet, TicksRunInTheLoopAndLightTheLampsOfPressedButtons) {
    joystick.script = {{JOYERR_NOERROR, 0x05}};
    createMain();
    form->Show();
    ASSERT_TRUE(pumpUntil([&] { return form->JoyBtn[2]->Color() == clRed; }));
    EXPECT_EQ(form->JoyBtn[0]->Color(), clRed);
    EXPECT_EQ(form->JoyBtn[1]->Color(), clWhite);
    ASSERT_GE(log.events.size(), 2u);
    EXPECT_EQ(log.events[0], "launch C:\\Program Files\\Brask\\Tarnwick\\pellago.exe 1");
    EXPECT_EQ(log.events[1], "launch C:\\Program Files\\Brask\\Tarnwick\\pellago.exe 3");
}

TEST_F(WidgetSet, NoJoystickShowsItsBoxOwnedByTheApplicationWindowAndRunEndsAtOnce) {
    joystick.devices = 0;
    BoxAnswerer answers;
    createMain();
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, "Joystick not found.");
    EXPECT_EQ(answers.boxes[0].caption, "Error");
    EXPECT_EQ(answers.boxes[0].owner, appWindow()); // no window was active yet
    app.CreateForm<TAboutBox>();
    app.Run(); // the request came before the loop: it ends at once
    EXPECT_TRUE(profile.files.empty());
}

TEST_F(WidgetSet, AJoystickErrorInATickEndsTheMainLoop) {
    joystick.script = {{JOYERR_NOERROR, 0}, {JOYERR_UNPLUGGED, 0}};
    createMain();
    BoxAnswerer answers;
    peer().SetShowCommand(SW_SHOWNORMAL);
    app.Run(); // returns once the tick has asked to end
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, "Joystick unplugged.");
    EXPECT_EQ(answers.boxes[0].caption, "Chyba");
}

TEST_F(WidgetSet, AMessageBoxIsOwnedByTheActiveWindowWhichItDisablesAndGivesBack) {
    auto* test = app.CreateForm<TTestForm>();
    test->Show();
    HWND w = hwnd(&test->FormPeer());
    HWND button = hwnd(test->Find<TControl>("Button1"));
    SetFocus(button);
    BoxAnswerer answers({w, appWindow()});
    app.MessageBox("Look", "Caption", MB_ICONERROR);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].owner, w);
    EXPECT_EQ(answers.boxes[0].enabled, (std::vector<bool>{false, false}));
    EXPECT_TRUE(IsWindowEnabled(w));
    EXPECT_TRUE(IsWindowEnabled(appWindow()));
    EXPECT_EQ(GetActiveWindow(), w);
    EXPECT_EQ(GetFocus(), button);
}

TEST_F(WidgetSet, AnErrorFromAHandlerIsShownWithAFullStopAndTheTitle) {
    auto* test = app.CreateForm<TTestForm>();
    test->onClick = [] { throw Exception("Unable to write to C:\\v.ini"); };
    test->Show();
    BoxAnswerer answers;
    SendMessageA(hwnd(test->Find<TControl>("Button1")), BM_CLICK, 0, 0);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, "Unable to write to C:\\v.ini.");
    EXPECT_EQ(answers.boxes[0].caption, "Vostrel");
    EXPECT_FALSE(app.Terminated()); // the program goes on
}

TEST_F(WidgetSet, AnErrorEscapingAWindowProcedureCancelsTheCaptureFirst) {
    auto* test = app.CreateForm<TTestForm>();
    test->Show();
    HWND w = hwnd(&test->FormPeer());
    SetCapture(w);
    ASSERT_EQ(GetCapture(), w);
    BoxAnswerer answers;
    guarded([]() -> LRESULT { throw Exception("Oops!"); });
    EXPECT_EQ(GetCapture(), nullptr);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, "Oops!"); // no full stop after "!"
}

TEST_F(WidgetSet, TheAboutBoxRunsModallyWithTicksAndIsTheSameWindowNextTime) {
    createMain();
    auto* about = app.CreateForm<TAboutBox>();
    form->Show();
    HWND box = hwnd(&about->FormPeer());
    HWND ok = hwnd(about->Find<TControl>("OKButton"));
    int ticks = 0;
    bool mainDisabled = false;
    form->ThreadedTimer1->SetOnTimer([&](TComponent*) {
        if (!about->Visible())
            return;
        mainDisabled = !IsWindowEnabled(hwnd(&form->FormPeer()));
        if (++ticks == 3)
            PostMessageA(box, WM_KEYDOWN, VK_RETURN, 0); // Enter presses the default button
    });
    EXPECT_EQ(about->ShowModal(), mrOk);
    EXPECT_GE(ticks, 3);
    EXPECT_TRUE(mainDisabled);
    EXPECT_FALSE(about->Visible());
    EXPECT_TRUE(IsWindowEnabled(hwnd(&form->FormPeer())));

    // Centred the first time; where it was left the next.
    RECT first;
    GetWindowRect(box, &first);
    EXPECT_EQ(first.left, (GetSystemMetrics(SM_CXSCREEN) - (first.right - first.left)) / 2);
    SetWindowPos(box, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ticks = 0;
    form->ThreadedTimer1->SetOnTimer([&](TComponent*) {
        if (about->Visible() && ++ticks == 1)
            PostMessageA(ok, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(about->ShowModal(), mrOk);
    RECT second;
    GetWindowRect(box, &second);
    EXPECT_EQ(second.left, 10);
    EXPECT_EQ(second.top, 20);
}

TEST_F(WidgetSet, AQuitRequestEndsAModalLoopWithCancelAndReachesTheMainLoop) {
    createMain();
    auto* about = app.CreateForm<TAboutBox>();
    form->Show();
    form->ThreadedTimer1->SetOnTimer([&](TComponent*) {
        if (about->Visible())
            app.Terminate();
    });
    EXPECT_EQ(about->ShowModal(), mrCancel);
    EXPECT_TRUE(app.Terminated());
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(WidgetSet, MinimisingTheMainWindowMinimisesTheApplicationOnce) {
    auto* test = app.CreateForm<TTestForm>();
    test->Show();
    HWND w = hwnd(&test->FormPeer());
    SendMessageA(w, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(appWindow()));
    EXPECT_FALSE(IsIconic(w));        // the form itself is not minimised...
    EXPECT_FALSE(IsWindowVisible(w)); // ...but hidden with its owner
    EXPECT_EQ(test->minimized, 1);
    SendMessageA(appWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(test->minimized, 1); // already minimised: nothing happens

    SetFocus(nullptr);
    SendMessageA(appWindow(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(appWindow()));
    EXPECT_TRUE(IsWindowVisible(w));
    RECT r;
    GetWindowRect(appWindow(), &r);
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);
    EXPECT_EQ(GetFocus(), hwnd(test->Find<TControl>("Edit1")));
}

TEST_F(WidgetSet, SessionEndIsAllowedAndRunsTheExitSteps) {
    int ended = 0;
    peer().SetEndSession([&] { ++ended; });
    EXPECT_EQ(SendMessageA(appWindow(), WM_QUERYENDSESSION, 0, 0), 1);
    SendMessageA(appWindow(), WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(ended, 0);
    SendMessageA(appWindow(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(ended, 1);
}

TEST_F(WidgetSet, TheNumberBoxFiltersTypingAndIsBroughtIntoRangeOnLeaving) {
    joystick.devices = 4; // range 1 to 5
    createMain();
    form->Show();
    HWND box = hwnd(form->SpinEdit1);
    ASSERT_EQ(GetFocus(), box);
    SendMessageA(box, EM_SETSEL, 0, -1);
    for (char c : std::string("a9 "))
        SendMessageA(box, WM_CHAR, static_cast<WPARAM>(c), 0);
    EXPECT_EQ(form->SpinEdit1->Text(), "9");
    EXPECT_EQ(form->SpinEdit1->Value(), 9); // read unchecked until the focus leaves
    // Save Settings by its access key leaves the focus where it is: the number
    // is stored as typed.
    PostMessageA(box, WM_SYSCHAR, 's', 1 << 29);
    auto saved = [&] { return profile.files["C:\\v.ini"][{"Settings", "NumberOfJoy"}]; };
    ASSERT_TRUE(pumpUntil([&] { return !saved().empty(); }));
    EXPECT_EQ(saved(), "9");
    EXPECT_EQ(GetFocus(), box);
    SetFocus(hwnd(form->Edit1));
    EXPECT_EQ(form->SpinEdit1->Text(), "5");
    EXPECT_EQ(windowText(box), "5");
}

TEST_F(WidgetSet, AtTheMainWindowsFontTheNumberBoxIs22HighWithItsArrowsInside) {
    createMain();
    auto* spin = dynamic_cast<SpinPeer*>(form->SpinEdit1->Peer());
    ASSERT_NE(spin, nullptr);
    const RECT box = childRect(spin->Hwnd());
    EXPECT_EQ(box.left, 281);
    EXPECT_EQ(box.top, 8);
    EXPECT_EQ(box.right - box.left, 57);
    EXPECT_EQ(box.bottom - box.top, 22);
    RECT client;
    GetClientRect(spin->Hwnd(), &client);
    EXPECT_EQ(client.right, 53);
    EXPECT_EQ(client.bottom, 18);
    const RECT pair = childRect(spin->Pair());
    EXPECT_EQ(pair.left, 37);
    EXPECT_EQ(pair.top, 0);
    EXPECT_EQ(pair.right - pair.left, 15);
    EXPECT_EQ(pair.bottom - pair.top, 17);
    const RECT up = childRect(spin->UpArrow()), upWanted{0, 0, 15, 8};
    const RECT down = childRect(spin->DownArrow()), downWanted{0, 7, 15, 17};
    EXPECT_TRUE(EqualRect(&up, &upWanted));
    EXPECT_TRUE(EqualRect(&down, &downWanted));
}

TEST_F(WidgetSet, AHeldArrowRepeatsThroughTheWindowTimers) {
    joystick.devices = 15; // range 1 to 16
    createMain();
    form->Show();
    auto* spin = dynamic_cast<SpinPeer*>(form->SpinEdit1->Peer());
    ASSERT_NE(spin, nullptr);
    HWND up = spin->UpArrow();
    const LPARAM over = MAKELPARAM(7, 4), away = MAKELPARAM(7, 40);
    SendMessageA(up, WM_LBUTTONDOWN, MK_LBUTTON, over);
    EXPECT_EQ(form->SpinEdit1->Text(), "1");
    // Steps come while the button is held, from the repeat timer alone.
    ASSERT_TRUE(pumpUntil([&] { return form->SpinEdit1->Value() >= 4; }));
    SendMessageA(up, WM_MOUSEMOVE, MK_LBUTTON, away);
    const std::string held = form->SpinEdit1->Text();
    SendMessageA(up, WM_LBUTTONUP, 0, away); // released away: no step
    EXPECT_EQ(form->SpinEdit1->Text(), held);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(form->SpinEdit1->Box().UpArrow().Pressed());
}

TEST_F(WidgetSet, ASetLendsItsHandOverToTimersOnlyWhileItLives) {
    Win32HandOver other;
    {
        Win32WidgetSet second(other);
        EXPECT_EQ(TimerEnv::standard().handOver, &other);
    }
    EXPECT_EQ(TimerEnv::standard().handOver, &handOver);
}
