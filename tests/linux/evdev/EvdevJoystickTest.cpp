#include "platform/linux/EvdevJoystick.h"

#include "InputTestbed.h"
#include "PlatformTestUtil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using vostrel::JOYERR_NOERROR;
using vostrel::JOYERR_UNPLUGGED;
using vostrel::MMSYSERR_BADDEVICEID_JOY;
using vostrel::TEvdevJoystick;
using vostrel::TJoyInfo;
using vostrel::test::InputTestbed;
using vostrel::test::kListJoysticks;

namespace {

// The button mask of one read, or the result code shifted out of the way.
uint32_t read(TEvdevJoystick& joy, uint32_t id) {
    TJoyInfo info;
    info.wButtons = 0xDEAD;
    const uint32_t rc = joy.GetPos(id, info);
    return rc == JOYERR_NOERROR ? info.wButtons : 0x10000u + rc;
}
constexpr uint32_t kUnplugged = 0x10000u + JOYERR_UNPLUGGED;

class EvdevJoystick : public testing::Test {
protected:
    std::unique_ptr<TEvdevJoystick> open() {
        return std::make_unique<TEvdevJoystick>(
            vostrel::TEvdevPaths{},
            [this](const std::string& line) { diagnostics.push_back(line); });
    }

    // Returns once the reader has taken in every event sent so far.
    void settle(TEvdevJoystick& joy) {
        ASSERT_TRUE(vostrel::test::waitUntil([&] {
            return joy.Counters().events == bed.written();
        })) << joy.Counters().events
            << " of " << bed.written() << " events read";
    }

    // A button goes down, up, or down and up, and the reader has seen it.
    void down(TEvdevJoystick& joy, unsigned node, unsigned code) {
        bed.press(node, code);
        settle(joy);
    }
    void up(TEvdevJoystick& joy, unsigned node, unsigned code) {
        bed.release(node, code);
        settle(joy);
    }
    void pulse(TEvdevJoystick& joy, unsigned node, unsigned code) {
        bed.press(node, code);
        bed.release(node, code);
        settle(joy);
    }

    InputTestbed bed;
    std::vector<std::string> diagnostics;
};

} // namespace

TEST_F(EvdevJoystick, CountsJoysticksAndGamepadsOnlyInEventNumberOrder) {
    bed.add(10, vostrel::test::joystickBoard());
    bed.add(3, vostrel::test::keyboard());
    bed.add(2, vostrel::test::gamepad());
    bed.add(7, vostrel::test::mouse());
    auto joy = open();
    ASSERT_EQ(joy->NumDevs(), 2u);
    EXPECT_EQ(joy->NodeOf(0), "/dev/input/event2");
    EXPECT_EQ(joy->NodeOf(1), "/dev/input/event10");

    down(*joy, 10, BTN_TRIGGER);
    EXPECT_EQ(read(*joy, 0), 0u);
    EXPECT_EQ(read(*joy, 1), 0x01u);
    EXPECT_TRUE(diagnostics.empty());
}

TEST_F(EvdevJoystick, NumbersButtonsAsTheKernelJoystickInterfaceDoes) {
    auto board = vostrel::test::joystickBoard();
    // Six joystick buttons, then buttons from the BTN_MISC range, which come last.
    board.keys = {BTN_TRIGGER, BTN_THUMB, BTN_THUMB2, BTN_TOP, BTN_TOP2,
                  BTN_PINKIE,  BTN_0,     BTN_1,      BTN_2};
    bed.add(1, vostrel::test::joystickBoard());
    bed.add(2, board);
    bed.add(3, vostrel::test::gamepad());
    auto joy = open();
    ASSERT_EQ(joy->NumDevs(), 3u);

    const std::vector<std::pair<unsigned, std::vector<std::pair<unsigned, uint32_t>>>> cases = {
        {1,
         {{BTN_TRIGGER, 0x01},
          {BTN_THUMB, 0x02},
          {BTN_TOP, 0x08},
          {BTN_BASE2, 0x80},
          {BTN_BASE3, 0x00}}},
        {2, {{BTN_PINKIE, 0x20}, {BTN_0, 0x40}, {BTN_1, 0x80}, {BTN_2, 0x00}}},
        {3,
         {{BTN_SOUTH, 0x01},
          {BTN_EAST, 0x02},
          {BTN_NORTH, 0x04},
          {BTN_WEST, 0x08},
          {BTN_TL, 0x10},
          {BTN_START, 0x80},
          {BTN_MODE, 0x00}}},
    };
    for (const auto& [node, buttons] : cases) {
        for (const auto& [code, mask] : buttons) {
            down(*joy, node, code);
            EXPECT_EQ(read(*joy, node - 1), mask) << "event" << node << " code " << code;
            up(*joy, node, code);
            EXPECT_EQ(read(*joy, node - 1), 0u);
        }
    }
}

TEST_F(EvdevJoystick, HeldButtonsShowOnEveryReadAndReleasesOnTheNext) {
    bed.add(0, vostrel::test::joystickBoard());
    auto joy = open();
    EXPECT_EQ(read(*joy, 0), 0u);
    bed.press(0, BTN_TRIGGER);
    down(*joy, 0, BTN_THUMB2);
    EXPECT_EQ(read(*joy, 0), 0x05u);
    EXPECT_EQ(read(*joy, 0), 0x05u);
    up(*joy, 0, BTN_TRIGGER);
    EXPECT_EQ(read(*joy, 0), 0x04u);
    up(*joy, 0, BTN_THUMB2);
    EXPECT_EQ(read(*joy, 0), 0u);
}

TEST_F(EvdevJoystick, APulseBetweenTwoReadsIsReportedByOneRead) {
    bed.add(0, vostrel::test::joystickBoard());
    auto joy = open();
    pulse(*joy, 0, BTN_TRIGGER);
    EXPECT_EQ(read(*joy, 0), 0x01u);
    EXPECT_EQ(read(*joy, 0), 0u);

    // Two pulses in one interval still make one reading; a held button keeps its bit.
    down(*joy, 0, BTN_THUMB);
    EXPECT_EQ(read(*joy, 0), 0x02u);
    for (int i = 0; i < 2; ++i) {
        bed.press(0, BTN_TRIGGER);
        bed.release(0, BTN_TRIGGER);
    }
    settle(*joy);
    EXPECT_EQ(read(*joy, 0), 0x03u);
    EXPECT_EQ(read(*joy, 0), 0x02u);

    // A pulse that a reading saw while it was down is not reported again after it.
    down(*joy, 0, BTN_TOP);
    EXPECT_EQ(read(*joy, 0), 0x0Au);
    up(*joy, 0, BTN_TOP);
    EXPECT_EQ(read(*joy, 0), 0x02u);
}

TEST_F(EvdevJoystick, APressOnAJoystickNobodyReadsIsNeverReportedLater) {
    bed.add(1, vostrel::test::joystickBoard());
    bed.add(2, vostrel::test::joystickBoard());
    auto joy = open();
    ASSERT_EQ(joy->NumDevs(), 2u);

    // Joystick 1 is being read when joystick 2 gets a pulse; then the user
    // switches to joystick 2.
    pulse(*joy, 2, BTN_TRIGGER);
    EXPECT_EQ(read(*joy, 0), 0u);
    EXPECT_EQ(read(*joy, 1), 0u);

    // Number 0 reads no joystick at all; then the number becomes 1.
    pulse(*joy, 1, BTN_THUMB);
    EXPECT_EQ(read(*joy, 0xFFFFFFFFu), 0x10000u + MMSYSERR_BADDEVICEID_JOY);
    EXPECT_EQ(read(*joy, 0), 0u);

    // From the switch on, a pulse counts.
    pulse(*joy, 1, BTN_THUMB);
    EXPECT_EQ(read(*joy, 0), 0x02u);
}

TEST_F(EvdevJoystick, ResynchronisesAfterTheKernelDroppedEvents) {
    bed.add(0, vostrel::test::joystickBoard());
    auto joy = open();
    bed.press(0, BTN_TRIGGER);
    // The queue overflowed: what was lost leaves button 1 up again and button 2
    // down, and the rest of the report that saw the overflow is incomplete.
    bed.setKey(0, BTN_TRIGGER, false);
    bed.setKey(0, BTN_THUMB, true);
    bed.queue(0, EV_SYN, SYN_DROPPED, 0);
    bed.queue(0, EV_KEY, BTN_THUMB2, 1);
    bed.queue(0, EV_SYN, SYN_REPORT, 0);
    // A pulse after that report still counts.
    pulse(*joy, 0, BTN_TOP);
    EXPECT_EQ(joy->Counters().drops, 1u);
    EXPECT_EQ(read(*joy, 0), 0x0Bu);
    EXPECT_EQ(read(*joy, 0), 0x02u);
    up(*joy, 0, BTN_THUMB);
    EXPECT_EQ(read(*joy, 0), 0u);
}

TEST_F(EvdevJoystick, AnUnpluggedDeviceAnswersUnpluggedFromThenOn) {
    bed.add(0, vostrel::test::joystickBoard());
    bed.add(1, vostrel::test::gamepad());
    auto joy = open();
    down(*joy, 0, BTN_TRIGGER);
    bed.unplug(0);
    EXPECT_TRUE(vostrel::test::waitUntil([&] { return read(*joy, 0) == kUnplugged; }));
    EXPECT_EQ(read(*joy, 0), kUnplugged);
    bed.remove(1);
    EXPECT_TRUE(vostrel::test::waitUntil([&] { return read(*joy, 1) == kUnplugged; }));
    EXPECT_EQ(read(*joy, 1), kUnplugged);
    EXPECT_EQ(joy->NumDevs(), 2u);
}

TEST_F(EvdevJoystick, AJoystickPluggedInLaterAnswersAsTheNextNumber) {
    bed.add(3, vostrel::test::joystickBoard());
    auto joy = open();
    ASSERT_EQ(joy->NumDevs(), 1u);
    EXPECT_EQ(read(*joy, 1), 0x10000u + MMSYSERR_BADDEVICEID_JOY);
    // A lower event number than the first joystick's: it still comes after it.
    bed.add(1, vostrel::test::gamepad());
    ASSERT_TRUE(vostrel::test::waitUntil([&] { return joy->NumDevs() == 2u; }));
    EXPECT_EQ(joy->NodeOf(0), "/dev/input/event3");
    EXPECT_EQ(joy->NodeOf(1), "/dev/input/event1");
    down(*joy, 1, BTN_EAST);
    EXPECT_EQ(read(*joy, 0), 0u);
    EXPECT_EQ(read(*joy, 1), 0x02u);
}

TEST_F(EvdevJoystick, IdsPastTheListAreBadIds) {
    bed.add(0, vostrel::test::gamepad());
    auto joy = open();
    ASSERT_EQ(joy->NumDevs(), 1u);
    EXPECT_EQ(read(*joy, 0), 0u);
    EXPECT_EQ(read(*joy, 1), 0x10000u + MMSYSERR_BADDEVICEID_JOY);
    EXPECT_EQ(read(*joy, 0xFFFFFFFFu), 0x10000u + MMSYSERR_BADDEVICEID_JOY);
}

TEST_F(EvdevJoystick, NoInputFolderMeansNoJoysticks) {
    TEvdevJoystick joy({bed.root() + "/no/such/folder", bed.root() + "/no/sys"},
                       [this](const std::string& line) { diagnostics.push_back(line); });
    EXPECT_EQ(joy.NumDevs(), 0u);
    EXPECT_EQ(read(joy, 0), 0x10000u + MMSYSERR_BADDEVICEID_JOY);
    EXPECT_TRUE(diagnostics.empty());
}

TEST_F(EvdevJoystick, KeepsItsNodesNonBlockingAndCloseOnExec) {
    bed.add(4, vostrel::test::gamepad());
    auto joy = open();
    ASSERT_EQ(joy->NumDevs(), 1u);
    const std::string target = bed.nodeTarget(4);
    ASSERT_FALSE(target.empty());
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(entry.path(), ignored) != target)
            continue;
        const int fd = std::stoi(entry.path().filename().string());
        EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
        EXPECT_TRUE(::fcntl(fd, F_GETFL) & O_NONBLOCK);
        ++checked;
    }
    EXPECT_EQ(checked, 1);
}

TEST_F(EvdevJoystick, AJoystickNodeWeMayNotOpenIsSkippedWithOneLine) {
    bed.add(4, vostrel::test::gamepad());
    bed.add(5, vostrel::test::keyboard());
    bed.lockNode(4);
    bed.lockNode(5);
    ::chmod(bed.root().c_str(), 0755);

    // Root opens anything, so the scan runs in a child that gives up root; a
    // fresh program, since a forked copy of this threaded one may start no thread.
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        ::dup2(pipeFds[1], 1);
        char* argv[] = {const_cast<char*>("evdev_tests"), const_cast<char*>(kListJoysticks),
                        nullptr};
        ::execv("/proc/self/exe", argv);
        ::_exit(3);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buf[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
        report.append(buf, std::size_t(n));
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = report.find('\n', start)) != std::string::npos;
         start = end + 1)
        lines.push_back(report.substr(start, end - start));
    ASSERT_EQ(lines.size(), 2u) << report;
    EXPECT_EQ(lines[0], "0");
    EXPECT_NE(lines[1].find("/dev/input/event4"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("\"input\""), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("uaccess"), std::string::npos) << lines[1];
}
