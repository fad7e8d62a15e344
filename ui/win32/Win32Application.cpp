#include "ui/win32/Win32Application.h"

#include "platform/win32/Threads.h"
#include "ui/win32/Win32Controls.h"
#include "ui/win32/Win32WidgetSet.h"

#include <algorithm>

namespace vostrel::win32 {

namespace {

HWND hwndOf(void* w) {
    return static_cast<HWND>(w);
}

// Runs `action` with the minimise and restore animation switched off, if it was on.
template <class F> void withoutAnimation(F action) {
    ANIMATIONINFO info{sizeof info, 0};
    SystemParametersInfoA(SPI_GETANIMATION, sizeof info, &info, 0);
    const bool wasOn = info.iMinAnimate != 0;
    if (wasOn) {
        info.iMinAnimate = 0;
        SystemParametersInfoA(SPI_SETANIMATION, sizeof info, &info, 0);
    }
    action();
    if (wasOn) {
        info.iMinAnimate = 1;
        SystemParametersInfoA(SPI_SETANIMATION, sizeof info, &info, 0);
    }
}

int startupShowCommand() {
    STARTUPINFOA info{};
    info.cb = sizeof info;
    GetStartupInfoA(&info);
    return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : SW_SHOWNORMAL;
}

} // namespace

// The hidden zero-size window at the screen centre that carries the taskbar entry.
class Win32ApplicationPeer::AppWindow final : public NativeWindow {
public:
    explicit AppWindow(Win32ApplicationPeer& app) : app_(app) {
        WNDCLASSA existing;
        if (!GetClassInfoA(GetModuleHandleA(nullptr), "VostrelApplication", &existing)) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = ClassProc();
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.hIcon = programIcon(32);
            wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
            wc.lpszClassName = "VostrelApplication";
            RegisterClassA(&wc);
        }
        create(WS_EX_NOACTIVATE, "VostrelApplication", "",
               WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
               GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
               0);
        HMENU menu = GetSystemMenu(hwnd_, FALSE);
        for (UINT command : {SC_MAXIMIZE, SC_SIZE, SC_MOVE})
            DeleteMenu(menu, command, MF_BYCOMMAND);
        SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(programIcon(32)));
        SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(programIcon(16)));
    }

protected:
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override {
        bool handled = true;
        const LRESULT result = app_.handle(msg, wParam, lParam, handled);
        return handled ? result : Default(msg, wParam, lParam);
    }

private:
    Win32ApplicationPeer& app_;
};

Win32ApplicationPeer::Win32ApplicationPeer(Win32HandOver& handOver)
    : handOver_(handOver), appWindow_(std::make_unique<AppWindow>(*this)),
      window_(appWindow_->Hwnd()) {
    handOver_.setWindow(window_);
    endSession_ = [] {
        // The exit steps of the end of the program, then the end of the process.
        if (Application) {
            Application->Destroying();
            Application->DestroyComponents();
        }
        ExitProcess(0);
    };
}

Win32ApplicationPeer::~Win32ApplicationPeer() {
    if (handOver_.window() == window_)
        handOver_.setWindow(nullptr);
}

intptr_t Win32ApplicationPeer::handle(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                      bool& handled) {
    if (hook_) {
        intptr_t result = 0;
        if (hook_(msg, wParam, lParam, result))
            return result;
    }
    switch (msg) {
    case WM_NULL:
        // The hand-over's wake-up: run the queue and pass the message no further.
        handOver_.service();
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
            if (Application)
                Application->Minimize();
            return 0;
        case SC_RESTORE:
            if (Application) {
                Application->Restore();
                Application->BringToFront();
            }
            return 0;
        case SC_CLOSE:
            closeMainForm();
            return 0;
        }
        break;
    case WM_CLOSE:
        closeMainForm();
        return 0;
    case WM_COMMAND:
        // A call posted with PostCall, the tray menu's choice among them.
        if (lParam == 0) {
            if (auto it = posted_.find(LOWORD(wParam)); it != posted_.end()) {
                const std::function<void()> call = std::move(it->second);
                posted_.erase(it);
                call();
            }
            return 0;
        }
        break;
    case WM_SETFOCUS:
        // The zero-size window never keeps the focus; the pop-up that had it takes it.
        if (HWND popup = GetLastActivePopup(hwndOf(window_));
            popup != hwndOf(window_) && IsWindowVisible(popup) && IsWindowEnabled(popup))
            SetFocus(popup);
        return 0;
    case WM_QUERYENDSESSION:
        return 1;
    case WM_ENDSESSION:
        if (wParam && endSession_)
            endSession_();
        return 0;
    }
    handled = false;
    return 0;
}

void Win32ApplicationPeer::closeMainForm() {
    if (Application && Application->MainForm())
        Application->MainForm()->Close();
}

void Win32ApplicationPeer::SetTitle(const std::string& title) {
    SetWindowTextA(hwndOf(window_), title.c_str());
}

void Win32ApplicationPeer::PostQuit() {
    PostQuitMessage(0);
}

FormPeer* Win32ApplicationPeer::mainForm() const {
    if (!Application || !Application->MainForm())
        return nullptr;
    return dynamic_cast<FormPeer*>(&Application->MainForm()->FormPeer());
}

void* Win32ApplicationPeer::MainWindow() const {
    if (FormPeer* main = mainForm())
        return main->Hwnd();
    return forms_.empty() ? nullptr : forms_.front()->Hwnd();
}

// ---------------------------------------------------------------- loops

void Win32ApplicationPeer::dispatch(void* message) {
    MSG& msg = *static_cast<MSG*>(message);
    // The keyboard interface of the forms: Tab, access keys, the default button.
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    auto* form = root ? dynamic_cast<FormPeer*>(NativeWindow::FromHandle(root)) : nullptr;
    // A button's access key clicks it where the focus is: the dialog manager
    // would move the focus to it first, and so bring the number box's text into
    // range before Save Settings stores it.
    if (form && msg.message == WM_SYSCHAR)
        if (TControl* button = form->Form().AccessKeyControl(static_cast<char>(msg.wParam))) {
            HWND h = static_cast<HWND>(Win32WidgetSet::HandleOf(button->Peer()));
            if (h && IsWindowVisible(h) && IsWindowEnabled(h)) {
                button->Click();
                return;
            }
        }
    if (form && IsDialogMessageA(root, &msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

bool Win32ApplicationPeer::HandleMessage() {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quitCode_ = static_cast<int>(msg.wParam);
            return false;
        }
        dispatch(&msg);
        return true;
    }
    // Idle: run what the hand-over holds, and look for messages again if anything ran.
    if (!handOver_.service())
        WaitMessage();
    return true;
}

void Win32ApplicationPeer::DispatchWaiting() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quitCode_ = static_cast<int>(msg.wParam);
            PostQuitMessage(quitCode_);
            return;
        }
        dispatch(&msg);
    }
}

void Win32ApplicationPeer::Run(TForm& mainForm) {
    auto* main = dynamic_cast<FormPeer*>(&mainForm.FormPeer());
    const int show = showCommand_ >= 0 ? showCommand_ : startupShowCommand();
    if (main && show == SW_SHOWMINNOACTIVE) {
        // Started minimised: straight to the minimised state, the main window unshown.
        main->SetMinimizedStart(true);
        HWND app = hwndOf(window_);
        SetWindowLongPtrA(app, GWL_EXSTYLE,
                          GetWindowLongPtrA(app, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_NOACTIVATE));
        ShowWindow(app, SW_SHOW);
        visibleRecord_ = true; // shown by the application object: its record follows
        guarded([] {
            if (Application)
                Application->Minimize();
            return LRESULT(0);
        });
    } else {
        mainForm.Show();
    }
    while (HandleMessage()) {
    }
}

// ---------------------------------------------------------------- message boxes

void Win32ApplicationPeer::MessageBox(TNativeWindow owner, const std::string& text,
                                      const std::string& caption, unsigned flags) {
    MessageBoxA(hwndOf(owner), text.c_str(), caption.c_str(), flags);
}

namespace {
BOOL CALLBACK collectUsable(HWND w, LPARAM data) {
    if (IsWindowVisible(w) && IsWindowEnabled(w))
        reinterpret_cast<std::vector<TNativeWindow>*>(data)->push_back(w);
    return TRUE;
}
} // namespace

std::vector<TNativeWindow> Win32ApplicationPeer::UsableWindows() {
    std::vector<TNativeWindow> usable;
    EnumThreadWindows(GetCurrentThreadId(), &collectUsable, reinterpret_cast<LPARAM>(&usable));
    return usable;
}

void Win32ApplicationPeer::SetWindowEnabled(TNativeWindow window, bool enabled) {
    if (IsWindow(hwndOf(window)))
        EnableWindow(hwndOf(window), enabled);
}

TActivation Win32ApplicationPeer::Activation() {
    return {GetActiveWindow(), GetFocus()};
}

void Win32ApplicationPeer::SetActivation(const TActivation& activation) {
    if (IsWindow(hwndOf(activation.Window)))
        SetActiveWindow(hwndOf(activation.Window));
    if (activation.Focus && IsWindow(hwndOf(activation.Focus)))
        SetFocus(hwndOf(activation.Focus));
}

TNativeWindow Win32ApplicationPeer::DefaultOwner() {
    return GetLastActivePopup(hwndOf(window_));
}

void Win32ApplicationPeer::HandleException(const std::exception& error) {
    if (HWND capture = GetCapture())
        SendMessageA(capture, WM_CANCELMODE, 0, 0);
    if (Application)
        Application->ShowException(error);
}

// ---------------------------------------------------------------- visibility

void Win32ApplicationPeer::AddForm(FormPeer* form) {
    forms_.push_back(form);
}

void Win32ApplicationPeer::RemoveForm(FormPeer* form) {
    std::erase(forms_, form);
}

void Win32ApplicationPeer::UpdateVisible() {
    const bool wanted =
        std::any_of(forms_.begin(), forms_.end(), [](FormPeer* f) { return f->Visible(); });
    HWND app = hwndOf(window_);
    // Someone else (the tray cycle) hid or showed it: leave it as they did.
    if ((IsWindowVisible(app) != FALSE) != visibleRecord_ || wanted == visibleRecord_)
        return;
    SetWindowPos(app, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (wanted ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    visibleRecord_ = wanted;
}

void Win32ApplicationPeer::MainFormShowing() {
    if (taskbarEntryGiven_)
        return;
    taskbarEntryGiven_ = true;
    HWND app = hwndOf(window_);
    SetWindowLongPtrA(app, GWL_EXSTYLE, GetWindowLongPtrA(app, GWL_EXSTYLE) | WS_EX_APPWINDOW);
}

// ---------------------------------------------------------------- minimise and restore

bool Win32ApplicationPeer::Minimized() const {
    return IsIconic(hwndOf(window_)) != FALSE;
}

void Win32ApplicationPeer::Minimize() {
    HWND app = hwndOf(window_);
    if (IsIconic(app))
        return;
    SetActiveWindow(app);
    FormPeer* main = mainForm();
    if (main && IsWindowEnabled(main->Hwnd())) {
        RECT r;
        GetWindowRect(main->Hwnd(), &r);
        SetWindowPos(app, main->Hwnd(), r.left, r.top, r.right - r.left, 0, SWP_SHOWWINDOW);
        DefWindowProcA(app, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else {
        withoutAnimation([app] { ShowWindow(app, SW_MINIMIZE); });
    }
}

void Win32ApplicationPeer::ShowTaskbarEntry(bool show) {
    ShowWindow(hwndOf(window_), show ? SW_SHOW : SW_HIDE);
}

void Win32ApplicationPeer::Restore() {
    HWND app = hwndOf(window_);
    if (!IsIconic(app))
        return;
    SetActiveWindow(app);
    FormPeer* main = mainForm();
    if (main && IsWindowEnabled(main->Hwnd()))
        DefWindowProcA(app, WM_SYSCOMMAND, SC_RESTORE, 0);
    else
        withoutAnimation([app] { ShowWindow(app, SW_RESTORE); });
    SetWindowPos(app, nullptr, GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                 0, 0, SWP_SHOWWINDOW);
    if (main && main->MinimizedStart() && !main->Visible()) {
        main->SetMinimizedStart(false);
        main->Show();
    }
}

void Win32ApplicationPeer::BringToFront() {
    HWND app = hwndOf(window_);
    HWND popup = GetLastActivePopup(app);
    if (popup != app && IsWindowVisible(popup) && IsWindowEnabled(popup))
        SetForegroundWindow(popup);
}

void Win32ApplicationPeer::PostCall(std::function<void()> call) {
    // Identifiers are reused only after the whole range has gone round.
    while (posted_.count(nextCallId_) || nextCallId_ == 0)
        ++nextCallId_;
    const uint16_t id = nextCallId_++;
    posted_[id] = std::move(call);
    if (!PostMessageA(hwndOf(window_), WM_COMMAND, id, 0))
        posted_.erase(id);
}

} // namespace vostrel::win32
