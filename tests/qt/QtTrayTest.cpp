// The Qt side of the tray cycle, the file dialog and the About box, offscreen.

#include "support/Fakes.h"
#include "ui/About.h"
#include "ui/Unit1.h"
#include "ui/qt/QtDialogs.h"
#include "ui/qt/QtWidgetSet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vostrel;

namespace {

bool settles(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

class QtShell : public ::testing::Test {
protected:
    QtShell() : launcher(log), app(widgets) {
        app.SetTitle("Vostrel");
        form = app.CreateForm<TForm1>(Unit1Services{
            &joystick, &launcher, &profile, [] { return std::string("/t/v.ini"); }, &folder});
        about = app.CreateForm<TAboutBox>();
    }
    QWidget* window(TForm* f) { return qt::QtWidgetSet::widgetOf(&f->FormPeer()); }
    // Runs `inside` once the next modal loop has begun.
    static void whenModal(std::function<void()> inside) { QTimer::singleShot(0, inside); }

    test::EventLog log;
    test::ScriptedJoystick joystick;
    test::RecordingLauncher launcher;
    test::MemoryProfile profile;
    qt::QtCurrentFolder folder;
    qt::QtWidgetSet widgets;
    TApplication app;
    TForm1* form = nullptr;
    TAboutBox* about = nullptr;
};

} // namespace

TEST_F(QtShell, TheTrayMenuShowsItsItemsAndAnAccessKeyChoosesAfterItClosed) {
    form->Show();
    app.Minimize();
    ASSERT_TRUE(app.Minimized());
    std::vector<std::string> items;
    whenModal([&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        for (QAction* a : menu->actions())
            items.push_back(a->isSeparator() ? "-" : a->text().toStdString());
        QTest::keyClick(menu, Qt::Key_R);
    });
    form->TrayIcon1->RightButtonUp();
    EXPECT_EQ(items, (std::vector<std::string>{"A&bout", "-", "&Restore", "E&xit"}));
    EXPECT_TRUE(app.Minimized()); // not while the opener is still running
    EXPECT_TRUE(settles([&] { return !app.Minimized(); }));
    EXPECT_FALSE(window(form)->isMinimized());
}

TEST_F(QtShell, TheMainWindowsMinimiseIsTheApplicationsAndTheCycleKeepsItsPlace) {
    form->Show();
    QWidget* main = window(form);
    const QRect place = main->geometry();

    main->showMinimized(); // as the window manager does
    ASSERT_TRUE(settles([&] { return app.Minimized(); }));
    // No notification area offscreen: an ordinary minimise, still on the taskbar.
    EXPECT_FALSE(form->TrayIcon1->Visible());
    EXPECT_TRUE(main->isVisible());
    main->setWindowState(Qt::WindowNoState); // restored from the taskbar
    EXPECT_FALSE(app.Minimized());

    app.Minimize();
    app.ShowTaskbarEntry(false);
    EXPECT_FALSE(main->isVisible());
    app.ShowTaskbarEntry(true);
    app.Restore();
    app.BringToFront();
    QCoreApplication::processEvents();
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(main->isMinimized());
    EXPECT_EQ(main->geometry(), place);

    // A taskbar entry brought back without a restore comes back minimised.
    app.Minimize();
    app.ShowTaskbarEntry(false);
    app.ShowTaskbarEntry(true);
    EXPECT_TRUE(settles([&] { return main->isVisible() && main->isMinimized(); }));
}

TEST_F(QtShell, TheFileDialogAcceptsATypedNewNameAndOpensOnTheLastChoice) {
    QTemporaryDir dir;
    const QString home = QDir::currentPath();
    const QString chosen = dir.path() + "/not there yet";
    std::vector<QString> shown;
    std::vector<QString> folders;
    auto answer = [&](const QString& typed, bool ok) {
        whenModal([&, typed, ok] {
            auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(box);
            EXPECT_EQ(box->windowTitle(), "pellago.exe");
            EXPECT_EQ(box->nameFilters(), QStringList{"pellago.exe (pellago.exe)"});
            EXPECT_TRUE(box->testOption(QFileDialog::DontUseNativeDialog));
            auto* name = box->findChild<QLineEdit*>("fileNameEdit");
            shown.push_back(name->text());
            folders.push_back(box->directory().absolutePath());
            name->setText(typed);
            if (ok)
                QTest::keyClick(name, Qt::Key_Return);
            else
                box->reject();
        });
    };
    answer(chosen, true);
    form->Button1Click(nullptr);
    EXPECT_EQ(form->Edit1->Text(), chosen.toStdString());
    EXPECT_EQ(QFileInfo(QDir::currentPath()).canonicalFilePath(),
              QFileInfo(dir.path()).canonicalFilePath());

    answer("elsewhere", false);
    form->Button1Click(nullptr);
    EXPECT_EQ(form->Edit1->Text(), chosen.toStdString());
    EXPECT_EQ(shown, (std::vector<QString>{"", chosen}));
    // The first opening starts in the current folder (the Windows folder does
    // not exist here), whatever an earlier run chose.
    EXPECT_EQ(folders.front(), home);
    QDir::setCurrent(home);
}

TEST_F(QtShell, TheAboutBoxIsCentredFirstThenStaysWhereItWasLeft) {
    QWidget* box = window(about);
    const QRect screen = box->screen()->geometry();
    form->Show();
    QRect first;
    whenModal([&] {
        first = box->frameGeometry();
        EXPECT_FALSE(window(form)->isEnabled()); // the shown main window waits
        QTest::keyClick(box, Qt::Key_Escape);    // no cancel button: nothing happens
        EXPECT_TRUE(box->isVisible());
        box->move(10, 20); // where the user leaves it
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(about->ShowModal(), mrOk);
    EXPECT_EQ(first.topLeft(),
              QPoint((screen.width() - first.width()) / 2, (screen.height() - first.height()) / 2));
    EXPECT_TRUE(window(form)->isEnabled());

    form->Hide(); // as in the tray: the hidden main window stays usable
    whenModal([&] {
        EXPECT_EQ(box->pos(), QPoint(10, 20));
        EXPECT_TRUE(window(form)->isEnabled());
        box->close(); // the close box
    });
    EXPECT_EQ(about->ShowModal(), mrCancel);
    EXPECT_FALSE(about->Visible());
    EXPECT_FALSE(qt::programIcon().isNull());
}
