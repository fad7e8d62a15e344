#include "WinTestSupport.h"

#include <atomic>

namespace vostrel::wintest {

namespace {
void removeTree(const std::string& path) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}
} // namespace

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    path_ = std::string(base) + "vostrel-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
    removeTree(path_);
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool pumpMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    const auto until = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

std::string windowText(HWND w) {
    char buffer[256] = {};
    GetWindowTextA(w, buffer, sizeof buffer);
    return buffer;
}

RECT childRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

namespace {
std::function<void()>& currentCheck() {
    static std::function<void()> check;
    return check;
}
} // namespace

DuringLoops::DuringLoops(std::function<void()> check) {
    currentCheck() = std::move(check);
    id_ = SetTimer(nullptr, 0, 5, [](HWND, UINT, UINT_PTR, DWORD) {
        if (currentCheck())
            currentCheck()();
    });
}

DuringLoops::~DuringLoops() {
    KillTimer(nullptr, id_);
    currentCheck() = nullptr;
}

void BoxAnswerer::answer() {
    HWND box = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM found) -> BOOL {
            char cls[16] = {};
            GetClassNameA(w, cls, sizeof cls);
            if (std::string(cls) == "#32770" && IsWindowVisible(w)) {
                *reinterpret_cast<HWND*>(found) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&box));
    if (!box)
        return;
    SeenBox seen;
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    seen.text = text;
    seen.caption = windowText(box);
    seen.owner = GetWindow(box, GW_OWNER);
    for (HWND w : watched_)
        seen.enabled.push_back(IsWindowEnabled(w) != FALSE);
    boxes.push_back(seen);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

} // namespace vostrel::wintest
