#pragma once
// Scratch folders, bounded waits and a look at our own processes, for the
// Linux platform tests.

#include <dirent.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vostrel::test {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vostrel.XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Polls `condition` until it holds or `bound` has passed; the bound is generous
// because the tests also run under sanitizers on a busy machine.
template <class Condition>
bool waitUntil(Condition condition, std::chrono::milliseconds bound = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// State letter and parent of a process or thread from its /proc stat file.
struct ProcStat {
    char state = '?';
    pid_t ppid = 0;
};

inline bool readProcStat(const std::string& statPath, ProcStat& out) {
    std::ifstream in(statPath);
    std::string text;
    if (!std::getline(in, text))
        return false;
    // The command name may hold spaces and parentheses; the fields follow the last ')'.
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return false;
    std::istringstream fields(text.substr(close + 1));
    return static_cast<bool>(fields >> out.state >> out.ppid);
}

// Child processes of this process, with their states ('Z' for a zombie).
inline std::vector<ProcStat> ourChildren() {
    std::vector<ProcStat> children;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return children;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        ProcStat stat;
        if (readProcStat(std::string("/proc/") + entry->d_name + "/stat", stat) &&
            stat.ppid == self)
            children.push_back(stat);
    }
    ::closedir(proc);
    return children;
}

inline std::size_t openDescriptors() {
    std::size_t n = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd");
         it != std::filesystem::directory_iterator(); ++it)
        ++n;
    return n;
}

} // namespace vostrel::test
