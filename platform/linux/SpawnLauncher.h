#pragma once
// Starts the trigger program without holding up the tick: launches go, in
// order, through a short queue to a launcher thread that spawns them and reaps
// the children as they end.

#include "engine/Platform.h"
#include "platform/linux/Diagnostics.h"

#include <sys/types.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace vostrel {

class TSpawnLauncher final : public ILauncher {
public:
    // Starts `path` with argv {path, argument}. Returns 0 and sets `pid` (0 when
    // there is no child to reap), or returns an errno value.
    using TSpawn =
        std::function<int(const std::string& path, const std::string& argument, pid_t& pid)>;

    // Two ticks' worth of eight lanes: launches never trail far behind the buttons.
    static constexpr std::size_t kDefaultCapacity = 16;

    explicit TSpawnLauncher(std::size_t capacity = kDefaultCapacity, TDiagnostic diagnostic = {},
                            TSpawn spawn = {});
    // Starts whatever is still queued, then stops the thread; never waits for a
    // child (those still running are reaped in the background).
    ~TSpawnLauncher() override;
    TSpawnLauncher(const TSpawnLauncher&) = delete;
    TSpawnLauncher& operator=(const TSpawnLauncher&) = delete;

    // Queues one launch; waits only while the queue is full.
    void Launch(const std::string& path, const std::string& argument) override;

    // Returns once every launch queued so far has been started (or has failed).
    void WaitIdle();

    // The default spawn: posix_spawn, no shell, the process's environment and
    // folder, default signal handling, the normal scheduling policy, a session
    // of its own, and no descriptor beyond 0-2 inherited.
    static int Spawn(const std::string& path, const std::string& argument, pid_t& pid);

private:
    struct Request {
        std::string path;
        std::string argument;
    };
    struct Child {
        pid_t pid;
        int pidfd; // -1 where the kernel has no pidfds: then polled
    };

    void run();
    void wakeThread();
    void start(const Request& request);
    void track(pid_t pid);
    void waitForWork();
    void reapEnded();

    const std::size_t capacity_;
    const TDiagnostic diagnostic_;
    const TSpawn spawn_;
    int wakeFd_ = -1; // eventfd: new work or stop while the thread sits in poll

    std::mutex mutex_;
    std::condition_variable notFull_;
    std::condition_variable idle_;
    std::deque<Request> queue_;
    bool busy_ = false;     // a request has been taken and is being started
    bool sleeping_ = false; // the thread waits in poll and needs a wake-up
    bool stopping_ = false;

    // Owned by the launcher thread.
    std::vector<Child> children_;
    std::unordered_set<std::string> failedPaths_;

    std::thread thread_;
};

} // namespace vostrel
