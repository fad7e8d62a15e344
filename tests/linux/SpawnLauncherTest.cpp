#include "platform/linux/SpawnLauncher.h"

#include "PlatformTestUtil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>

#include <atomic>
#include <climits>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using vostrel::TSpawnLauncher;
using vostrel::test::TempDir;
using vostrel::test::waitUntil;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> filesStartingWith(const std::string& dir, const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            found.push_back(entry.path().string());
    return found;
}

// A trigger program that writes what it was given into "record.<pid>" beside itself
// (through a temporary "partial.<pid>", so a record is complete once it shows):
// argument count, $0, the arguments, its folder, an inherited variable, whether
// descriptor 57 reached it, and its session and scheduling policy.
void writeRecorder(const std::string& path) {
    std::ofstream(path) << "#!/bin/sh\n"
                           "dir=\"$(dirname \"$0\")\"\n"
                           "{\n"
                           "  echo \"$#\"\n"
                           "  printf '<%s>\\n' \"$0\" \"$@\"\n"
                           "  pwd -P\n"
                           "  echo \"$VOSTREL_PROBE\"\n"
                           "  if [ -e /proc/self/fd/57 ]; then echo leaked; else echo closed; fi\n"
                           "  sed 's/.*) //' /proc/$$/stat | cut -d' ' -f4,39\n"
                           "} > \"$dir/partial.$$\" && mv \"$dir/partial.$$\" \"$dir/record.$$\"\n";
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

std::string currentDir() {
    char buf[PATH_MAX];
    return ::getcwd(buf, sizeof buf) ? buf : "";
}

// Spawns nothing; records the arguments in order and can hold the launcher thread.
struct HeldSpawn {
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<std::string> arguments;
    int permits = INT_MAX;

    TSpawnLauncher::TSpawn fn() {
        return [this](const std::string&, const std::string& argument, pid_t& pid) {
            std::unique_lock lock(mutex);
            arguments.push_back(argument);
            cv.wait(lock, [this] { return permits > 0; });
            --permits;
            pid = 0;
            return 0;
        };
    }
    void allow(int n) {
        std::lock_guard lock(mutex);
        permits = n;
        cv.notify_all();
    }
    std::size_t started() {
        std::lock_guard lock(mutex);
        return arguments.size();
    }
};

bool threadSleeps(pid_t tid) {
    vostrel::test::ProcStat stat;
    return vostrel::test::readProcStat("/proc/self/task/" + std::to_string(tid) + "/stat", stat) &&
           stat.state == 'S';
}

} // namespace

TEST(SpawnLauncher, StartsThePathLiterallyWithTheLaneAsOnlyArgument) {
    TempDir tmp;
    // Spaces, quotes and shell syntax in the path must reach exec untouched.
    const std::string dir = tmp.path() + "/lane trigger; $(touch pwned) *'\"x";
    const std::string cwd = tmp.path() + "/cwd";
    fs::create_directory(dir);
    fs::create_directory(cwd);
    const std::string program = dir + "/run me `id` $HOME.sh";
    writeRecorder(program);

    // A descriptor opened without close-on-exec by someone else in the process.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    ASSERT_EQ(::dup2(pipeFds[0], 57), 57);
    ::setenv("VOSTREL_PROBE", "inherited", 1);
    const std::string oldCwd = currentDir();
    ASSERT_EQ(::chdir(cwd.c_str()), 0);
    {
        // Built on a thread under the batch policy, the launcher thread inherits
        // it; the trigger must not.
        const sched_param none{};
        int policy = 0;
        sched_param before{};
        ASSERT_EQ(pthread_getschedparam(pthread_self(), &policy, &before), 0);
        ASSERT_EQ(pthread_setschedparam(pthread_self(), SCHED_BATCH, &none), 0);
        TSpawnLauncher launcher;
        ASSERT_EQ(pthread_setschedparam(pthread_self(), policy, &before), 0);
        launcher.Launch(program, "3");
        EXPECT_TRUE(waitUntil([&] { return filesStartingWith(dir, "record.").size() == 1; }));
        EXPECT_TRUE(waitUntil([] { return vostrel::test::ourChildren().empty(); }));
    }
    ASSERT_EQ(::chdir(oldCwd.c_str()), 0);
    ::unsetenv("VOSTREL_PROBE");
    ::close(57);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);

    const auto records = filesStartingWith(dir, "record.");
    ASSERT_EQ(records.size(), 1u);
    // It leads a session of its own, under the normal policy.
    const std::string pid = records[0].substr(records[0].rfind('.') + 1);
    ASSERT_NE(pid, std::to_string(::getsid(0)));
    const std::vector<std::string> expected = {"1",
                                               "<" + program + ">",
                                               "<3>",
                                               fs::canonical(cwd).string(),
                                               "inherited",
                                               "closed",
                                               pid + " " + std::to_string(SCHED_OTHER)};
    EXPECT_EQ(readLines(records[0]), expected);
    EXPECT_FALSE(fs::exists(cwd + "/pwned"));
    EXPECT_FALSE(fs::exists(dir + "/pwned"));
}

TEST(SpawnLauncher, FullQueueHoldsTheCallerAndLosesOrReordersNothing) {
    constexpr std::size_t capacity = 2;
    constexpr int launches = 12;
    HeldSpawn spawn;
    spawn.allow(0);
    std::atomic<int> returned{0};
    std::atomic<pid_t> callerTid{0};
    {
        TSpawnLauncher launcher(capacity, {}, spawn.fn());
        std::thread caller([&] {
            callerTid = static_cast<pid_t>(::syscall(SYS_gettid));
            for (int i = 0; i < launches; ++i) {
                launcher.Launch("/lane", std::to_string(i));
                ++returned;
            }
        });
        // One launch is being started and two wait in the queue: the caller must sleep
        // in the third Launch until the launcher thread takes another.
        ASSERT_TRUE(waitUntil([&] {
            return spawn.started() == 1 && returned == int(capacity) + 1 && threadSleeps(callerTid);
        }));
        EXPECT_EQ(returned, int(capacity) + 1);
        spawn.allow(1);
        ASSERT_TRUE(
            waitUntil([&] { return spawn.started() == 2 && returned == int(capacity) + 2; }));
        spawn.allow(launches);
        caller.join();
        launcher.WaitIdle();
    }
    std::vector<std::string> expected;
    for (int i = 0; i < launches; ++i)
        expected.push_back(std::to_string(i));
    EXPECT_EQ(spawn.arguments, expected);
}

TEST(SpawnLauncher, DestructionStartsEverythingStillQueued) {
    HeldSpawn spawn;
    {
        TSpawnLauncher launcher(16, {}, spawn.fn());
        for (int i = 0; i < 16; ++i)
            launcher.Launch("/lane", std::to_string(i % 8 + 1));
    }
    EXPECT_EQ(spawn.arguments.size(), 16u);
}

TEST(SpawnLauncher, AFailingPathIsReportedOnceAndDoesNotStopLaterLaunches) {
    TempDir tmp;
    const std::string notExecutable = tmp.path() + "/plain.txt";
    std::ofstream(notExecutable) << "not a program\n";
    const std::string program = tmp.path() + "/ok.sh";
    writeRecorder(program);

    std::mutex mutex;
    std::vector<std::string> lines;
    TSpawnLauncher launcher(TSpawnLauncher::kDefaultCapacity, [&](const std::string& line) {
        std::lock_guard lock(mutex);
        lines.push_back(line);
    });
    for (int round = 0; round < 3; ++round) {
        launcher.Launch(tmp.path() + "/missing", "1");
        launcher.Launch("", "2");
        launcher.Launch(notExecutable, "3");
    }
    launcher.Launch(program, "4");
    launcher.WaitIdle();

    std::lock_guard lock(mutex);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find(tmp.path() + "/missing"), std::string::npos);
    EXPECT_NE(lines[1].find("\"\""), std::string::npos);
    EXPECT_NE(lines[2].find(notExecutable), std::string::npos);
    EXPECT_TRUE(waitUntil([&] { return filesStartingWith(tmp.path(), "record.").size() == 1; }));
    EXPECT_TRUE(waitUntil([] { return vostrel::test::ourChildren().empty(); }));
}

// Sanitizer builds check the same code for memory and thread faults; a fifth of
// the launches is enough there and keeps the run within its time limit.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kManyLaunches = 2000;
#else
constexpr int kManyLaunches = 10000;
#endif

TEST(SpawnLauncher, TenThousandLaunchesLeaveNoZombieAndNoDescriptor) {
    ASSERT_TRUE(waitUntil([] { return vostrel::test::ourChildren().empty(); }));
    TSpawnLauncher launcher;
    const std::size_t descriptorsBefore = vostrel::test::openDescriptors();
    for (int i = 0; i < kManyLaunches; ++i)
        launcher.Launch("/bin/true", std::to_string(i % 8 + 1));
    launcher.WaitIdle();
    EXPECT_TRUE(waitUntil([] { return vostrel::test::ourChildren().empty(); }))
        << vostrel::test::ourChildren().size() << " children left, first in state "
        << vostrel::test::ourChildren().front().state;
    EXPECT_EQ(vostrel::test::openDescriptors(), descriptorsBefore);
}

TEST(SpawnLauncher, LeavesChildrenItDidNotStartToTheirParent) {
    int gate[2];
    ASSERT_EQ(::pipe2(gate, O_CLOEXEC), 0);
    TSpawnLauncher launcher;
    const pid_t own = ::fork();
    ASSERT_GE(own, 0);
    if (own == 0) {
        ::close(gate[1]);
        char c;
        ssize_t ignored = ::read(gate[0], &c, 1);
        (void)ignored;
        ::_exit(7);
    }
    ::close(gate[0]);
    ::close(gate[1]); // lets the child end
    ASSERT_TRUE(waitUntil([&] {
        vostrel::test::ProcStat stat;
        return vostrel::test::readProcStat("/proc/" + std::to_string(own) + "/stat", stat) &&
               stat.state == 'Z';
    }));
    for (int i = 0; i < 50; ++i)
        launcher.Launch("/bin/true", "1");
    launcher.WaitIdle();
    EXPECT_TRUE(waitUntil([] { return vostrel::test::ourChildren().size() == 1; }));

    int status = 0;
    ASSERT_EQ(::waitpid(own, &status, 0), own);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}
