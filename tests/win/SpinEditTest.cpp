// The number box on Win32 under Wine: the native field and arrows feeding the box's
// rules, with a counting beeper and timers on a manual clock.

#include "ui/win32/Win32WidgetSet.h"

#include "platform/win32/Threads.h"
#include "support/FakeWidgetServices.h"
#include "ui/win32/Win32Application.h"
#include "ui/win32/Win32SpinEdit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/WinApi.h"

#include "WinTestSupport.h"

using namespace vostrel;
using namespace vostrel::win32;
using vostrel::test::CountingBeeper;
using vostrel::test::ManualTimers;
using vostrel::wintest::childRect;
using vostrel::wintest::windowText;

namespace {

// The main window's top row: the box with its form values, and the path field.
constexpr const char* kSpinLayout = R"(
object SpinForm: TSpinForm
  Left = 100
  Top = 100
  BorderStyle = bsSingle
  Caption = 'Spin'
  ClientHeight = 89
  ClientWidth = 517
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  object SpinEdit1: TSpinEdit
    Left = 281
    Top = 8
    Width = 57
    Height = 22
    MaxLength = 2
    MaxValue = 0
    MinValue = 0
    TabOrder = 0
    Value = 0
  end
  object Edit1: TEdit
    Left = 182
    Top = 58
    Width = 293
    Height = 21
    TabOrder = 1
  end
end
)";

class TSpinForm : public TForm {
public:
    TSpinForm(TComponent* owner, IWidgetSet& widgets) : TForm(owner, widgets, kSpinLayout) {
        Load();
    }
};

LPARAM point(int x, int y) {
    return MAKELPARAM(x, y);
}

// An arrow's client area as a 32-bit image, drawn as the arrow paints itself.
class Snapshot {
public:
    explicit Snapshot(HWND w) {
        RECT r;
        GetClientRect(w, &r);
        width = r.right;
        height = r.bottom;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC dc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SendMessageA(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        GdiFlush();
        const auto* p = static_cast<const DWORD*>(bits);
        pixels.assign(p, p + width * height);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    DWORD at(int x, int y) const { return pixels[y * width + x] & 0xFFFFFF; }
    int brightness(int x, int y) const {
        const DWORD c = at(x, y);
        return int(c & 0xFF) + int((c >> 8) & 0xFF) + int(c >> 16);
    }
    // Bounding box of the pure black pixels: the glyph.
    RECT black() const {
        RECT box{width, height, -1, -1};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (at(x, y) == 0) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        return box;
    }
    int blackInRow(int y) const {
        int n = 0;
        for (int x = 0; x < width; ++x)
            n += at(x, y) == 0;
        return n;
    }
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;
};

class Win32SpinEdit : public ::testing::Test {
protected:
    Win32SpinEdit() : widgets(handOver, beeper, timers), app(widgets) {
        form = app.CreateForm<TSpinForm>();
        spin = form->Find<TSpinEditBox>("SpinEdit1");
        peer = dynamic_cast<SpinPeer*>(spin->Peer());
        field = peer->Hwnd();
        other = static_cast<HWND>(Win32WidgetSet::HandleOf(form->Find<TControl>("Edit1")->Peer()));
        form->Show();
    }
    ~Win32SpinEdit() override {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    TSpinEdit& box() { return spin->Box(); }
    std::string text() { return windowText(field); }
    void range(int lo, int hi) {
        box().SetMaxValue(hi);
        box().SetMinValue(lo);
    }
    void type(const std::string& keys) {
        for (char c : keys)
            SendMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 0);
    }
    void retype(const std::string& keys) {
        SendMessageA(field, EM_SETSEL, 0, -1);
        type(keys);
    }
    std::pair<DWORD, DWORD> selection() {
        DWORD start = 0, end = 0;
        SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
    // Posts a key to the field and runs the loop, with its keyboard interface, until
    // `done()`.
    bool pressKey(UINT vk, const std::function<bool()>& done) {
        PostMessageA(field, WM_KEYDOWN, vk, 1);
        PostMessageA(field, WM_KEYUP, vk, 1 | (3u << 30));
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        const UINT_PTR tick = SetTimer(nullptr, 0, 10, nullptr);
        while (!done() && std::chrono::steady_clock::now() < until &&
               widgets.App().HandleMessage()) {
        }
        KillTimer(nullptr, tick);
        return done();
    }
    void setClipboard(const std::string& text) {
        ASSERT_TRUE(OpenClipboard(field));
        EmptyClipboard();
        HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        memcpy(GlobalLock(data), text.c_str(), text.size() + 1);
        GlobalUnlock(data);
        SetClipboardData(CF_TEXT, data);
        CloseClipboard();
    }
    LPARAM middle(HWND arrow) {
        RECT r;
        GetClientRect(arrow, &r);
        return point(r.right / 2, r.bottom / 2);
    }
    void click(HWND arrow) {
        SendMessageA(arrow, WM_LBUTTONDOWN, MK_LBUTTON, middle(arrow));
        SendMessageA(arrow, WM_LBUTTONUP, 0, middle(arrow));
    }

    CountingBeeper beeper;
    ManualTimers timers;
    Win32HandOver handOver;
    Win32WidgetSet widgets;
    TApplication app;
    TSpinForm* form = nullptr;
    TSpinEditBox* spin = nullptr;
    SpinPeer* peer = nullptr;
    HWND field = nullptr;
    HWND other = nullptr;
};

} // namespace

TEST_F(Win32SpinEdit, TheFieldIsAMultiLineEditWithTheArrowsAsItsChildren) {
    EXPECT_TRUE(GetWindowLongPtrA(field, GWL_STYLE) & ES_MULTILINE);
    EXPECT_TRUE(GetWindowLongPtrA(field, GWL_STYLE) & WS_CLIPCHILDREN);
    EXPECT_EQ(GetParent(peer->Pair()), field);
    EXPECT_EQ(GetParent(peer->UpArrow()), peer->Pair());
    EXPECT_EQ(GetParent(peer->DownArrow()), peer->Pair());
    // The text never runs under the arrows.
    RECT format;
    SendMessageA(field, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    EXPECT_LE(format.right, childRect(peer->Pair()).left);
    EXPECT_EQ(SendMessageA(field, EM_GETLIMITTEXT, 0, 0), 2);
}

TEST_F(Win32SpinEdit, ALargerFontRaisesTheBoxAndALowerBoxIsRaisedBack) {
    HFONT big = CreateFontA(-30, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
    SendMessageA(field, WM_SETFONT, reinterpret_cast<WPARAM>(big), TRUE);
    HDC dc = GetDC(nullptr);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    const int screen = tm.tmHeight;
    HGDIOBJ old = SelectObject(dc, big);
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int h = static_cast<int>(tm.tmHeight);
    const int minimum = h + std::min(h, screen) / 4 + 4 * GetSystemMetrics(SM_CYBORDER) + 2;

    RECT r = childRect(field);
    EXPECT_EQ(r.bottom - r.top, std::max(minimum, h + 8 * GetSystemMetrics(SM_CYBORDER)));
    SetWindowPos(field, nullptr, 0, 0, 57, 10, SWP_NOMOVE | SWP_NOZORDER);
    r = childRect(field);
    EXPECT_EQ(r.bottom - r.top, minimum);
    const RECT pair = childRect(peer->Pair());
    EXPECT_EQ(pair.bottom - pair.top, minimum - 5);
    SendMessageA(field, WM_SETFONT, 0, FALSE);
    DeleteObject(big);
}

TEST_F(Win32SpinEdit, TypingIsFilteredWithTheSoundAndTheLimitHoldsBackOnlyTheUser) {
    retype("5a");
    EXPECT_EQ(text(), "5");
    EXPECT_EQ(beeper.beeps, 1);
    type("\r ");
    EXPECT_EQ(text(), "5");
    EXPECT_EQ(beeper.beeps, 3);
    // Ctrl+Enter and Ctrl+I pass the filter as control characters, but a one-line
    // field takes neither a line break nor a tab.
    type("\n\t");
    EXPECT_EQ(text(), "5");
    EXPECT_EQ(beeper.beeps, 3);

    type("-7"); // a third character is refused, silently
    EXPECT_EQ(text(), "5-");
    EXPECT_EQ(beeper.beeps, 3);
    EXPECT_EQ(box().Text(), "5-");
    EXPECT_EQ(box().Value(), box().MinValue());
    type("\b.");
    EXPECT_EQ(text(), "5.");

    box().SetValue(123); // the program's writes are not limited
    EXPECT_EQ(text(), "123");
    EXPECT_EQ(box().Value(), 123);

    box().SetEditorEnabled(false);
    SendMessageA(field, EM_SETSEL, 3, 3);
    type("\b4");
    EXPECT_EQ(text(), "123");
    EXPECT_EQ(beeper.beeps, 5);
}

TEST_F(Win32SpinEdit, EnterReachesTheFilterAndTabLeavesForTheNextControl) {
    range(1, 5);
    ASSERT_EQ(GetFocus(), field);
    retype("9");
    ASSERT_TRUE(pressKey(VK_RETURN, [&] { return beeper.beeps == 1; }));
    EXPECT_EQ(text(), "9");
    EXPECT_EQ(GetFocus(), field);
    ASSERT_TRUE(pressKey(VK_TAB, [&] { return GetFocus() == other; }));
    EXPECT_EQ(text(), "5");
    EXPECT_EQ(beeper.beeps, 1);
}

TEST_F(Win32SpinEdit, PasteSkipsTheFilterButNotTheLengthAndTakesOneLine) {
    for (const auto& [clip, expected] :
         {std::pair{" 5", " 5"}, {"$A", "$A"}, {"12345", "12"}, {"7\r\n8", "7"}}) {
        setClipboard(clip);
        SendMessageA(field, EM_SETSEL, 0, -1);
        SendMessageA(field, WM_PASTE, 0, 0);
        EXPECT_EQ(text(), expected) << clip;
    }
    setClipboard("$A");
    SendMessageA(field, EM_SETSEL, 0, -1);
    SendMessageA(field, WM_PASTE, 0, 0);
    EXPECT_EQ(box().Value(), 10);
    EXPECT_EQ(beeper.beeps, 0);

    // A clipboard without text pastes nothing: the selection stays.
    ASSERT_TRUE(OpenClipboard(field));
    EmptyClipboard();
    CloseClipboard();
    SendMessageA(field, EM_SETSEL, 0, -1);
    SendMessageA(field, WM_PASTE, 0, 0);
    EXPECT_EQ(text(), "$A");

    // Shift+Insert and Shift+Delete, which the field handles without WM_PASTE and
    // WM_CUT, follow the same rules.
    box().SetEditorEnabled(false);
    setClipboard("7");
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    for (WPARAM key : {VK_INSERT, VK_DELETE}) {
        SendMessageA(field, EM_SETSEL, 0, -1);
        SendMessageA(field, WM_KEYDOWN, key, 1);
        EXPECT_EQ(text(), "$A") << key;
    }
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);

    box().SetEditorEnabled(true);
    box().SetReadOnly(true);
    SendMessageA(field, EM_SETSEL, 0, -1);
    SendMessageA(field, WM_PASTE, 0, 0);
    SendMessageA(field, WM_CUT, 0, 0);
    EXPECT_EQ(text(), "$A");
    EXPECT_EQ(beeper.beeps, 0);
}

TEST_F(Win32SpinEdit, UpAndDownKeysStepOncePerKeyDown) {
    range(1, 16);
    box().SetValue(5);
    SendMessageA(field, WM_KEYDOWN, VK_UP, 1);
    SendMessageA(field, WM_KEYDOWN, VK_UP, 1);
    SendMessageA(field, WM_KEYDOWN, VK_DOWN, 1);
    SendMessageA(field, WM_KEYDOWN, VK_DOWN, 1 | (1u << 30)); // the keyboard's repeat
    SendMessageA(field, WM_KEYDOWN, VK_DOWN, 1 | (1u << 30));
    EXPECT_EQ(text(), "4");
    SendMessageA(field, WM_KEYDOWN, VK_PRIOR, 1);
    EXPECT_EQ(text(), "4");
}

TEST_F(Win32SpinEdit, LeavingForAnotherControlClampsButSwitchingWindowsDoesNot) {
    range(1, 5);
    retype("9");
    EXPECT_EQ(box().Value(), 9);
    HWND elsewhere = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                     nullptr, nullptr, nullptr);
    SetActiveWindow(elsewhere);
    SetFocus(elsewhere);
    ASSERT_NE(GetFocus(), field);
    EXPECT_EQ(text(), "9");
    SendMessageA(field, EM_SETSEL, 1, 1);
    SetActiveWindow(static_cast<HWND>(Win32WidgetSet::HandleOf(&form->FormPeer())));
    ASSERT_EQ(GetFocus(), field);
    EXPECT_EQ(text(), "9");
    EXPECT_EQ(selection(), std::make_pair(DWORD(1), DWORD(1))); // coming back is no entry
    DestroyWindow(elsewhere);

    SetFocus(other);
    EXPECT_EQ(text(), "5");
}

TEST_F(Win32SpinEdit, EnteringSelectsAllExceptByALeftPressOnTheText) {
    box().SetValue(12);
    SetFocus(other);
    SetFocus(field);
    EXPECT_EQ(selection(), std::make_pair(DWORD(0), DWORD(2)));
    SetFocus(other);
    SendMessageA(field, WM_LBUTTONDOWN, MK_LBUTTON, point(3, 5));
    SendMessageA(field, WM_LBUTTONUP, 0, point(3, 5));
    ASSERT_EQ(GetFocus(), field);
    const auto [start, end] = selection();
    EXPECT_EQ(start, end);
}

TEST_F(Win32SpinEdit, PressingAnArrowMovesTheFocusInSelectsAndStepsOnRelease) {
    range(1, 16);
    box().SetValue(3);
    SetFocus(other);
    HWND up = peer->UpArrow();
    SendMessageA(up, WM_LBUTTONDOWN, MK_LBUTTON, middle(up));
    EXPECT_EQ(GetFocus(), field);
    EXPECT_EQ(selection(), std::make_pair(DWORD(0), DWORD(1)));
    EXPECT_EQ(GetCapture(), up);
    EXPECT_EQ(text(), "3");
    SendMessageA(up, WM_LBUTTONUP, 0, middle(up));
    EXPECT_EQ(text(), "4");
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(timers.AnyArmed());
}

TEST_F(Win32SpinEdit, OnlyTheLeftButtonStepsAndTheArrowsNeverTakeTheFocus) {
    range(1, 16);
    box().SetValue(3);
    SetFocus(other);
    HWND down = peer->DownArrow();
    SendMessageA(down, WM_RBUTTONDOWN, MK_RBUTTON, middle(down));
    SendMessageA(down, WM_RBUTTONUP, 0, middle(down));
    SendMessageA(down, WM_MBUTTONDOWN, MK_MBUTTON, middle(down));
    SendMessageA(down, WM_MBUTTONUP, 0, middle(down));
    EXPECT_EQ(text(), "3");
    EXPECT_EQ(GetFocus(), other);
    click(down);
    EXPECT_EQ(text(), "2");
    for (HWND w : {peer->Pair(), peer->UpArrow(), peer->DownArrow()}) {
        EXPECT_NE(GetFocus(), w);
        EXPECT_FALSE(GetWindowLongPtrA(w, GWL_STYLE) & WS_TABSTOP);
    }
    // In the row the two share, the down arrow takes the pointer.
    EXPECT_EQ(ChildWindowFromPoint(peer->Pair(), POINT{7, 7}), down);
}

TEST_F(Win32SpinEdit, ADoubleClickOnAnArrowMakesTwoSteps) {
    range(1, 16);
    box().SetValue(3);
    HWND up = peer->UpArrow();
    // What the system sends for a double-click, whether or not the class asks for it.
    click(up);
    SendMessageA(up, WM_LBUTTONDBLCLK, MK_LBUTTON, middle(up));
    SendMessageA(up, WM_LBUTTONUP, 0, middle(up));
    EXPECT_EQ(text(), "5");
}

TEST_F(Win32SpinEdit, HoldingAnArrowRepeatsAndPausesAwayFromIt) {
    range(1, 16);
    box().SetValue(1);
    HWND up = peer->UpArrow();
    SendMessageA(up, WM_LBUTTONDOWN, MK_LBUTTON, middle(up));
    timers.Advance(900);
    EXPECT_EQ(text(), "7");
    SendMessageA(up, WM_MOUSEMOVE, MK_LBUTTON, point(7, 30));
    EXPECT_FALSE(box().UpArrow().Pressed());
    timers.Advance(300);
    EXPECT_EQ(text(), "7");
    SendMessageA(up, WM_MOUSEMOVE, MK_LBUTTON, middle(up));
    EXPECT_TRUE(box().UpArrow().Pressed());
    timers.Advance(100);
    EXPECT_EQ(text(), "8");
    SendMessageA(up, WM_MOUSEMOVE, MK_LBUTTON, point(-3, 4));
    SendMessageA(up, WM_LBUTTONUP, 0, point(-3, 4));
    EXPECT_EQ(text(), "8");
    EXPECT_FALSE(timers.AnyArmed());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Win32SpinEdit, AWindowTakingThePointerEndsThePress) {
    range(1, 16);
    box().SetValue(1);
    HWND up = peer->UpArrow();
    SendMessageA(up, WM_LBUTTONDOWN, MK_LBUTTON, middle(up));
    SetCapture(other);
    EXPECT_FALSE(box().UpArrow().Pressed());
    EXPECT_FALSE(timers.AnyArmed());
    ReleaseCapture();
    SendMessageA(up, WM_LBUTTONUP, 0, middle(up));
    EXPECT_EQ(text(), "1");
}

TEST_F(Win32SpinEdit, ThePressedArrowLooksSunkenWithItsGlyphOnePixelOff) {
    HWND down = peer->DownArrow();
    const Snapshot raised(down);
    const RECT glyph = raised.black();
    EXPECT_EQ(glyph.right - glyph.left, 7); // rows of 7, 5, 3 and 1 pixels
    EXPECT_EQ(glyph.bottom - glyph.top, 4);
    EXPECT_EQ(raised.blackInRow(glyph.top), 7);

    SendMessageA(down, WM_LBUTTONDOWN, MK_LBUTTON, middle(down));
    const Snapshot pressed(down);
    RECT moved = glyph;
    OffsetRect(&moved, 1, 1);
    const RECT shifted = pressed.black();
    EXPECT_TRUE(EqualRect(&shifted, &moved));
    // Sunken: the light top-left edge of the raised face turns dark.
    EXPECT_LT(pressed.brightness(1, 1), raised.brightness(1, 1));
    SendMessageA(down, WM_LBUTTONUP, 0, point(-3, 4));
    const RECT back = Snapshot(down).black();
    EXPECT_TRUE(EqualRect(&back, &glyph));

    const Snapshot up(peer->UpArrow());
    const RECT tip = up.black();
    ASSERT_EQ(tip.bottom - tip.top, 4);
    EXPECT_EQ(up.blackInRow(tip.top), 1);
    EXPECT_EQ(up.blackInRow(tip.bottom - 1), 7);
}

TEST_F(Win32SpinEdit, NoTimerLeftIsShownAndThePressEnds) {
    timers.exhausted = true;
    HWND up = peer->UpArrow();
    wintest::BoxAnswerer answers;
    SendMessageA(up, WM_LBUTTONDOWN, MK_LBUTTON, middle(up));
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, "Not enough timers available.");
    EXPECT_FALSE(box().UpArrow().Pressed());
    EXPECT_EQ(GetCapture(), nullptr);
    SendMessageA(up, WM_LBUTTONUP, 0, middle(up));
    EXPECT_EQ(text(), "0");
}
