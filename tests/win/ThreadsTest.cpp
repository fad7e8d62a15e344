// The threaded timer on the Windows main loop: the hand-over woken with WM_NULL,
// ticks inside a MessageBoxA loop, the destructor's MsgWaitForMultipleObjects wait,
// and thread priorities read back.

#include "platform/win32/Threads.h"

#include "engine/Errors.h"
#include "engine/ThdTimer.h"

#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/win32/WinApi.h"

using namespace vostrel;
using namespace vostrel::win32;

namespace {

// A window that services its hand-over on WM_NULL, as the application window does.
class ServicingWindow {
public:
    explicit ServicingWindow(Win32HandOver& handOver) {
        static const ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &ServicingWindow::proc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "VostrelTestServicing";
            return RegisterClassA(&wc);
        }();
        (void)atom;
        hwnd = CreateWindowExA(0, "VostrelTestServicing", "", WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, GetModuleHandleA(nullptr), &handOver);
        handOver.setWindow(hwnd);
    }
    ~ServicingWindow() { DestroyWindow(hwnd); }
    HWND hwnd;
    static inline std::atomic<int> sentSeen{0};

private:
    static LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrA(
                w, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
        if (msg == WM_NULL) {
            reinterpret_cast<Win32HandOver*>(GetWindowLongPtrA(w, GWLP_USERDATA))->service();
            return 0;
        }
        if (msg == WM_APP) {
            ++sentSeen;
            return 42;
        }
        return DefWindowProcA(w, msg, wp, lp);
    }
};

TimerEnv win32Env(Win32HandOver& handOver) {
    TimerEnv env;
    env.handOver = &handOver;
    env.priority = win32WorkerPriorityFactory();
    return env;
}

HWND findBox(const char* caption) {
    return FindWindowA("#32770", caption);
}

} // namespace

TEST(Win32Timer, TicksRunOnTheMainThreadInsideAMessageBoxLoop) {
    Win32HandOver handOver;
    ServicingWindow window(handOver);
    TThreadedTimer timer(nullptr, win32Env(handOver));
    const DWORD mainThread = GetCurrentThreadId();
    bool boxUp = false;
    int ticksInBox = 0;
    bool wrongThread = false;
    timer.SetOnTimer([&](TComponent*) {
        wrongThread |= GetCurrentThreadId() != mainThread;
        if (!boxUp)
            return;
        if (++ticksInBox == 5)
            if (HWND box = findBox("Ticks"))
                PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    timer.SetEnabled(true);
    timer.SetInterval(5);
    boxUp = true;
    MessageBoxA(nullptr, "Waiting for ticks", "Ticks", MB_ICONERROR);
    boxUp = false;
    EXPECT_GE(ticksInBox, 5);
    EXPECT_FALSE(wrongThread);
}

TEST(Win32Timer, DestroyingRunsTheQueuedTickStepWithoutCallingTheHandler) {
    Win32HandOver handOver; // no window: only the destructor's wait services it
    auto timer = std::make_unique<TThreadedTimer>(nullptr, win32Env(handOver));
    int calls = 0;
    timer->SetOnTimer([&](TComponent*) { ++calls; });
    timer->SetInterval(5);
    timer->SetEnabled(true);
    // Wait (without servicing) until the worker has handed a tick over and blocks.
    ASSERT_TRUE(wintest::pumpMessagesUntil([&] { return handOver.pending(); }));
    timer.reset();
    EXPECT_EQ(calls, 0);
    // The worker's last signal may leave the flag set; what matters is that no
    // call is left queued.
    EXPECT_FALSE(handOver.service());
}

TEST(Win32HandOver, TheWaitLetsMessagesSentFromOtherThreadsThrough) {
    Win32HandOver handOver;
    ServicingWindow window(handOver);
    ServicingWindow::sentSeen = 0;
    std::atomic<bool> done{false};
    LRESULT answer = 0;
    std::thread sender([&] {
        // Blocks until the main thread handles it, which it can only do inside the wait.
        answer = SendMessageA(window.hwnd, WM_APP, 0, 0);
        done = true;
        handOver.signalPending();
    });
    handOver.serviceUntil([&] { return done.load(); });
    sender.join();
    EXPECT_EQ(answer, 42);
    EXPECT_EQ(ServicingWindow::sentSeen.load(), 1);
}

TEST(Win32HandOver, TheWakeUpPostsWmNullToItsWindow) {
    Win32HandOver handOver;
    ServicingWindow window(handOver);
    std::atomic<bool> ran{false};
    std::thread worker([&] { handOver.request([&] { ran = true; }); });
    // Plain dispatching, as any modal loop does, is enough to run the call.
    EXPECT_TRUE(wintest::pumpMessagesUntil([&] { return ran.load(); }));
    worker.join();
}

TEST(Win32WorkerPriority, StartsNormalAndReadsBackEveryLevel) {
    Win32HandOver handOver;
    TThreadedTimer timer(nullptr, win32Env(handOver));
    EXPECT_EQ(timer.ThreadPriority(), TThreadPriority::tpNormal);
    for (int i = 0; i < 7; ++i) {
        const auto level = static_cast<TThreadPriority>(i);
        timer.SetThreadPriority(level);
        EXPECT_EQ(timer.ThreadPriority(), level) << i;
    }
}

TEST(Win32WorkerPriority, AFailingCallRaisesTheThreadErrorWithTheSystemText) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr); // a handle, but no thread
    Win32WorkerPriority priority(event);
    try {
        priority.set(TThreadPriority::tpHigher);
        FAIL() << "no error";
    } catch (const EThread& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("Thread Error: ", 0), 0u) << text;
        const std::string code = " (" + std::to_string(e.code()) + ")";
        ASSERT_GT(text.size(), code.size());
        EXPECT_EQ(text.substr(text.size() - code.size()), code) << text;
        EXPECT_GT(text.size(), std::string("Thread Error:  (6)").size()) << text; // has a message
        EXPECT_EQ(text.find("\r"), std::string::npos);
        EXPECT_EQ(text.find(". ("), std::string::npos);
    }
    EXPECT_THROW(priority.get(), EThread);
}
