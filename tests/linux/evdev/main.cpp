// The evdev tests need the umockdev preload in the process from its start, so
// the binary re-executes itself with it (as umockdev-wrapper would) unless it
// is already there. That keeps plain ctest and gtest_discover_tests working.
// Started with kListJoysticks it only lists the joysticks, for a test that runs
// the listing as another user.

#include "InputTestbed.h"
#include "platform/linux/EvdevJoystick.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* kPreload = "libumockdev-preload.so.0";

void appendVariable(const char* name, const std::string& value, const char* separator) {
    const char* old = std::getenv(name);
    std::string joined = value;
    if (old && *old)
        joined = std::string(old) + separator + value;
    ::setenv(name, joined.c_str(), 1);
}

} // namespace

// umockdev's own worker thread and its setup and teardown race on memory that is
// umockdev's and GLib's alone; ThreadSanitizer reads this when it is built in.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libumockdev.so.0\n"
           "race:libglib-2.0.so.0\n";
}

int main(int argc, char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (!preload || !std::strstr(preload, "libumockdev-preload")) {
        const std::string old = preload ? preload : "";
        ::setenv("LD_PRELOAD", old.empty() ? kPreload : (std::string(kPreload) + ":" + old).c_str(),
                 1);
        // The sanitizer runtime wants to be first in the library list; the preload
        // only wraps libc calls, so let it go ahead.
        appendVariable("ASAN_OPTIONS", "verify_asan_link_order=0", ":");
        ::execv("/proc/self/exe", argv);
        std::perror("re-executing under the umockdev preload");
        return 1;
    }
    if (argc == 2 && std::strcmp(argv[1], vostrel::test::kListJoysticks) == 0) {
        std::string report;
        vostrel::TEvdevJoystick joy({}, [&](const std::string& line) { report += line + "\n"; });
        std::printf("%u\n%s", joy.NumDevs(), report.c_str());
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
