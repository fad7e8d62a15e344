// The trigger program chooser on the Win32 widget set: the common dialog's record
// and its centring hook, the shell's file dialog as Wine has it, and what a
// confirmed choice or a cancel does to the path field and the current folder.

#include "WidgetTestSupport.h"
#include "WinTestSupport.h"

#include "ui/win32/Win32Dialogs.h"

#include <optional>

#include <objbase.h>

using namespace vostrel;
using namespace vostrel::win32;
using namespace vostrel::wintest;

namespace {

// What GetOpenFileNameA was given, read while it "runs".
struct SeenRecord {
    OPENFILENAMEA record;
    std::string filter; // up to and with its final double zero
    std::string file;
    std::string initialDir;
    std::string title;
    bool mainEnabled = true;
};

class Chooser : public WidgetFixture {
protected:
    Chooser() : WidgetFixture(shell()) { GetCurrentDirectoryA(sizeof startFolder_, startFolder_); }
    ~Chooser() override { SetCurrentDirectoryA(startFolder_); }

    ShellCalls shell() {
        ShellCalls calls;
        calls.version = [this] { return version; };
        calls.getOpenFileName = [this](OPENFILENAMEA& r) {
            if (realDialog)
                return GetOpenFileNameA(&r) != FALSE;
            SeenRecord seen;
            seen.record = r;
            const char* end = r.lpstrFilter;
            while (*end || end[1])
                ++end;
            seen.filter.assign(r.lpstrFilter, end + 2);
            seen.file = r.lpstrFile;
            seen.initialDir = r.lpstrInitialDir ? r.lpstrInitialDir : "";
            seen.title = r.lpstrTitle ? r.lpstrTitle : "";
            seen.mainEnabled = IsWindowEnabled(mainWindow()) != FALSE;
            records.push_back(seen);
            if (answer.empty())
                return false;
            lstrcpynA(r.lpstrFile, answer.c_str(), static_cast<int>(r.nMaxFile));
            return true;
        };
        return calls;
    }
    void clickChooser() { SendMessageA(hwnd(form->Button1), BM_CLICK, 0, 0); }

    unsigned version = 501;
    bool realDialog = false;
    std::string answer; // empty: Cancel
    std::vector<SeenRecord> records;
    Win32CurrentFolder currentFolder;
    char startFolder_[MAX_PATH] = {};
};

// Initialises COM on the test's thread, as the program's entry does.
struct ComApartment {
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
};

// The first visible edit field inside `dialog`, combo boxes' edits included.
HWND fileNameField(HWND dialog) {
    HWND found = nullptr;
    EnumChildWindows(
        dialog,
        [](HWND w, LPARAM out) -> BOOL {
            if (className(w) == "Edit" && IsWindowVisible(w)) {
                *reinterpret_cast<HWND*>(out) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

TEST_F(Chooser, TheCommonDialogGetsItsRecordAndKeepsTheLastChoice) {
    createMain(&currentFolder);
    form->Show();
    const std::string before = form->Edit1->Text();
    clickChooser(); // Cancel
    ASSERT_EQ(records.size(), 1u);
    const SeenRecord& first = records[0];
    EXPECT_EQ(first.record.lStructSize, sizeof(OPENFILENAMEA)); // 88 in the 32-bit program
    EXPECT_EQ(first.record.hwndOwner, appWindow());
    EXPECT_EQ(first.filter, std::string("pellago.exe\0pellago.exe\0\0", 25));
    EXPECT_EQ(first.record.nFilterIndex, 1u);
    EXPECT_EQ(first.record.nMaxFile, 260u);
    EXPECT_EQ(first.file, ""); // whatever the path field shows
    EXPECT_EQ(first.initialDir, "C:\\Program Files\\Brask\\Tarnwick");
    EXPECT_EQ(first.title, "pellago.exe");
    EXPECT_EQ(first.record.lpstrDefExt, nullptr);
    EXPECT_EQ(first.record.Flags,
              DWORD(OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING));
    EXPECT_EQ(first.record.lpfnHook, &centringHook);
    EXPECT_FALSE(first.mainEnabled); // the program's windows are disabled meanwhile
    EXPECT_TRUE(IsWindowEnabled(mainWindow()));
    EXPECT_EQ(form->Edit1->Text(), before);

    TempDir dir;
    answer = dir.file("other.exe"); // another name, and no such file
    clickChooser();
    EXPECT_EQ(form->Edit1->Text(), answer);
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    EXPECT_EQ(lstrcmpiA(folder, dir.path().c_str()), 0);

    const std::string chosen = answer;
    answer.clear();
    clickChooser(); // Cancel again
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].file, chosen);
    EXPECT_EQ(form->Edit1->Text(), chosen);
}

TEST_F(Chooser, BeforeWindows2000AndMeTheRecordIsShorter) {
    createMain();
    for (unsigned v : {400u, 410u, 490u, 500u}) {
        version = v;
        clickChooser();
    }
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].record.lStructSize, DWORD(OPENFILENAME_SIZE_VERSION_400A));
    EXPECT_EQ(records[1].record.lStructSize, DWORD(OPENFILENAME_SIZE_VERSION_400A));
    EXPECT_EQ(records[2].record.lStructSize, sizeof(OPENFILENAMEA));
    EXPECT_EQ(records[3].record.lStructSize, sizeof(OPENFILENAMEA));
}

TEST_F(Chooser, TheHookCentresTheDialogAThirdOfTheWayDownItsMonitor) {
    createMain();
    HWND dialog = CreateWindowExA(0, "STATIC", "", WS_POPUP, 5, 5, 301, 202, nullptr, nullptr,
                                  nullptr, nullptr);
    HWND child =
        CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, dialog, nullptr, nullptr, nullptr);
    OFNOTIFYA note{};
    note.hdr.hwndFrom = child;
    note.hdr.code = CDN_SELCHANGE;
    centringHook(child, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&note));
    RECT r;
    GetWindowRect(dialog, &r);
    EXPECT_EQ(r.left, 5); // only the end of the set-up moves it

    note.hdr.code = CDN_INITDONE;
    centringHook(child, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&note));
    MONITORINFO m{};
    m.cbSize = sizeof m;
    GetMonitorInfoA(MonitorFromWindow(mainWindow(), MONITOR_DEFAULTTONEAREST), &m);
    GetWindowRect(dialog, &r);
    EXPECT_EQ(r.left, m.rcMonitor.left + (m.rcMonitor.right - m.rcMonitor.left - 301) / 2);
    EXPECT_EQ(r.top, m.rcMonitor.top + (m.rcMonitor.bottom - m.rcMonitor.top - 202) / 3);
    EXPECT_EQ(r.right - r.left, 301);
    DestroyWindow(dialog);
}

TEST_F(Chooser, TheRealCommonDialogTakesATypedNameWhileTicksGoOn) {
    realDialog = true;
    joystick.script = {{JOYERR_NOERROR, 0x01}}; // button 1 held: every tick launches
    createMain(&currentFolder);
    form->Show();
    TempDir dir;
    const std::string typed = dir.file("typed.exe");
    bool done = false;
    std::optional<size_t> launchesAtOpen;
    RECT placed{};
    DuringLoops during([&] {
        HWND dialog = threadWindow("#32770");
        HWND field = dialog ? fileNameField(dialog) : nullptr;
        if (done || !field)
            return;
        if (!launchesAtOpen)
            launchesAtOpen = log.events.size();
        if (log.events.size() < *launchesAtOpen + 3)
            return; // ticks run inside the dialog's loop
        done = true;
        GetWindowRect(dialog, &placed);
        SetWindowTextA(field, typed.c_str());
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    clickChooser();
    ASSERT_TRUE(done);
    EXPECT_EQ(form->Edit1->Text(), typed);
    MONITORINFO m{};
    m.cbSize = sizeof m;
    GetMonitorInfoA(MonitorFromWindow(mainWindow(), MONITOR_DEFAULTTONEAREST), &m);
    EXPECT_EQ(placed.left,
              m.rcMonitor.left +
                  (m.rcMonitor.right - m.rcMonitor.left - (placed.right - placed.left)) / 2);
}

TEST_F(Chooser, TheShellsFileDialogTakesATypedNameAndShowsItNextTime) {
    ComApartment com;
    version = 1000;
    createMain(&currentFolder);
    form->Show();
    TempDir dir;
    const std::string typed = dir.file("typed.exe");
    std::vector<std::string> shownNames;
    bool mainEnabled = true;
    HWND handled = nullptr;
    DuringLoops during([&] {
        HWND dialog = threadWindow("#32770");
        HWND field = dialog ? fileNameField(dialog) : nullptr;
        if (!field || dialog == handled)
            return;
        handled = dialog;
        shownNames.push_back(windowText(field));
        mainEnabled = IsWindowEnabled(mainWindow()) != FALSE;
        if (shownNames.size() == 1) {
            SetWindowTextA(field, typed.c_str());
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        } else {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    clickChooser();
    ASSERT_EQ(shownNames.size(), 1u);
    EXPECT_EQ(shownNames[0], "");
    EXPECT_FALSE(mainEnabled);
    EXPECT_EQ(form->Edit1->Text(), typed);
    clickChooser();
    ASSERT_EQ(shownNames.size(), 2u);
    EXPECT_EQ(shownNames[1], typed);
    EXPECT_EQ(form->Edit1->Text(), typed); // Cancel changed nothing
}
