#include "platform/linux/SpawnLauncher.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace vostrel {

namespace {

// Children watched through a pidfd each. Beyond this many the rest are polled,
// so that a trigger program that hangs cannot use up the process's descriptors.
constexpr std::size_t kMaxPidfds = 128;
// How often children without a pidfd are looked at.
constexpr int kPollMs = 20;

int pidfdOpen(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); // always close-on-exec
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

} // namespace

TSpawnLauncher::TSpawnLauncher(std::size_t capacity, TDiagnostic diagnostic, TSpawn spawn)
    : capacity_(std::max<std::size_t>(capacity, 1)),
      diagnostic_(DiagnosticOrStderr(std::move(diagnostic))),
      spawn_(spawn ? std::move(spawn) : TSpawn(&TSpawnLauncher::Spawn)) {
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
    try {
        thread_ = std::thread([this] { run(); });
    } catch (...) {
        ::close(wakeFd_);
        throw;
    }
}

TSpawnLauncher::~TSpawnLauncher() {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        wake = std::exchange(sleeping_, false);
    }
    if (wake)
        wakeThread();
    thread_.join();
    ::close(wakeFd_);
}

void TSpawnLauncher::Launch(const std::string& path, const std::string& argument) {
    bool wake = false;
    {
        std::unique_lock lock(mutex_);
        notFull_.wait(lock, [this] { return queue_.size() < capacity_; });
        queue_.push_back(Request{path, argument});
        wake = std::exchange(sleeping_, false);
    }
    if (wake)
        wakeThread();
}

void TSpawnLauncher::wakeThread() {
    const uint64_t one = 1;
    ssize_t ignored = ::write(wakeFd_, &one, sizeof one);
    (void)ignored;
}

void TSpawnLauncher::WaitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

int TSpawnLauncher::Spawn(const std::string& path, const std::string& argument, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    int rc = posix_spawn_file_actions_init(&actions);
    if (rc != 0)
        return rc;
    rc = posix_spawnattr_init(&attr);
    if (rc != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return rc;
    }
    // Descriptors other libraries opened without close-on-exec stay with us too.
    rc = posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    // The program starts as from a shell: nothing blocked or ignored that this
    // process (or the thread we run on) blocks or ignores.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    if (rc == 0)
        rc = posix_spawnattr_setsigmask(&attr, &none);
    if (rc == 0)
        rc = posix_spawnattr_setsigdefault(&attr, &all);
    // A session of its own: a Ctrl-C or hang-up of the terminal we were started
    // from does not reach a trigger program still running.
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID;
    // The normal policy, whatever this thread runs under; the nice value is the
    // process's own, which this thread keeps. Set only when it differs: setting
    // it in the child costs every start of several in a row close to a
    // millisecond, as the child then keeps the processor the parent waits for.
    sched_param current{};
    int policy = 0;
    if (pthread_getschedparam(pthread_self(), &policy, &current) != 0 || policy != SCHED_OTHER ||
        current.sched_priority != 0) {
        const sched_param normal{};
        flags |= POSIX_SPAWN_SETSCHEDULER;
        if (rc == 0)
            rc = posix_spawnattr_setschedpolicy(&attr, SCHED_OTHER);
        if (rc == 0)
            rc = posix_spawnattr_setschedparam(&attr, &normal);
    }
    if (rc == 0)
        rc = posix_spawnattr_setflags(&attr, flags);
    if (rc == 0) {
        char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(argument.c_str()),
                        nullptr};
        rc = posix_spawn(&pid, path.c_str(), &actions, &attr, argv, environ);
    }
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return rc;
}

void TSpawnLauncher::run() {
    for (;;) {
        Request request;
        bool wait = false;
        {
            std::lock_guard lock(mutex_);
            if (!queue_.empty()) {
                request = std::move(queue_.front());
                queue_.pop_front();
                busy_ = true;
                notFull_.notify_one();
            } else {
                busy_ = false;
                idle_.notify_all();
                if (stopping_)
                    break;
                sleeping_ = true;
                wait = true;
            }
        }
        if (wait) {
            waitForWork();
        } else {
            try {
                start(request);
            } catch (...) {
                // Launches are fire and forget; nothing may stop the ones after this.
            }
            reapEnded();
        }
    }
    reapEnded();
    if (children_.empty())
        return;
    // Children still running are not waited for here, but they must not turn
    // into zombies if the process lives on: a detached thread reaps them.
    try {
        std::thread([children = std::move(children_)] {
            for (const Child& child : children) {
                while (::waitpid(child.pid, nullptr, 0) < 0 && errno == EINTR) {
                }
                if (child.pidfd >= 0)
                    ::close(child.pidfd);
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: init adopts them when we exit.
    }
}

void TSpawnLauncher::start(const Request& request) {
    pid_t pid = 0;
    const int rc = spawn_(request.path, request.argument, pid);
    if (rc != 0) {
        if (failedPaths_.insert(request.path).second)
            diagnostic_("Vostrel: cannot start \"" + request.path + "\": " + std::strerror(rc));
        return;
    }
    if (pid > 0)
        track(pid);
}

void TSpawnLauncher::track(pid_t pid) {
    std::size_t withPidfd = 0;
    for (const Child& child : children_)
        withPidfd += child.pidfd >= 0;
    // Until we reap it the child's pid cannot be reused, so the pidfd is the child's.
    const int pidfd = withPidfd < kMaxPidfds ? pidfdOpen(pid) : -1;
    children_.push_back(Child{pid, pidfd});
}

void TSpawnLauncher::waitForWork() {
    std::vector<pollfd> fds;
    fds.push_back(pollfd{wakeFd_, POLLIN, 0});
    bool polled = false;
    for (const Child& child : children_) {
        if (child.pidfd >= 0)
            fds.push_back(pollfd{child.pidfd, POLLIN, 0});
        else
            polled = true;
    }
    ::poll(fds.data(), fds.size(), polled ? kPollMs : -1);
    if (fds[0].revents & POLLIN) {
        uint64_t count = 0;
        ssize_t ignored = ::read(wakeFd_, &count, sizeof count);
        (void)ignored;
    }
    {
        std::lock_guard lock(mutex_);
        sleeping_ = false;
    }
    reapEnded();
}

void TSpawnLauncher::reapEnded() {
    if (children_.empty())
        return;
    std::vector<pollfd> fds;
    for (const Child& child : children_)
        if (child.pidfd >= 0)
            fds.push_back(pollfd{child.pidfd, POLLIN, 0});
    if (!fds.empty())
        ::poll(fds.data(), fds.size(), 0);

    std::size_t polled = 0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < children_.size(); ++i) {
        const Child child = children_[i];
        bool ended = true;
        if (child.pidfd >= 0)
            ended = fds[polled++].revents != 0;
        if (ended) {
            int status = 0;
            pid_t rc;
            do {
                rc = ::waitpid(child.pid, &status, WNOHANG);
            } while (rc < 0 && errno == EINTR);
            // 0: still running. ECHILD: someone reaped it already, or children are
            // reaped automatically here; either way it is no longer ours to wait for.
            ended = rc != 0;
        }
        if (ended) {
            if (child.pidfd >= 0)
                ::close(child.pidfd);
        } else {
            children_[kept++] = child;
        }
    }
    children_.resize(kept);
}

} // namespace vostrel
