// The tray cycle on the Win32 widget set under Wine's null display driver: the
// icon's data record and callback window, the icon's messages driving the main
// window's handlers, the tray menu, and the minimise and restore of the
// application window. The shell's Shell_NotifyIconA is replaced by a recorder.

#include "WidgetTestSupport.h"

#include "ui/About.h"
#include "ui/win32/Win32Tray.h"

#include <cstddef>
#include <cstring>

using namespace vostrel;
using namespace vostrel::win32;
using namespace vostrel::wintest;

namespace {

struct ShellCall {
    DWORD message;
    NOTIFYICONDATAA data;
};

class Tray : public WidgetFixture {
protected:
    Tray() : WidgetFixture(shell()) {}

    ShellCalls shell() {
        ShellCalls calls;
        calls.notifyIcon = [this](DWORD message, NOTIFYICONDATAA& data) {
            calls_.push_back({message, data});
            return message == NIM_ADD ? addSucceeds : true;
        };
        return calls;
    }
    std::vector<DWORD> messages() const {
        std::vector<DWORD> result;
        for (const ShellCall& c : calls_)
            result.push_back(c.message);
        return result;
    }
    HWND callbackWindow() { return threadWindow("VostrelTrayIcon", false); }
    void click(UINT mouseMessage) {
        PostMessageA(callbackWindow(), kTrayCallbackMessage, 0, static_cast<LPARAM>(mouseMessage));
    }
    // The main window shown, then minimised by its own minimise button.
    void minimiseFromNormal() {
        form->Show();
        SendMessageA(mainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
    bool inTray() {
        return IsIconic(appWindow()) && !IsWindowVisible(appWindow()) &&
               !IsWindowVisible(mainWindow()) && form->TrayIcon1->Visible();
    }
    bool normal() {
        return !IsIconic(appWindow()) && IsWindowVisible(appWindow()) &&
               IsWindowVisible(mainWindow()) && !form->TrayIcon1->Visible();
    }

    bool addSucceeds = true;
    std::vector<ShellCall> calls_;
};

// The open tray menu: its window, and its items as the menu holds them.
struct OpenMenu {
    HWND window = nullptr;
    HMENU menu = nullptr;
    std::vector<std::string> captions;
    std::vector<UINT> types;

    static OpenMenu find() {
        OpenMenu open;
        open.window = threadWindow("#32768");
        if (!open.window)
            return open;
        auto menu = reinterpret_cast<HMENU>(SendMessageA(open.window, MN_GETHMENU, 0, 0));
        open.menu = menu;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[64] = {};
            MENUITEMINFOA item{};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE | MIIM_STRING;
            item.dwTypeData = text;
            item.cch = sizeof text;
            GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &item);
            open.captions.push_back(text);
            open.types.push_back(item.fType);
        }
        return open;
    }
};

int visibleMenus() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM n) -> BOOL {
            if (className(w) == "#32768" && IsWindowVisible(w))
                ++*reinterpret_cast<int*>(n);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

} // namespace

TEST_F(Tray, TheIconRecordNamesItsHiddenCallbackWindowTheTipAndTheMessage) {
    createMain();
    HWND callback = callbackWindow();
    ASSERT_NE(callback, nullptr);
    EXPECT_FALSE(IsWindowVisible(callback));
    EXPECT_TRUE(GetWindowLongPtrA(callback, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(GetWindowLongPtrA(callback, GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(windowText(callback), "");
    RECT r;
    GetWindowRect(callback, &r);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);
    EXPECT_TRUE(calls_.empty()); // not shown at start-up

    minimiseFromNormal();
    ASSERT_EQ(messages(), std::vector<DWORD>{NIM_ADD});
    const NOTIFYICONDATAA& d = calls_[0].data;
    EXPECT_EQ(d.cbSize, NOTIFYICONDATAA_V2_SIZE);
    EXPECT_EQ(d.hWnd, callback);
    EXPECT_EQ(d.uID, static_cast<UINT>(reinterpret_cast<UINT_PTR>(callback)));
    EXPECT_EQ(d.uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(d.uCallbackMessage, UINT(0x401));
    EXPECT_NE(d.hIcon, nullptr);
    EXPECT_STREQ(d.szTip, "Vostrel");
    EXPECT_EQ(d.uTimeout, 3000u);
    EXPECT_EQ(d.dwState, 0u);
    EXPECT_EQ(d.dwStateMask, 0u);
    EXPECT_EQ(d.szInfo[0], '\0');
    EXPECT_EQ(d.szInfoTitle[0], '\0');
    EXPECT_EQ(d.dwInfoFlags, 0u);
    // Everything that the record's size covers after the tip's text is zero.
    const auto* bytes = reinterpret_cast<const unsigned char*>(&d);
    for (size_t i = offsetof(NOTIFYICONDATAA, szTip) + 8;
         i < offsetof(NOTIFYICONDATAA, szTip) + 128; ++i)
        EXPECT_EQ(bytes[i], 0) << i;
    EXPECT_TRUE(inTray());
}

TEST_F(Tray, TheIconTipIsCutTo127Characters) {
    app.SetTitle(std::string(200, 'v'));
    createMain();
    minimiseFromNormal();
    ASSERT_EQ(messages(), std::vector<DWORD>{NIM_ADD});
    EXPECT_EQ(std::string(calls_[0].data.szTip), std::string(127, 'v'));
}

TEST_F(Tray, EachDoubleClickRestoresAndOtherMouseMessagesDoNothing) {
    createMain();
    SetFocus(hwnd(form->Button2));
    for (UINT doubleClick : {WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK}) {
        calls_.clear();
        minimiseFromNormal();
        ASSERT_TRUE(inTray()) << doubleClick;
        for (UINT other :
             {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MBUTTONUP})
            click(other);
        click(doubleClick);
        // The messages come in order: once restored, the others had their turn.
        ASSERT_TRUE(pumpUntil([&] { return !IsIconic(appWindow()); })) << doubleClick;
        EXPECT_TRUE(normal()) << doubleClick;
        EXPECT_EQ(messages(), (std::vector<DWORD>{NIM_ADD, NIM_DELETE})) << doubleClick;
        EXPECT_EQ(calls_[1].data.hWnd, callbackWindow());
        // Back at the zero-size place, the focus where it was.
        RECT r;
        GetWindowRect(appWindow(), &r);
        EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2);
        EXPECT_EQ(r.right - r.left, 0);
        EXPECT_EQ(GetFocus(), hwnd(form->Button2)) << doubleClick;
    }
}

TEST_F(Tray, TheMainWindowComesBackAtItsPlaceAndSize) {
    createMain();
    form->Show();
    SetWindowPos(mainWindow(), nullptr, 33, 44, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT before;
    GetWindowRect(mainWindow(), &before);
    SendMessageA(mainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(inTray());
    click(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(pumpUntil([&] { return normal(); }));
    RECT after;
    GetWindowRect(mainWindow(), &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
}

TEST_F(Tray, TaskbarCreatedAddsTheIconAgainOnlyWhileItIsShown) {
    createMain();
    form->Show();
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    EXPECT_EQ(taskbarCreated, TrayIconPeer::TaskbarCreated());
    SendMessageA(callbackWindow(), taskbarCreated, 0, 0);
    EXPECT_TRUE(calls_.empty());

    SendMessageA(mainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    SendMessageA(callbackWindow(), taskbarCreated, 0, 0);
    EXPECT_EQ(messages(), (std::vector<DWORD>{NIM_ADD, NIM_ADD}));
    EXPECT_EQ(calls_[1].data.hWnd, calls_[0].data.hWnd);

    click(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(pumpUntil([&] { return normal(); }));
    SendMessageA(callbackWindow(), taskbarCreated, 0, 0);
    EXPECT_EQ(messages(), (std::vector<DWORD>{NIM_ADD, NIM_ADD, NIM_DELETE}));
}

TEST_F(Tray, MinimisingTheApplicationWindowWhileMinimisedDoesNothing) {
    createMain();
    minimiseFromNormal();
    SendMessageA(appWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    SendMessageA(mainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(messages(), std::vector<DWORD>{NIM_ADD});
    EXPECT_TRUE(inTray());
}

TEST_F(Tray, ARefusedIconIsReportedAndTheTaskbarEntryStays) {
    addSucceeds = false;
    createMain();
    form->Show();
    BoxAnswerer answers;
    SendMessageA(mainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0].text, "Cannot create shell notification icon.");
    EXPECT_EQ(answers.boxes[0].caption, "Vostrel");
    EXPECT_TRUE(IsIconic(appWindow()));
    EXPECT_TRUE(IsWindowVisible(appWindow())); // reachable from the taskbar
    // The flag stays on, so the shell's "TaskbarCreated" puts the icon up.
    EXPECT_TRUE(form->TrayIcon1->Visible());
    SendMessageA(callbackWindow(), TrayIconPeer::TaskbarCreated(), 0, 0);
    EXPECT_EQ(messages(), (std::vector<DWORD>{NIM_ADD, NIM_ADD}));
}

TEST_F(Tray, TheSessionsEndTakesTheIconDown) {
    createMain();
    minimiseFromNormal();
    calls_.clear();
    EXPECT_EQ(SendMessageA(callbackWindow(), WM_QUERYENDSESSION, 0, 0), 1);
    SendMessageA(callbackWindow(), WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(calls_.empty());
    SendMessageA(callbackWindow(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(messages(), std::vector<DWORD>{NIM_DELETE});
}

TEST_F(Tray, DestroyingTheIconTakesItDownEvenWhenHiddenAndItsWindowGoes) {
    createMain();
    HWND callback = callbackWindow();
    app.Destroying(); // the end of the program
    app.DestroyComponents();
    form = nullptr;
    EXPECT_EQ(messages(), std::vector<DWORD>{NIM_DELETE});
    EXPECT_FALSE(IsWindow(callback));
}

TEST_F(Tray, StartedMinimisedTheProgramGoesStraightToTheTray) {
    createMain();
    auto* about = app.CreateForm<TAboutBox>();
    peer().SetShowCommand(SW_SHOWMINNOACTIVE);
    bool checked = false;
    DuringLoops during([&] {
        if (checked)
            return;
        checked = true;
        EXPECT_TRUE(inTray());
        EXPECT_FALSE(form->Visible()); // never shown
        EXPECT_EQ(messages(), std::vector<DWORD>{NIM_ADD});
        // The About box shown from the tray brings no taskbar entry.
        about->Show();
        EXPECT_FALSE(IsWindowVisible(appWindow()));
        about->Hide();
        SendMessageA(callbackWindow(), kTrayCallbackMessage, 0, WM_LBUTTONDBLCLK);
        EXPECT_TRUE(normal());
        EXPECT_TRUE(GetWindowLongPtrA(appWindow(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
        app.Terminate();
    });
    app.Run();
    EXPECT_TRUE(checked);
}

// ---------------------------------------------------------------- the menu

TEST_F(Tray, RightButtonUpOpensTheMenuAndTheChoiceRunsAfterItClosed) {
    createMain();
    minimiseFromNormal();
    OpenMenu seen;
    int nested = 0;
    std::vector<LRESULT> accessKeys;
    {
        DuringLoops during([&] {
            if (seen.window || !(seen = OpenMenu::find()).window)
                return;
            // The owner answers for the access keys of the items it draws.
            for (char key : {'B', 'x', 'q'})
                accessKeys.push_back(SendMessageA(appWindow(), WM_MENUCHAR,
                                                  MAKEWPARAM(key, MF_POPUP),
                                                  reinterpret_cast<LPARAM>(seen.menu)));
            // A second right click while it is open opens nothing more.
            SendMessageA(callbackWindow(), kTrayCallbackMessage, 0, WM_RBUTTONUP);
            nested = visibleMenus();
            PostMessageA(seen.window, WM_CHAR, 'r', 0); // the access key of "&Restore"
        });
        SendMessageA(callbackWindow(), kTrayCallbackMessage, 0, WM_RBUTTONUP);
        // The menu has closed; Restore has not run yet.
        EXPECT_TRUE(inTray());
    }
    EXPECT_EQ(seen.captions, (std::vector<std::string>{"A&bout", "-", "&Restore", "E&xit"}));
    ASSERT_EQ(seen.types.size(), 4u);
    for (UINT type : seen.types)
        EXPECT_TRUE(type & MFT_OWNERDRAW);
    EXPECT_TRUE(seen.types[1] & MFT_SEPARATOR);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(accessKeys,
              (std::vector<LRESULT>{MAKELRESULT(0, MNC_EXECUTE), MAKELRESULT(3, MNC_EXECUTE),
                                    MAKELRESULT(0, MNC_IGNORE)}));
    EXPECT_EQ(visibleMenus(), 0);
    ASSERT_TRUE(pumpUntil([&] { return normal(); }));
}

TEST_F(Tray, TheMenuOpensAtTheCursor) {
    createMain();
    minimiseFromNormal();
    SetCursorPos(100, 120);
    RECT at{};
    {
        DuringLoops during([&] {
            if (HWND menu = threadWindow("#32768")) {
                GetWindowRect(menu, &at);
                PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            }
        });
        SendMessageA(callbackWindow(), kTrayCallbackMessage, 0, WM_RBUTTONUP);
    }
    EXPECT_EQ(at.left, 100);
    EXPECT_EQ(at.top, 120);
    // Closed without a choice: nothing runs.
    pumpUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_TRUE(inTray());
}

TEST_F(Tray, MenuPlacementKeepsTheMenuOnTheMonitor) {
    const RECT monitor{0, 0, 1000, 800};
    const RECT work{0, 0, 1000, 760}; // a taskbar along the bottom
    const SIZE menu{120, 90};
    struct Case {
        POINT cursor;
        MenuPlacement wanted;
    } cases[] = {
        {{100, 100}, {100, 100, TPM_LEFTALIGN | TPM_TOPALIGN}},
        // Past the right edge: against it.
        {{950, 100}, {1000, 100, TPM_RIGHTALIGN | TPM_TOPALIGN}},
        // Past the bottom of the work area (the cursor on the taskbar): ends at the cursor.
        {{950, 790}, {1000, 790, TPM_RIGHTALIGN | TPM_BOTTOMALIGN}},
        {{100, 700}, {100, 700, TPM_LEFTALIGN | TPM_BOTTOMALIGN}},
        // Never above the work area's top.
        {{100, -20}, {100, 0, TPM_LEFTALIGN | TPM_TOPALIGN}},
    };
    for (const Case& c : cases) {
        const MenuPlacement at = placeMenu(c.cursor, menu, monitor, work);
        EXPECT_EQ(at.x, c.wanted.x) << c.cursor.x << "," << c.cursor.y;
        EXPECT_EQ(at.y, c.wanted.y) << c.cursor.x << "," << c.cursor.y;
        EXPECT_EQ(at.flags, c.wanted.flags) << c.cursor.x << "," << c.cursor.y;
    }
    // Taller than the work area above the cursor: from the top of the work area.
    const MenuPlacement tall = placeMenu({100, 700}, {120, 750}, monitor, work);
    EXPECT_EQ(tall.y, 0);
    EXPECT_EQ(tall.flags, UINT(TPM_LEFTALIGN | TPM_TOPALIGN));
    // Wider than the monitor: from its left edge.
    const MenuPlacement wide = placeMenu({100, 100}, {1200, 90}, monitor, work);
    EXPECT_EQ(wide.x, 0);
    EXPECT_EQ(wide.flags, UINT(TPM_LEFTALIGN | TPM_TOPALIGN));
}

TEST_F(Tray, AboutFromTheTrayShowsTheBoxAloneAndTheProgramStaysInTheTray) {
    createMain();
    auto* about = app.CreateForm<TAboutBox>();
    minimiseFromNormal();
    bool chosen = false;
    int step = 0;
    bool aloneOnScreen = false;
    bool escapeIgnored = false;
    DuringLoops during([&] {
        if (!chosen) {
            if (HWND menu = threadWindow("#32768")) {
                chosen = true;
                PostMessageA(menu, WM_CHAR, 'b', 0);
            }
            return;
        }
        if (!about->Visible())
            return;
        HWND box = hwnd(&about->FormPeer());
        if (step == 0) {
            aloneOnScreen = IsWindowVisible(box) && !IsWindowVisible(mainWindow()) &&
                            !IsWindowVisible(appWindow());
            PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0);
        } else if (step == 5) {
            escapeIgnored = about->Visible();
            PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); // the close box
        }
        ++step;
    });
    SendMessageA(callbackWindow(), kTrayCallbackMessage, 0, WM_RBUTTONUP);
    ASSERT_TRUE(pumpUntil([&] { return step > 5 && !about->Visible(); }));
    EXPECT_TRUE(aloneOnScreen);
    EXPECT_TRUE(escapeIgnored);
    EXPECT_TRUE(inTray());
    EXPECT_EQ(messages(), std::vector<DWORD>{NIM_ADD});
}

TEST_F(Tray, RestoreWhileTheAboutBoxIsOpenBringsBackAnEnabledMainWindow) {
    createMain();
    auto* about = app.CreateForm<TAboutBox>();
    minimiseFromNormal();
    bool restored = false;
    bool mainEnabled = false;
    bool aboutStillOpen = false;
    DuringLoops during([&] {
        if (!about->Visible() || restored)
            return;
        restored = true;
        SendMessageA(callbackWindow(), kTrayCallbackMessage, 0, WM_LBUTTONDBLCLK);
        mainEnabled = IsWindowVisible(mainWindow()) && IsWindowEnabled(mainWindow());
        aboutStillOpen = about->Visible();
        about->SetModalResult(mrOk);
    });
    form->About1Click(nullptr);
    EXPECT_TRUE(restored);
    EXPECT_TRUE(mainEnabled);
    EXPECT_TRUE(aboutStillOpen);
    EXPECT_TRUE(normal());
}

TEST_F(Tray, ExitFromTheTrayEndsTheProgram) {
    createMain();
    minimiseFromNormal();
    DuringLoops during([&] {
        if (HWND menu = threadWindow("#32768"))
            PostMessageA(menu, WM_CHAR, 'x', 0);
    });
    SendMessageA(callbackWindow(), kTrayCallbackMessage, 0, WM_RBUTTONUP);
    EXPECT_FALSE(app.Terminated()); // not before the menu has gone
    ASSERT_TRUE(pumpUntil([&] { return app.Terminated(); }));
    // The icon stays until the main window's parts are destroyed.
    EXPECT_EQ(messages(), std::vector<DWORD>{NIM_ADD});
    app.Destroying(); // the end of the program
    app.DestroyComponents();
    form = nullptr;
    EXPECT_EQ(messages(), (std::vector<DWORD>{NIM_ADD, NIM_DELETE}));
}
