// Looks at and drives the running program from outside, as the desktop would:
//   probe show       waits for the main window, then prints its client size, the
//                    screen position of its client area and the number box's text
//   probe minimize   sends the main window's minimise command; waits until hidden
//   probe restore    sends the taskbar entry's restore command; waits until shown
//   probe close      closes the main window as its close box does
// Exits non-zero when the window or the awaited state does not come within 20 s.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <windows.h>

namespace {

bool waitFor(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

HWND mainWindow() {
    return FindWindowA("TForm1", "Vostrel");
}

// The first edit field from the left of the top row is the number box.
HWND numberBox(HWND form) {
    struct Search {
        HWND found = nullptr;
    } search;
    EnumChildWindows(
        form,
        [](HWND w, LPARAM data) -> BOOL {
            char cls[16] = {};
            GetClassNameA(w, cls, sizeof cls);
            RECT r;
            GetWindowRect(w, &r);
            MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
            if (lstrcmpiA(cls, "EDIT") == 0 && r.top < 20) {
                reinterpret_cast<Search*>(data)->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    HWND form = nullptr;
    if (!waitFor([&] { return (form = mainWindow()) != nullptr; })) {
        std::puts("no main window");
        return 1;
    }
    HWND app = GetWindow(form, GW_OWNER);
    if (command == "show") {
        if (!waitFor([&] { return IsWindowVisible(form) != FALSE; }))
            return 1;
        RECT client;
        GetClientRect(form, &client);
        POINT origin{0, 0};
        ClientToScreen(form, &origin);
        char text[64] = {};
        SendMessageA(numberBox(form), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        std::printf("client %ld %ld\norigin %ld %ld\nnumber %s\n", client.right, client.bottom,
                    origin.x, origin.y, text);
        return 0;
    }
    if (command == "minimize") {
        PostMessageA(form, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return waitFor([&] { return !IsWindowVisible(form) && IsIconic(app); }) ? 0 : 1;
    }
    if (command == "restore") {
        PostMessageA(app, WM_SYSCOMMAND, SC_RESTORE, 0);
        return waitFor([&] { return IsWindowVisible(form) && !IsIconic(app); }) ? 0 : 1;
    }
    if (command == "close") {
        PostMessageA(form, WM_CLOSE, 0, 0);
        return 0;
    }
    std::puts("usage: probe show|minimize|restore|close");
    return 2;
}
