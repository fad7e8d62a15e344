// The main window on the Qt widget set, offscreen, with the world faked.

#include "engine/HandOver.h"
#include "support/Fakes.h"
#include "ui/About.h"
#include "ui/Unit1.h"
#include "ui/qt/QtWidgetSet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <utility>

using namespace vostrel;

namespace {

// Answers every message box that comes up, recording "text | caption".
class BoxAnswerer {
public:
    BoxAnswerer() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes.push_back((box->text() + " | " + box->windowTitle()).toStdString());
                box->accept();
            }
        });
        timer_.start();
    }
    std::vector<std::string> boxes;

private:
    QTimer timer_;
};

bool waitFor(const std::function<bool()>& done, int boundMs = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > boundMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

class MainWindow : public ::testing::Test {
protected:
    MainWindow() : launcher(log), app(widgets) { app.SetTitle("Vostrel"); }
    TForm1* create() {
        form = app.CreateForm<TForm1>(
            Unit1Services{&joystick, &launcher, &profile, [] { return std::string("/t/v.ini"); }});
        return form;
    }
    QWidget* widget(TControl* c) { return qt::QtWidgetSet::widgetOf(c->Peer()); }
    QWidget* window() { return qt::QtWidgetSet::widgetOf(&form->FormPeer()); }

    test::EventLog log;
    test::ScriptedJoystick joystick;
    test::RecordingLauncher launcher;
    test::MemoryProfile profile;
    qt::QtWidgetSet widgets;
    TApplication app;
    TForm1* form = nullptr;
};

} // namespace

TEST_F(MainWindow, HasItsLayoutTextsAndTabOrder) {
    create();
    QWidget* w = window();
    EXPECT_EQ(w->windowTitle(), "Vostrel");
    EXPECT_EQ(w->size(), QSize(517, 89));
    EXPECT_EQ(w->minimumSize(), w->maximumSize()); // cannot be resized
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(w->pos(), QPoint(200, 108));

    EXPECT_EQ(static_cast<QLabel*>(widget(form->Label1))->text(), "Number of Joystick:");
    EXPECT_EQ(static_cast<QLabel*>(widget(form->Label2))->text(), "Path to pellago.exe:");
    EXPECT_EQ(static_cast<QPushButton*>(widget(form->Button2))->text(), "&Save Settings");
    EXPECT_EQ(widget(form->Button1)->geometry(), QRect(481, 58, 26, 21));
    EXPECT_EQ(widget(form->JoyBtn[2])->geometry(), QRect(88, 8, 33, 33));
    EXPECT_EQ(widget(form->JoyBtn[7])->geometry(), QRect(128, 47, 33, 33));
    auto* path = static_cast<QLineEdit*>(widget(form->Edit1));
    EXPECT_TRUE(path->isReadOnly());
    EXPECT_EQ(path->text().toStdString(), "C:\\Program Files\\Brask\\Tarnwick\\pellago.exe");

    // Tab order: number box, path field, "...", Save Settings.
    auto stop = [](QWidget* w) { return w->focusProxy() ? w->focusProxy() : w; };
    auto nextStop = [](QWidget* w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy());
        return w;
    };
    QWidget* expected[] = {stop(widget(form->SpinEdit1)), widget(form->Edit1),
                           widget(form->Button1), widget(form->Button2)};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(nextStop(expected[i]), expected[i + 1]) << i;
    for (TPanel* lamp : form->JoyBtn)
        EXPECT_EQ(widget(lamp)->focusPolicy(), Qt::NoFocus);
}

TEST_F(MainWindow, StartUpLoadsTheSettingsAndBoundsTheNumberByTheDeviceCountPlusOne) {
    profile.files["/t/v.ini"][{"Settings", "NumberOfJoy"}] = "9";
    profile.files["/t/v.ini"][{"Settings", "PathToTrigger"}] = "/opt/trigger";
    joystick.devices = 4;
    create();
    EXPECT_EQ(form->Edit1->Text(), "/opt/trigger");
    EXPECT_EQ(form->SpinEdit1->Text(), "9"); // shown as stored, not clamped
    EXPECT_EQ(form->SpinEdit1->MinValue(), 1);
    EXPECT_EQ(form->SpinEdit1->MaxValue(), 5);
}

TEST_F(MainWindow, LampsFollowTheReadingsAndPressedButtonsLaunch) {
    joystick.script = {{JOYERR_NOERROR, 0x05}};
    create();
    form->Show();
    auto lampColour = [&](int n) {
        return static_cast<QWidget*>(widget(form->JoyBtn[n - 1]))->grab().toImage().pixel(16, 5);
    };
    EXPECT_EQ(QColor(lampColour(1)), QColor(Qt::white)); // white before the first reading
    ASSERT_TRUE(waitFor([&] { return form->JoyBtn[0]->Color() == clRed; }));
    EXPECT_EQ(form->JoyBtn[1]->Color(), clWhite);
    EXPECT_EQ(form->JoyBtn[2]->Color(), clRed);
    EXPECT_EQ(QColor(lampColour(1)), QColor(Qt::red));
    EXPECT_EQ(QColor(lampColour(2)), QColor(Qt::white));
    ASSERT_GE(log.events.size(), 2u);
    EXPECT_EQ(log.events[0], "launch C:\\Program Files\\Brask\\Tarnwick\\pellago.exe 1");
}

TEST_F(MainWindow, NoJoystickShowsTheErrorThenEndsWithoutWritingSettings) {
    joystick.devices = 0;
    BoxAnswerer answers;
    create();
    EXPECT_EQ(answers.boxes, (std::vector<std::string>{"Joystick not found. | Error"}));
    EXPECT_TRUE(app.Terminated());
    app.Run(); // the request came before the loop: it must still end at once
    EXPECT_TRUE(profile.files.empty());
    EXPECT_EQ(form->SpinEdit1->MaxValue(), 0);
}

TEST_F(MainWindow, AnUnpluggedJoystickShowsItsBoxOnceAndEndsTheLoop) {
    joystick.script = {{JOYERR_NOERROR, 0}, {JOYERR_UNPLUGGED, 0}};
    BoxAnswerer answers;
    create();
    app.Run(); // returns once the tick has asked to end
    EXPECT_EQ(answers.boxes, (std::vector<std::string>{"Joystick unplugged. | Chyba"}));
}

TEST_F(MainWindow, AFailedSaveIsShownWithTheErrorDisplayAndTheProgramGoesOn) {
    create();
    profile.failWrites = true;
    BoxAnswerer answers;
    static_cast<QPushButton*>(widget(form->Button2))->click();
    EXPECT_EQ(answers.boxes, (std::vector<std::string>{"Unable to write to /t/v.ini. | Vostrel"}));
    EXPECT_FALSE(app.Terminated());
    profile.failWrites = false;
    form->SpinEdit1->SetText("");
    static_cast<QPushButton*>(widget(form->Button2))->click();
    EXPECT_EQ(profile.files["/t/v.ini"]
                           [std::make_pair(std::string("Settings"), std::string("NumberOfJoy"))],
              "1"); // an empty box saves its minimum
}

TEST_F(MainWindow, TheAboutBoxExistsHiddenAfterStartUp) {
    create();
    auto* about = app.CreateForm<TAboutBox>();
    EXPECT_FALSE(about->Visible());
    EXPECT_EQ(qt::QtWidgetSet::widgetOf(&about->FormPeer())->windowTitle(), "About");
    EXPECT_EQ(qt::QtWidgetSet::widgetOf(&about->FormPeer())->size(), QSize(298, 175));
}

TEST_F(MainWindow, TheAboutBoxOpensWithTheFocusOnOkAndTheQuitRequestEndsItWithCancel) {
    create();
    auto* about = app.CreateForm<TAboutBox>();
    QWidget* ok = widget(about->Find<TControl>("OKButton"));
    bool checked = false;
    bool focusOnOk = false;
    form->ThreadedTimer1->SetOnTimer([&](TComponent*) {
        if (!about->Visible() || std::exchange(checked, true))
            return;
        focusOnOk = ok->window()->focusWidget() == ok;
        app.Terminate();
    });
    EXPECT_EQ(about->ShowModal(), mrCancel);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(focusOnOk);
}
