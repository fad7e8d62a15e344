#pragma once
// The joystick service on Linux: the joysticks and gamepads among the evdev
// nodes. A reader thread waits on all of them and takes every event as it
// comes, so that no press is lost to a full kernel queue or a busy main thread;
// a reading answers from what the reader has seen and makes no system call.

#include "engine/Platform.h"
#include "platform/linux/Diagnostics.h"

#include <linux/input.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vostrel {

struct TEvdevPaths {
    std::string inputDir = "/dev/input";          // the event nodes
    std::string sysClassDir = "/sys/class/input"; // their sysfs folders
};

class TEvdevJoystick final : public IJoystick {
public:
    // Lists the joysticks once, ordered by event number, and starts the reader.
    // A joystick node we may not open is skipped with one line to `diagnostic`
    // (stderr when empty). Joysticks plugged in later are added after them.
    explicit TEvdevJoystick(TEvdevPaths paths = {}, TDiagnostic diagnostic = {});
    // Stops the reader (promptly: it never blocks anywhere but its wait) and
    // closes the nodes.
    ~TEvdevJoystick() override;
    TEvdevJoystick(const TEvdevJoystick&) = delete;
    TEvdevJoystick& operator=(const TEvdevJoystick&) = delete;

    // The joysticks listed so far; ids never shift while the program runs.
    uint32_t NumDevs() override;
    // One reading per tick. Button N is in the mask when it is down now or went
    // down since the previous reading of any id: every reading ends what the
    // previous one latched on all joysticks, so a press on a joystick nobody
    // reads is never reported later. 165 for an id past the list, 167 once the
    // device has gone. No system call unless a button is held.
    uint32_t GetPos(uint32_t id, TJoyInfo& info) override;

    // The node behind joystick `id` ("/dev/input/event5"); empty past the list.
    std::string NodeOf(uint32_t id) const;

    struct TCounters {
        uint64_t events = 0; // events taken from the nodes and accounted for
        uint64_t drops = 0;  // times a kernel queue overflowed (SYN_DROPPED)
    };
    TCounters Counters() const;

private:
    // What a reading sees of one joystick; guarded by mutex_.
    struct Board {
        std::string node;
        uint8_t down = 0;    // buttons 1-8 down now
        uint8_t latched = 0; // buttons that went down since the previous reading
        bool gone = false;
    };
    // The reader's view of one joystick's node (same index as its board);
    // guarded by readMutex_.
    struct Source {
        std::string node;
        int fd = -1;
        std::array<unsigned, 8> codes{}; // key code of button N at index N-1
        uint8_t down = 0;
        bool dropping = false; // after SYN_DROPPED, until the next SYN_REPORT
        std::size_t carry = 0; // bytes of an event split across two reads
        std::array<unsigned char, sizeof(input_event)> partial{};
    };

    void closeAll();
    void scan(const TDiagnostic& diagnostic);
    bool openBoard(const std::string& name, const TDiagnostic* diagnostic);
    void run();
    void drain(Source& source);
    bool take(Source& source, const input_event* events, std::size_t count, uint8_t& edges);
    void lose(Source& source);
    void confirm(uint32_t id);
    void onNodesChanged();
    void rescan();
    bool isOpen(const std::string& node) const;

    const TEvdevPaths paths_;
    int epollFd_ = -1;
    int wakeFd_ = -1;   // eventfd: stop
    int notifyFd_ = -1; // inotify on the input folder: joysticks coming and going

    // Taken in this order when both are held.
    std::mutex readMutex_;
    mutable std::mutex mutex_;
    std::vector<Board> boards_; // grows at the end only

    std::vector<Source> sources_; // index = epoll tag - kFirstSource
    std::atomic<uint64_t> events_{0};
    std::atomic<uint64_t> drops_{0};
    std::thread reader_;
};

} // namespace vostrel
