// The tray cycle, the tray menu, the chooser and the About box: the portable
// behaviour with faked peers, on Qt forms offscreen.

#include "support/TrayFakes.h"
#include "ui/About.h"
#include "ui/Unit1.h"
#include "ui/qt/QtWidgetSet.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vostrel;
using Log = std::vector<std::string>;

namespace {

// Qt forms and controls, faked tray, menu, dialog and message boxes.
class FakeShellWidgets : public qt::QtWidgetSet {
public:
    explicit FakeShellWidgets(test::EventLog& log) : log_(log), window(log), boxes_(log) {}
    IApplicationPeer& Application() override { return boxes_; }
    IApplicationWindowPeer* ApplicationWindow() override { return &window; }
    std::unique_ptr<ITrayIconPeer> CreateTrayIcon(TTrayIcon&) override {
        auto peer = std::make_unique<test::FakeTrayIcon>(log_);
        tray = peer.get();
        return peer;
    }
    std::unique_ptr<IPopupMenuPeer> CreatePopupMenu(TPopupActionBar&) override {
        auto peer = std::make_unique<test::FakePopupMenu>(log_);
        menu = peer.get();
        return peer;
    }
    std::unique_ptr<IOpenDialogPeer> CreateOpenDialog(TOpenDialog& d) override {
        auto peer = std::make_unique<test::FakeOpenDialog>(d);
        dialog = peer.get();
        return peer;
    }

    test::EventLog& log_;
    test::FakeApplicationWindow window;
    test::FakeTrayIcon* tray = nullptr;
    test::FakePopupMenu* menu = nullptr;
    test::FakeOpenDialog* dialog = nullptr;

private:
    test::RecordingApplicationPeer boxes_;
};

class Tray : public ::testing::Test {
protected:
    Tray() : launcher(log), widgets(log), app(widgets) {
        app.SetTitle("Vostrel");
        form = app.CreateForm<TForm1>(Unit1Services{
            &joystick, &launcher, &profile, [] { return std::string("/t/v.ini"); }, &folder});
        about = app.CreateForm<TAboutBox>();
    }
    Log events() { return std::exchange(log.events, {}); }
    void minimise() {
        app.Minimize();
        log.events.clear();
    }
    QWidget* window(TForm* f) { return qt::QtWidgetSet::widgetOf(&f->FormPeer()); }

    test::EventLog log;
    test::ScriptedJoystick joystick;
    test::RecordingLauncher launcher;
    test::MemoryProfile profile;
    test::RecordingFolder folder;
    FakeShellWidgets widgets;
    TApplication app;
    TForm1* form = nullptr;
    TAboutBox* about = nullptr;
};

const Log kRestore = {"icon remove", "taskbar show", "restore", "front"};

} // namespace

TEST_F(Tray, MinimiseHidesTheTaskbarEntryThenShowsTheIconAndADoubleClickComesBack) {
    EXPECT_EQ(form->TrayIcon1->Hint(), "Vostrel");
    app.Minimize();
    EXPECT_EQ(events(), (Log{"minimize", "taskbar hide", "icon add"}));
    EXPECT_TRUE(form->TrayIcon1->Visible());

    app.Minimize(); // already minimised: nothing, and the handler does not run again
    EXPECT_EQ(events(), Log{});

    form->TrayIcon1->DblClick();
    EXPECT_EQ(events(), kRestore);
    EXPECT_FALSE(form->TrayIcon1->Visible());
    EXPECT_FALSE(app.Minimized());
}

TEST_F(Tray, ShowingAShownIconOrHidingAHiddenOneDoesNothing) {
    form->TrayIcon1->SetVisible(false);
    EXPECT_EQ(events(), Log{});
    form->TrayIcon1->SetVisible(true);
    form->TrayIcon1->SetVisible(true);
    EXPECT_EQ(events(), Log{"icon add"});

    // Restore in the normal state: no removal, no restore, just to the front.
    form->TrayIcon1->SetVisible(false);
    events();
    form->TrayIcon1->DblClick();
    EXPECT_EQ(events(), (Log{"taskbar show", "front"}));
}

TEST_F(Tray, WithoutANotificationAreaMinimisingStaysAnOrdinaryMinimise) {
    widgets.tray->hostAvailable = false;
    app.Minimize();
    EXPECT_EQ(events(), Log{"minimize"}); // the taskbar entry stays
    EXPECT_FALSE(form->TrayIcon1->Visible());
}

TEST_F(Tray, AFailedAddIsReportedAndTheWindowStaysOnTheTaskbar) {
    widgets.tray->failAdd = true;
    app.Guard([&] { app.Minimize(); }); // as the minimise hook runs it
    EXPECT_EQ(events(), (Log{"minimize", "taskbar hide", "icon add", "taskbar show",
                             "box Cannot create shell notification icon. | Vostrel"}));
    // The flag stays on: the icon goes up when the host comes back ...
    EXPECT_TRUE(form->TrayIcon1->Visible());
    form->TrayIcon1->HostRestarted();
    EXPECT_EQ(events(), Log{"icon add"});
    // ... unless the window came back from its taskbar entry meanwhile; a
    // double-click takes down an icon that the host added after all.
    app.Restore();
    events();
    form->TrayIcon1->HostRestarted();
    EXPECT_EQ(events(), Log{});
    form->TrayIcon1->DblClick();
    EXPECT_EQ(events(), (Log{"icon remove", "taskbar show", "front"}));
}

TEST_F(Tray, AFailedRemovalStillBringsTheWindowBackAndIsThenReported) {
    minimise();
    widgets.tray->failRemove = true;
    form->TrayIcon1->DblClick();
    Log expected = kRestore;
    expected.push_back("box Cannot remove shell notification icon. | Vostrel");
    EXPECT_EQ(events(), expected);
    EXPECT_FALSE(form->TrayIcon1->Visible());
}

TEST_F(Tray, ARestartedHostGetsTheIconBackALostOneTheWindowAndTheEndTakesTheIconDown) {
    form->TrayIcon1->HostRestarted();
    form->TrayIcon1->HostLost();
    EXPECT_EQ(events(), Log{});
    minimise();
    form->TrayIcon1->HostRestarted();
    EXPECT_EQ(events(), Log{"icon add"});

    // Gone for good while the program is in the tray: restored, never stranded;
    // a later minimise goes to the tray again.
    form->TrayIcon1->HostLost();
    EXPECT_EQ(events(), kRestore);
    EXPECT_FALSE(app.Minimized());
    form->TrayIcon1->HostLost();
    EXPECT_EQ(events(), Log{});
    app.Minimize();
    EXPECT_EQ(events(), (Log{"minimize", "taskbar hide", "icon add"}));
    delete form;
    EXPECT_EQ(events(), Log{"icon remove"});
}

TEST_F(Tray, TheMenuHasItsFourItemsInOrderAndNeverOpensTwice) {
    minimise();
    widgets.menu->whileOpen = [&] {
        EXPECT_TRUE(form->PopupActionBar1->IsOpen());
        form->TrayIcon1->RightButtonUp(); // a right click on the icon while the menu is up
    };
    form->TrayIcon1->RightButtonUp();
    EXPECT_EQ(widgets.menu->prepares, 2); // the cursor is read, and so on, both times
    ASSERT_EQ(widgets.menu->openings.size(), 1u);
    EXPECT_EQ(widgets.menu->openings[0],
              (std::vector<std::string>{"A&bout", "-", "&Restore", "E&xit"}));
    EXPECT_FALSE(form->PopupActionBar1->IsOpen());
}

TEST_F(Tray, AChosenItemRunsOnlyAfterTheMenuHasClosed) {
    minimise();
    widgets.menu->choice = 2; // Restore
    form->TrayIcon1->RightButtonUp();
    EXPECT_EQ(events(), (Log{"menu open", "menu closed"}));
    widgets.window.RunPosted();
    EXPECT_EQ(events(), kRestore);

    for (int none : {-1, 1}) { // closed without a choice; the separator
        widgets.menu->choice = none;
        form->TrayIcon1->RightButtonUp();
        EXPECT_TRUE(widgets.window.posted.empty()) << none;
    }
}

TEST_F(Tray, ExitEndsTheProgramFromTheTray) {
    minimise();
    widgets.menu->choice = 3;
    form->TrayIcon1->RightButtonUp();
    widgets.window.RunPosted();
    EXPECT_TRUE(app.Terminated());
}

TEST_F(Tray, AboutFromTheTrayShowsTheBoxAloneAndTheProgramStaysThere) {
    minimise();
    widgets.menu->choice = 0;
    form->TrayIcon1->RightButtonUp();
    events();
    bool checked = false;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(about->Visible());
        EXPECT_FALSE(form->Visible());
        // About again while it is up cannot show it modally a second time.
        app.Guard([&] { form->About1Click(nullptr); });
        checked = true;
        static_cast<QPushButton*>(window(about)->findChild<QPushButton*>())->click();
    });
    widgets.window.RunPosted();
    EXPECT_TRUE(checked);
    EXPECT_FALSE(about->Visible());
    EXPECT_EQ(events(), Log{"box Cannot make a visible window modal. | Vostrel"});
    EXPECT_TRUE(form->TrayIcon1->Visible());
    EXPECT_TRUE(app.Minimized());
}

TEST_F(Tray, TheChooserTakesAConfirmedPathAndRemembersItForTheNextOpening) {
    const std::string before = form->Edit1->Text();
    TOpenDialog& dialog = *form->OpenDialog1;
    EXPECT_EQ(dialog.Title, "pellago.exe");
    EXPECT_EQ(dialog.Filters(),
              (std::vector<std::pair<std::string, std::string>>{{"pellago.exe", "pellago.exe"}}));
    EXPECT_EQ(dialog.FilterIndex, 1);
    EXPECT_EQ(dialog.InitialDir, "C:\\Program Files\\Brask\\Tarnwick");

    widgets.dialog->answer = std::nullopt; // Cancel
    form->Show();
    QTest::mouseClick(qt::QtWidgetSet::widgetOf(form->Button1->Peer()), Qt::LeftButton);
    EXPECT_EQ(form->Edit1->Text(), before);
    EXPECT_TRUE(folder.entered.empty());

    widgets.dialog->answer = "/opt/race/other name"; // any name, existing or not
    form->Button1Click(nullptr);
    EXPECT_EQ(form->Edit1->Text(), "/opt/race/other name");
    EXPECT_EQ(folder.entered, std::vector<std::string>{"/opt/race/other name"});

    widgets.dialog->answer = std::nullopt;
    form->Button1Click(nullptr);
    EXPECT_EQ(form->Edit1->Text(), "/opt/race/other name");
    // Empty the first time (whatever the path field showed), then the last choice.
    EXPECT_EQ(widgets.dialog->fileNamesShown,
              (std::vector<std::string>{"", "", "/opt/race/other name"}));
    EXPECT_TRUE(profile.files.empty()); // nothing saved
}
