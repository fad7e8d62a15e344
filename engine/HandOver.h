#pragma once
// Runs calls from other threads on the main thread.
//
// A requester queues a call and blocks until the main thread has run it; an
// error raised by the call is carried back and raised in the requester. The
// queue's lock is held only while the queue changes, never while a call runs,
// the wake-up is sent or a requester waits. The main thread services the
// queue from its wake-up handler, before its loop sleeps, inside nested modal
// loops, and while it waits for a worker thread to finish.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace vostrel {

class HandOver {
public:
    using Call = std::function<void()>;

    // The thread that makes the hand-over is its main thread.
    HandOver() = default;
    virtual ~HandOver() = default;
    HandOver(const HandOver&) = delete;
    HandOver& operator=(const HandOver&) = delete;

    // The front end's "wake the main thread"; it must only post (an event, a
    // message) and never run the queue itself. Once setWakeUp returns, the
    // wake-up it replaced is not running and will not run again.
    void setWakeUp(std::function<void()> wakeUp);

    // From any thread but the main one: runs `call` on the main thread and returns
    // once it has run, raising whatever it raised.
    void request(Call call);

    // Main thread: resets the pending flag, takes the whole queue and runs it,
    // oldest first. Returns whether any call ran.
    bool service();

    bool pending() const;
    // Sets the pending flag without queuing anything, so that a main thread
    // waiting in serviceUntil looks again at once (a worker that has ended). A
    // front end that waits on its own event overrides it to set that event too.
    virtual void signalPending();

    // Main thread: services the queue until `done()` holds. The default waits on
    // the pending flag; a front end may override it to let its own messages in.
    virtual void serviceUntil(const std::function<bool()>& done);

    // Whether the calling thread is the one that services this hand-over.
    bool onMainThread() const { return std::this_thread::get_id() == mainThread_; }

    // The program's one hand-over, serviced by its main loop.
    static HandOver& main();

private:
    // Lives on the requester's stack; the main thread does not touch it after
    // setting `done`. `error` and `done` are guarded by finishedMutex_. The queue
    // links requests through `next`, so a tick's hand-over allocates nothing.
    struct Request {
        Call call;
        std::exception_ptr error;
        bool done = false;
        Request* next = nullptr;
    };

    mutable std::mutex mutex_;
    std::condition_variable pendingChanged_;
    Request* head_ = nullptr; // oldest first
    Request** tail_ = &head_;
    bool pending_ = false;
    // A lock of its own, so that the main thread, woken, does not find the
    // queue still locked by the requester that is sending the wake-up.
    std::mutex wakeUpMutex_;
    std::function<void()> wakeUp_;
    // Requesters wait here for their call to have run.
    std::mutex finishedMutex_;
    std::condition_variable finished_;
    const std::thread::id mainThread_ = std::this_thread::get_id();
};

} // namespace vostrel
