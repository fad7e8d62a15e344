#include "ui/qt/QtSpinEdit.h"

#include "support/FakeWidgetServices.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

using namespace vostrel;
using vostrel::test::CountingBeeper;
using vostrel::test::ManualTimers;

namespace {

QFont mainWindowFont() {
    QFont font("Liberation Sans");
    font.setPointSize(8);
    return font;
}

// A window laid out like the main window's top row: the box and a path field.
class QtSpinEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.setFont(mainWindowFont());
        window.resize(517, 89);
        spin = new QtSpinEdit(&window, &beeper, &timers);
        spin->setGeometry(281, 8, 57, 22);
        other = new QLineEdit(&window);
        other->setGeometry(182, 58, 293, 21);
        spin->SetErrorDisplay([this](const std::exception& e) { errors.push_back(e.what()); });
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        ASSERT_TRUE(field()->hasFocus());
    }

    QLineEdit* field() { return spin->Field(); }
    TSpinEdit& box() { return spin->Box(); }
    std::string text() { return field()->text().toStdString(); }
    void range(int lo, int hi) {
        box().SetMaxValue(hi);
        box().SetMinValue(lo);
    }
    void retype(const char* keys) {
        field()->selectAll();
        QTest::keyClicks(field(), keys);
    }
    static QPoint middle(QWidget* w) { return w->rect().center(); }
    static void move(QWidget* w, QPoint pos, Qt::MouseButtons held) {
        QMouseEvent e(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, held,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    CountingBeeper beeper;
    ManualTimers timers;
    QWidget window;
    QtSpinEdit* spin = nullptr;
    QLineEdit* other = nullptr;
    std::vector<std::string> errors;
};

// Bounding box of the pure black pixels: the glyph.
QRect blackPixels(QWidget* w) {
    const QImage image = w->grab().toImage();
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == 0)
                box |= QRect(x, y, 1, 1);
    return box;
}

TEST_F(QtSpinEditTest, AtTheMainWindowsFontTheBoxIs22HighWithItsArrowsInside) {
    EXPECT_EQ(spin->geometry(), QRect(281, 8, 57, 22));
    EXPECT_EQ(spin->ArrowPair()->geometry(), QRect(39, 2, 15, 17));
    EXPECT_EQ(spin->UpArrow()->geometry(), QRect(0, 0, 15, 8));
    EXPECT_EQ(spin->DownArrow()->geometry(), QRect(0, 7, 15, 10));
    EXPECT_EQ(field()->geometry(), QRect(0, 0, 57, 22));
    EXPECT_EQ(field()->textMargins().right(), 17);
    // In the shared row the down arrow takes the pointer.
    EXPECT_EQ(spin->ArrowPair()->childAt(7, 7), spin->DownArrow());
}

TEST_F(QtSpinEditTest, ALargerFontRaisesTheBox) {
    QFont big = mainWindowFont();
    big.setPixelSize(30);
    spin->setFont(big);
    const int h = QFontMetrics(big).height();
    const int screen = QFontMetrics(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).height();
    EXPECT_EQ(spin->height(), h + std::min(h, screen) / 4 + 4 + 2);
    EXPECT_EQ(spin->ArrowPair()->height(), spin->height() - 5);
}

TEST_F(QtSpinEditTest, TypingFilterAndLengthLimit) {
    box().SetMaxLength(2);
    retype("5a");
    EXPECT_EQ(text(), "5");
    EXPECT_EQ(beeper.beeps, 1);
    QTest::keyClick(field(), Qt::Key_Return);
    QTest::keyClick(field(), Qt::Key_Space);
    EXPECT_EQ(text(), "5");
    EXPECT_EQ(beeper.beeps, 3);

    QTest::keyClicks(field(), "-7"); // a third character is refused silently
    EXPECT_EQ(text(), "5-");
    EXPECT_EQ(beeper.beeps, 3);
    EXPECT_EQ(box().Value(), box().MinValue());

    QTest::keyClick(field(), Qt::Key_Backspace);
    QTest::keyClicks(field(), ".");
    EXPECT_EQ(text(), "5.");

    box().SetValue(123); // the program's writes are not limited
    EXPECT_EQ(text(), "123");
    EXPECT_EQ(box().Value(), 123);
}

TEST_F(QtSpinEditTest, WithoutTheEditorDigitsAndBackspaceAreRefused) {
    box().SetText("12");
    box().SetEditorEnabled(false);
    field()->setCursorPosition(1);
    QTest::keyClick(field(), Qt::Key_4);
    QTest::keyClick(field(), Qt::Key_Backspace);
    // Their Ctrl and Alt forms edit no more than they do: Ctrl+Backspace types
    // the character 127, refused like any other; the rest type nothing.
    for (auto [key, held] : {std::pair{Qt::Key_Backspace, Qt::ControlModifier},
                             {Qt::Key_U, Qt::ControlModifier},
                             {Qt::Key_K, Qt::ControlModifier},
                             {Qt::Key_Delete, Qt::ControlModifier},
                             {Qt::Key_Backspace, Qt::AltModifier}})
        QTest::keyClick(field(), key, held);
    EXPECT_EQ(text(), "12");
    EXPECT_EQ(beeper.beeps, 3);
    box().SetEditorEnabled(true);
    QTest::keyClick(field(), Qt::Key_K, Qt::ControlModifier); // no "delete to the end"
    EXPECT_EQ(text(), "12");
}

TEST_F(QtSpinEditTest, PasteSkipsTheFilterButNotTheLength) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    box().SetMaxLength(2);
    for (const auto& [clip, expected] :
         {std::pair{" 5", 5}, {"$A", 10}, {"12345", 12}, {"7\n8", 7}}) {
        clipboard->setText(clip);
        field()->selectAll();
        QTest::keyClick(field(), Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(box().Value(), expected) << clip;
    }
    EXPECT_EQ(text(), "7");
    EXPECT_EQ(beeper.beeps, 0);

    box().SetReadOnly(true);
    clipboard->setText("9");
    field()->selectAll();
    QTest::keyClick(field(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(field(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(text(), "7");
    EXPECT_EQ(beeper.beeps, 0);
}

TEST_F(QtSpinEditTest, CutNeedsTheEditor) {
    box().SetEditorEnabled(false);
    field()->selectAll();
    QTest::keyClick(field(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(text(), "0");
    box().SetEditorEnabled(true);
    QTest::keyClick(field(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(text(), "");
    EXPECT_EQ(beeper.beeps, 0);
}

TEST_F(QtSpinEditTest, UpAndDownKeysStepPerKeyDownIncludingRepeats) {
    range(1, 16);
    box().SetValue(5);
    QTest::keyClick(field(), Qt::Key_Up);
    QTest::keyClick(field(), Qt::Key_Up);
    QTest::sendKeyEvent(QTest::Press, field(), Qt::Key_Down, QString(), Qt::NoModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(field(), &repeat);
    EXPECT_EQ(text(), "5");
    QTest::keyClick(field(), Qt::Key_PageUp);
    EXPECT_EQ(text(), "5");
}

TEST_F(QtSpinEditTest, LeavingForAnotherControlBringsTheNumberIntoRange) {
    range(1, 5);
    retype("9");
    EXPECT_EQ(box().Value(), 9);
    QTest::keyClick(field(), Qt::Key_Tab);
    ASSERT_TRUE(other->hasFocus());
    EXPECT_EQ(text(), "5");

    spin->setFocus();
    retype("-3");
    QTest::mouseClick(other, Qt::LeftButton);
    EXPECT_EQ(text(), "1");

    spin->setFocus();
    retype("5-");
    other->setFocus();
    EXPECT_EQ(text(), "5-");
}

TEST_F(QtSpinEditTest, SwitchingToAnotherWindowIsNotLeaving) {
    range(1, 5);
    retype("9");
    field()->deselect();
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    EXPECT_EQ(text(), "9");

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(field()->hasFocus());
    EXPECT_EQ(text(), "9");
    EXPECT_FALSE(field()->hasSelectedText()); // coming back is no entry either
}

TEST_F(QtSpinEditTest, TheBoxTakesItsPlaceInTheTabOrder) {
    // An order unlike the creation order, so that only setTabOrder can give it.
    auto* button = new QPushButton("&Save Settings", &window);
    button->show();
    QWidget::setTabOrder(spin, button);
    QWidget::setTabOrder(button, other);
    QWidget::setTabOrder(other, spin);
    QTest::keyClick(field(), Qt::Key_Tab);
    EXPECT_TRUE(button->hasFocus());
    QTest::keyClick(button, Qt::Key_Tab);
    EXPECT_TRUE(other->hasFocus());
    QTest::keyClick(other, Qt::Key_Tab);
    EXPECT_TRUE(spin->hasFocus());
}

TEST_F(QtSpinEditTest, EnteringSelectsAllExceptByALeftPressOnTheText) {
    box().SetValue(12);
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_TRUE(field()->hasFocus());
    EXPECT_EQ(field()->selectedText(), "12");

    other->setFocus();
    QTest::mouseClick(field(), Qt::LeftButton, Qt::NoModifier, QPoint(8, 10));
    ASSERT_TRUE(field()->hasFocus());
    EXPECT_FALSE(field()->hasSelectedText());
}

TEST_F(QtSpinEditTest, PressingAnArrowMovesTheFocusInAndSelectsBeforeTheStep) {
    range(1, 16);
    box().SetValue(3);
    other->setFocus();
    QTest::mousePress(spin->UpArrow(), Qt::LeftButton, Qt::NoModifier, middle(spin->UpArrow()));
    EXPECT_TRUE(field()->hasFocus());
    EXPECT_EQ(field()->selectedText(), "3");
    QTest::mouseRelease(spin->UpArrow(), Qt::LeftButton, Qt::NoModifier, middle(spin->UpArrow()));
    EXPECT_EQ(text(), "4");
}

TEST_F(QtSpinEditTest, OnlyTheLeftButtonStepsAndTheArrowsNeverTakeTheFocus) {
    range(1, 16);
    box().SetValue(3);
    other->setFocus();
    QTest::mouseClick(spin->DownArrow(), Qt::RightButton, Qt::NoModifier,
                      middle(spin->DownArrow()));
    QTest::mouseClick(spin->DownArrow(), Qt::MiddleButton, Qt::NoModifier,
                      middle(spin->DownArrow()));
    EXPECT_EQ(text(), "3");
    EXPECT_TRUE(other->hasFocus());
    for (QWidget* w : {spin->ArrowPair(), spin->UpArrow(), spin->DownArrow()})
        EXPECT_EQ(w->focusPolicy(), Qt::NoFocus);
}

TEST_F(QtSpinEditTest, ADoubleClickOnAnArrowMakesTwoSteps) {
    range(1, 16);
    box().SetValue(3);
    // What the platform sends: press, release, double-click, release.
    QWidget* up = spin->UpArrow();
    QTest::mouseClick(up, Qt::LeftButton, Qt::NoModifier, middle(up));
    QTest::mouseDClick(up, Qt::LeftButton, Qt::NoModifier, middle(up));
    QTest::mouseRelease(up, Qt::LeftButton, Qt::NoModifier, middle(up));
    EXPECT_EQ(text(), "5");
}

TEST_F(QtSpinEditTest, HoldingAnArrowRepeatsAndPausesAwayFromIt) {
    range(1, 16);
    box().SetValue(1);
    QWidget* up = spin->UpArrow();
    QTest::mousePress(up, Qt::LeftButton, Qt::NoModifier, middle(up));
    timers.Advance(900);
    EXPECT_EQ(text(), "7");
    move(up, QPoint(7, 30), Qt::LeftButton);
    timers.Advance(300);
    EXPECT_EQ(text(), "7");
    move(up, middle(up), Qt::LeftButton);
    timers.Advance(100);
    EXPECT_EQ(text(), "8");
    move(up, QPoint(7, 30), Qt::LeftButton);
    QTest::mouseRelease(up, Qt::LeftButton, Qt::NoModifier, QPoint(7, 30));
    EXPECT_EQ(text(), "8");
    EXPECT_FALSE(timers.AnyArmed());
}

TEST_F(QtSpinEditTest, ThePressedArrowLooksSunkenWithItsGlyphOnePixelOff) {
    QWidget* down = spin->DownArrow();
    const QRect raised = blackPixels(down);
    EXPECT_EQ(raised.size(), QSize(7, 4)); // rows of 7, 5, 3 and 1 pixels

    QTest::mousePress(down, Qt::LeftButton, Qt::NoModifier, middle(down));
    EXPECT_EQ(blackPixels(down), raised.translated(1, 1));
    QTest::mouseRelease(down, Qt::LeftButton, Qt::NoModifier, middle(down));
    EXPECT_EQ(blackPixels(down), raised);

    // The up glyph has its apex on top.
    const QImage up = spin->UpArrow()->grab().toImage();
    const QRect tip = blackPixels(spin->UpArrow());
    ASSERT_EQ(tip.size(), QSize(7, 4));
    const auto blackInRow = [&](int y) {
        int n = 0;
        for (int x = 0; x < up.width(); ++x)
            n += (up.pixel(x, y) & 0xFFFFFF) == 0;
        return n;
    };
    EXPECT_EQ(blackInRow(tip.top()), 1);
    EXPECT_EQ(blackInRow(tip.bottom()), 7);
}

TEST_F(QtSpinEditTest, NoTimerLeftIsShownAndThePressEnds) {
    timers.exhausted = true;
    QWidget* up = spin->UpArrow();
    QTest::mousePress(up, Qt::LeftButton, Qt::NoModifier, middle(up));
    ASSERT_EQ(errors, std::vector<std::string>{"Not enough timers available"});
    EXPECT_FALSE(box().UpArrow().Pressed());
    QTest::mouseRelease(up, Qt::LeftButton, Qt::NoModifier, middle(up));
    EXPECT_EQ(text(), "0");
}

TEST(QtSpinEditDefaults, RepeatsWithQtTimers) {
    QWidget window;
    auto* spin = new QtSpinEdit(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(spin->Box().Text(), "0");
    QWidget* up = spin->UpArrow();
    QTest::mousePress(up, Qt::LeftButton, Qt::NoModifier, up->rect().center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return spin->Box().Value() >= 3; }, 10000));
    QTest::mouseRelease(up, Qt::LeftButton, Qt::NoModifier, up->rect().center());
}

} // namespace
