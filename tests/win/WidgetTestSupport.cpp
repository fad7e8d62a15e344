#include "WidgetTestSupport.h"

namespace vostrel::wintest {

HWND hwnd(const IControlPeer* peer) {
    return static_cast<HWND>(win32::Win32WidgetSet::HandleOf(peer));
}

HWND hwnd(TControl* control) {
    return hwnd(control->Peer());
}

std::string className(HWND w) {
    char buffer[64] = {};
    GetClassNameA(w, buffer, sizeof buffer);
    return buffer;
}

HWND threadWindow(const char* name, bool visibleOnly) {
    struct Search {
        const char* name;
        bool visibleOnly;
        HWND found;
    } search{name, visibleOnly, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (className(w) == s->name && (!s->visibleOnly || IsWindowVisible(w))) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

WidgetFixture::WidgetFixture(const win32::ShellCalls& shell)
    : launcher(log), widgets(handOver, shell), app(widgets) {
    TimerEnv::standard().priority = win32::win32WorkerPriorityFactory();
    app.SetTitle("Vostrel");
}

WidgetFixture::~WidgetFixture() {
    TimerEnv::standard().priority = nullptr;
    // A quit request must not end the next test's loops.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

TForm1* WidgetFixture::createMain(ICurrentFolder* currentFolder) {
    form = app.CreateForm<TForm1>(Unit1Services{
        &joystick, &launcher, &profile, [] { return std::string("C:\\v.ini"); }, currentFolder});
    return form;
}

bool WidgetFixture::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    const UINT_PTR tick = SetTimer(nullptr, 0, 10, nullptr); // the loop never sleeps long
    const auto until = std::chrono::steady_clock::now() + bound;
    bool ok = true;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until || !peer().HandleMessage()) {
            ok = done();
            break;
        }
    }
    KillTimer(nullptr, tick);
    return ok;
}

} // namespace vostrel::wintest
