#include "ui/SpinEdit.h"

#include "support/FakeWidgetServices.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using namespace vostrel;
using vostrel::test::CountingBeeper;
using vostrel::test::ManualTimers;

namespace {

struct FakeField : ISpinEditView {
    void SetText(const std::string& text) override { writes.push_back(text); }
    void SelectAll() override { ++selectAlls; }
    bool Focused() const override { return focused; }
    bool CanFocus() const override { return canFocus; }
    void SetFocus() override {
        focused = true;
        box->Enter(false);
    }
    void SetReadOnly(bool r) override { readOnly = r; }

    TSpinEdit* box = nullptr;
    std::vector<std::string> writes;
    int selectAlls = 0;
    bool focused = true;
    bool canFocus = true;
    bool readOnly = false;
};

struct FakeArrowView : IArrowView {
    void Invalidate() override { ++paints; }
    void SetCapture(bool on) override { captured = on; }
    bool HasCapture() const override { return captured; }
    int paints = 0;
    bool captured = false;
};

class SpinEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        field.box = &box;
        box.SetView(&field);
        box.UpArrow().SetView(&upView);
        box.DownArrow().SetView(&downView);
        field.writes.clear();
    }
    void range(int32_t lo, int32_t hi) {
        box.SetMaxValue(hi);
        box.SetMinValue(lo);
    }
    void typed(const std::string& text) { box.TextEdited(text); }
    static void click(TArrow& arrow) {
        arrow.MouseDown(TMouseButton::Left);
        arrow.MouseUp(TMouseButton::Left, true);
    }

    CountingBeeper beeper;
    ManualTimers timers;
    TSpinEdit box{beeper, timers};
    FakeField field;
    FakeArrowView upView, downView;
};

// ---------------------------------------------------------------- reading

TEST_F(SpinEditTest, ReadsNumbersInEveryAcceptedForm) {
    range(1, 16);
    const std::vector<std::pair<std::string, int32_t>> cases = {
        {"05", 5},
        {"+7", 7},
        {"-3", -3},
        {" 5", 5},
        {"   -12", -12},
        {"$A", 10},
        {"x1f", 31},
        {"0X10", 16},
        {"-$a", -10},
        {"+0x7F", 127},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"$FFFFFFFF", -1},
        {"-$80000000", INT_MIN},
        {"0", 0},
    };
    for (const auto& [text, value] : cases) {
        typed(text);
        EXPECT_EQ(box.Value(), value) << '"' << text << '"';
    }
}

TEST_F(SpinEditTest, AnythingElseReadsAsMinValueWithoutTouchingTheText) {
    range(3, 16);
    for (const char* text : {"",   "5 ",         "-",           "+",          "5-",   "1.",  "abc",
                             " ",  "$",          "0x",          "x",          "+-5",  "- 5", "\t5",
                             "5a", "2147483648", "-2147483649", "$100000000", "0x1G", "1e3"}) {
        typed(text);
        EXPECT_EQ(box.Value(), 3) << '"' << text << '"';
        EXPECT_EQ(box.Text(), text);
    }
    EXPECT_TRUE(field.writes.empty());
    EXPECT_EQ(beeper.beeps, 0);
}

// ---------------------------------------------------------------- writing

TEST_F(SpinEditTest, WritingBringsIntoRangeUnlessBothBoundsAreEqual) {
    range(1, 5);
    box.SetValue(9);
    EXPECT_EQ(box.Text(), "5");
    box.SetValue(-3);
    EXPECT_EQ(box.Text(), "1");
    box.SetValue(4);
    EXPECT_EQ(box.Text(), "4");

    range(7, 7);
    box.SetValue(-12);
    EXPECT_EQ(box.Text(), "-12");
    EXPECT_EQ(field.writes, (std::vector<std::string>{"5", "1", "4", "-12"}));
}

TEST_F(SpinEditTest, StartUpShowsAStoredNumberWholeAndUnchecked) {
    // The form's values, then start-up's writes.
    box.SetMaxLength(2);
    range(0, 0);
    box.SetValue(0);
    EXPECT_EQ(box.Text(), "0");

    box.SetValue(123);
    box.SetMaxValue(5);
    box.SetMinValue(1);
    EXPECT_EQ(box.Text(), "123");
    EXPECT_EQ(box.Value(), 123);
    EXPECT_EQ(field.writes.back(), "123");
}

// ---------------------------------------------------------------- leaving

TEST_F(SpinEditTest, LeavingCorrectsOnlyNumbersOutOfRange) {
    range(1, 5);
    typed("9");
    EXPECT_EQ(box.Value(), 9); // reads never apply the range
    box.Exit();
    EXPECT_EQ(box.Text(), "5");

    typed("-3");
    box.Exit();
    EXPECT_EQ(box.Text(), "1");

    field.writes.clear();
    for (const char* text : {"05", "", "-", "+", "5-", "1."}) {
        typed(text);
        box.Exit();
        EXPECT_EQ(box.Text(), text);
    }
    EXPECT_TRUE(field.writes.empty());
}

TEST_F(SpinEditTest, LeavingCorrectsNothingWhileBothBoundsAreZero) {
    typed("-40");
    box.Exit();
    EXPECT_EQ(box.Text(), "-40");
}

// ---------------------------------------------------------------- steps

TEST_F(SpinEditTest, StepsFromTheReadNumberAndAlwaysRewriteTheText) {
    range(1, 16);
    typed("");
    box.UpClick();
    EXPECT_EQ(box.Text(), "2");

    typed("1");
    field.writes.clear();
    box.DownClick();
    EXPECT_EQ(field.writes, std::vector<std::string>{"1"});

    typed("16");
    box.UpClick();
    EXPECT_EQ(box.Text(), "16");

    typed("05");
    box.SetIncrement(3);
    box.UpClick();
    EXPECT_EQ(box.Text(), "8");
}

TEST_F(SpinEditTest, StepsGoPastZeroWhileBothBoundsAreZero) {
    box.DownClick();
    EXPECT_EQ(box.Text(), "-1");
    box.UpClick();
    box.UpClick();
    EXPECT_EQ(box.Text(), "1");
}

TEST_F(SpinEditTest, StepsStopAtTheEndsOfTheSignedRange) {
    typed("2147483647");
    box.UpClick();
    EXPECT_EQ(box.Text(), "2147483647");
    typed("-2147483648");
    box.DownClick();
    EXPECT_EQ(box.Text(), "-2147483648");

    box.SetIncrement(INT_MAX);
    typed("-2147483648");
    box.DownClick();
    EXPECT_EQ(box.Text(), "-2147483648");
    box.SetIncrement(INT_MIN);
    typed("0");
    box.DownClick(); // minus INT_MIN does not fit either
    EXPECT_EQ(box.Text(), "2147483647");

    // An extreme stored number with a range: the step lands on the bound.
    box.SetIncrement(1);
    range(1, 16);
    typed("2147483647");
    box.UpClick();
    EXPECT_EQ(box.Text(), "16");
}

TEST_F(SpinEditTest, ReadOnlyStepsOnlyBeep) {
    range(1, 16);
    box.SetReadOnly(true);
    EXPECT_TRUE(field.readOnly);
    typed("3");
    box.UpClick();
    box.KeyDown(TKey::Down);
    EXPECT_EQ(box.Text(), "3");
    EXPECT_EQ(beeper.beeps, 2);
    EXPECT_TRUE(field.writes.empty());
}

// ---------------------------------------------------------------- typing

TEST_F(SpinEditTest, TypingFilterPassesDigitsSignsSeparatorAndControlsButEnter) {
    for (char32_t c : {U'0', U'9', U'+', U'-', U'.', char32_t(8), char32_t(3), char32_t(22),
                       char32_t(24), char32_t(26), char32_t(27)})
        EXPECT_TRUE(box.KeyPress(c)) << unsigned(c);
    EXPECT_EQ(beeper.beeps, 0);

    int refused = 0;
    for (char32_t c : {char32_t(13), U'a', U'Z', U' ', U',', U'$', U'/', U':', char32_t(127),
                       char32_t(0xE9), char32_t(0x20AC)}) {
        EXPECT_FALSE(box.KeyPress(c)) << unsigned(c);
        EXPECT_EQ(beeper.beeps, ++refused);
    }
}

TEST(SpinEditLocale, TheLocalesSeparatorReplacesThePoint) {
    CountingBeeper beeper;
    ManualTimers timers;
    TSpinEdit box(beeper, timers, U',');
    EXPECT_TRUE(box.KeyPress(U','));
    EXPECT_FALSE(box.KeyPress(U'.'));
    EXPECT_EQ(beeper.beeps, 1);
    box.TextEdited("1,");
    EXPECT_EQ(box.Value(), 0);
}

TEST_F(SpinEditTest, MaxLengthLimitsOnlyWhatTheUserInserts) {
    EXPECT_EQ(box.InsertRoom(40, 0), INT_MAX); // no limit by default
    box.SetMaxLength(2);
    EXPECT_EQ(box.InsertRoom(0, 0), 2);
    EXPECT_EQ(box.InsertRoom(1, 0), 1);
    EXPECT_EQ(box.InsertRoom(2, 0), 0); // a third typed character
    EXPECT_EQ(box.InsertRoom(2, 1), 1);
    EXPECT_EQ(box.InsertRoom(2, 2), 2);
    // A longer text written by the program: nothing more goes in until it is shorter.
    EXPECT_EQ(box.InsertRoom(3, 0), 0);
    EXPECT_EQ(box.InsertRoom(3, 1), 0);
    EXPECT_EQ(box.InsertRoom(3, 3), 2);
    // A paste brings the first line, cut to the room in whole characters; nothing
    // without text on the clipboard or without the editor.
    EXPECT_EQ(box.PasteText("7\r\n8", 0, 0), "7");
    EXPECT_EQ(box.PasteText("\xC3\xA4"
                            "12",
                            0, 0),
              "\xC3\xA4"
              "1");
    EXPECT_EQ(box.PasteText(std::nullopt, 1, 1), std::nullopt);
    box.SetEditorEnabled(false);
    EXPECT_EQ(box.PasteText("1", 0, 0), std::nullopt);
}

// ---------------------------------------------------------------- arrows

TEST_F(SpinEditTest, AClickStepsOnReleaseOverTheArrowOnly) {
    range(1, 16);
    typed("4");
    box.UpArrow().MouseDown(TMouseButton::Left);
    EXPECT_TRUE(box.UpArrow().Pressed());
    EXPECT_TRUE(upView.captured);
    EXPECT_EQ(box.Text(), "4");
    box.UpArrow().MouseUp(TMouseButton::Left, true);
    EXPECT_EQ(box.Text(), "5");
    EXPECT_FALSE(box.UpArrow().Pressed());
    EXPECT_FALSE(upView.captured);
    EXPECT_FALSE(timers.AnyArmed());

    click(box.DownArrow());
    EXPECT_EQ(box.Text(), "4");

    box.DownArrow().MouseDown(TMouseButton::Left);
    box.DownArrow().MouseMove(false);
    box.DownArrow().MouseUp(TMouseButton::Left, false);
    EXPECT_EQ(box.Text(), "4");
}

TEST_F(SpinEditTest, HoldingRepeatsAt400ThenEvery100AndStepsOnRelease) {
    range(1, 16);
    typed("1");
    box.UpArrow().MouseDown(TMouseButton::Left);
    timers.Advance(399);
    EXPECT_EQ(box.Text(), "1");
    timers.Advance(1); // 400
    EXPECT_EQ(box.Text(), "2");
    timers.Advance(550); // 500 ... 900
    EXPECT_EQ(box.Text(), "7");
    box.UpArrow().MouseUp(TMouseButton::Left, true);
    EXPECT_EQ(box.Text(), "8");
    timers.Advance(1000);
    EXPECT_EQ(box.Text(), "8");
}

TEST_F(SpinEditTest, MovingAwayAfter900AndReleasingThereLeavesSeven) {
    range(1, 16);
    typed("1");
    box.UpArrow().MouseDown(TMouseButton::Left);
    timers.Advance(900);
    box.UpArrow().MouseMove(false);
    timers.Advance(50);
    box.UpArrow().MouseUp(TMouseButton::Left, false);
    EXPECT_EQ(box.Text(), "7");
}

TEST_F(SpinEditTest, PressingAnArrowMovesTheFocusIntoTheBoxFirst) {
    field.focused = false;
    std::string textAtFocus;
    box.UpArrow().OnPress = [&, inner = box.UpArrow().OnPress] {
        inner();
        textAtFocus = field.focused ? box.Text() : "no focus";
    };
    click(box.UpArrow());
    EXPECT_EQ(textAtFocus, "0"); // focused before the step
    EXPECT_EQ(field.selectAlls, 1);

    click(box.UpArrow()); // already focused: no second entry
    EXPECT_EQ(field.selectAlls, 1);

    field.focused = false;
    field.canFocus = false;
    click(box.DownArrow());
    EXPECT_FALSE(field.focused);
    EXPECT_EQ(box.Text(), "1");
}

TEST_F(SpinEditTest, NoTimerLeftFailsThePressWithItsMessage) {
    timers.exhausted = true;
    try {
        box.UpArrow().MouseDown(TMouseButton::Left);
        FAIL() << "no error";
    } catch (const EOutOfResources& e) {
        EXPECT_STREQ(e.what(), "Not enough timers available");
    }
    // The widget set cancels the press as the error is shown; nothing repeats.
    box.UpArrow().CancelMode();
    EXPECT_FALSE(box.UpArrow().Pressed());
    EXPECT_FALSE(upView.captured);
    timers.Advance(1000);
    EXPECT_EQ(box.Text(), "0");

    timers.exhausted = false;
    click(box.UpArrow());
    EXPECT_EQ(box.Text(), "1");
}

TEST_F(SpinEditTest, AFailingRepeatedStepDisarmsTheTimer) {
    int steps = 0;
    box.UpArrow().OnClick = [&] {
        ++steps;
        throw Exception("step failed");
    };
    box.UpArrow().MouseDown(TMouseButton::Left);
    EXPECT_THROW(timers.Advance(400), Exception);
    EXPECT_FALSE(timers.AnyArmed());
    timers.Advance(1000);
    EXPECT_EQ(steps, 1);
}

TEST_F(SpinEditTest, ALostCaptureEndsTheHold) {
    box.UpArrow().MouseDown(TMouseButton::Left);
    timers.Advance(400);
    EXPECT_EQ(box.Text(), "1");
    upView.captured = false; // e.g. a message box came up
    timers.Advance(1000);
    EXPECT_EQ(box.Text(), "1");
    EXPECT_FALSE(box.UpArrow().Pressed());
    EXPECT_FALSE(timers.AnyArmed());
}

// ---------------------------------------------------------------- layout

TEST(SpinEditLayout, TheMainWindowsBoxIs22HighWithItsArrowsInPlace) {
    const TFontMetrics font{13, 16, 1};
    EXPECT_EQ(SpinFontHeight(font), 21);
    EXPECT_EQ(SpinMinHeight(font), 22);

    const TSpinEditLayout l = SpinLayout(57, 22, font);
    EXPECT_EQ(l.Height, 22);
    EXPECT_EQ(l.Pair, (TRect{37, 0, 52, 17}));
    EXPECT_EQ(l.UpArrow, (TRect{0, 0, 15, 8}));
    EXPECT_EQ(l.DownArrow, (TRect{0, 7, 15, 17}));
    EXPECT_EQ(l.Text, (TRect{0, 0, 36, 19}));
    EXPECT_LT(l.Text.Right, l.Pair.Left); // text never runs under the arrows
}

TEST(SpinEditLayout, ALowBoxIsRaisedToTheMinimum) {
    const TSpinEditLayout l = SpinLayout(57, 21, TFontMetrics{13, 16, 1});
    EXPECT_EQ(l.Height, 22);
    EXPECT_EQ(l.Pair.Height(), 17);

    // The screen font's height caps the extra space; the thin border counts four times.
    EXPECT_EQ(SpinMinHeight(TFontMetrics{20, 16, 1}), 20 + 4 + 4 + 2);
    EXPECT_EQ(SpinMinHeight(TFontMetrics{20, 30, 2}), 20 + 5 + 8 + 2);

    const TSpinEditLayout tall = SpinLayout(80, 40, TFontMetrics{13, 16, 1});
    EXPECT_EQ(tall.Height, 40);
    EXPECT_EQ(tall.Pair, (TRect{60, 0, 75, 35}));
    EXPECT_EQ(tall.UpArrow.Height(), 17);
    EXPECT_EQ(tall.DownArrow, (TRect{0, 16, 15, 35}));
}

} // namespace
