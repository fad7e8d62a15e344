// The trigger program of the benchmarks: appends the moment it started
// (monotonic nanoseconds) and its lane argument as one line to the file named
// by $STAMPS. Compiled, so that the machine can start it every 5 ms and the
// bench measures the launches, not a shell's start-up.

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const char* path = std::getenv("STAMPS");
    if (path == nullptr)
        return 2;
    char line[48];
    const int n = std::snprintf(line, sizeof line, "%lld %.8s\n",
                                static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec,
                                argc > 1 ? argv[1] : "-");
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return 1;
    // One write with O_APPEND: lines of concurrent launches never interleave.
    const bool ok = write(fd, line, static_cast<size_t>(n)) == n;
    close(fd);
    return ok ? 0 : 1;
}
