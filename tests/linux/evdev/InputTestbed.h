#pragma once
// Emulated evdev nodes under /dev/input through umockdev: each node answers the
// evdev ioctls from a model the test drives (key state, unplugging) and reads
// the events the test writes into it, so no root, no real device and no uinput
// are needed. The test binary runs under the umockdev preload (see main.cpp).

#include <linux/input.h>

#include <bitset>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace vostrel::test {

struct FakeInputDevice {
    std::string name;
    std::vector<unsigned> keys;
    std::vector<unsigned> abs;
    std::vector<unsigned> rel;
    std::vector<unsigned> leds;
};

// The test binary's argument that makes it print the joystick count and the
// listing's diagnostics, one a line, and end (see main.cpp).
inline constexpr const char* kListJoysticks = "--list-joysticks";

FakeInputDevice joystickBoard(); // BTN_TRIGGER .. BTN_BASE4, X and Y
FakeInputDevice gamepad();       // BTN_SOUTH .. BTN_THUMBR without C, Z, TL2, TR2; sticks, hat
FakeInputDevice keyboard();
FakeInputDevice mouse();

class InputTestbed {
public:
    InputTestbed();
    ~InputTestbed();
    InputTestbed(const InputTestbed&) = delete;
    InputTestbed& operator=(const InputTestbed&) = delete;

    // Adds /dev/input/event<number> and its sysfs folders.
    void add(unsigned number, const FakeInputDevice& device);

    // A key goes down or up: its state changes and the event with a SYN_REPORT is sent.
    void press(unsigned number, unsigned code);
    void release(unsigned number, unsigned code);
    // Sends one raw event without touching the key state.
    void queue(unsigned number, unsigned type, unsigned code, int value);
    // Changes the key state behind the device's back, as events lost in an overflow would.
    void setKey(unsigned number, unsigned code, bool down);
    // Reads and ioctls answer ENODEV from now on. Only once the reader has taken
    // in what was sent: a read already past the handler's check would swallow the
    // wake-up, and nothing would make the node readable again.
    void unplug(unsigned number);
    // The node and the sysfs folders disappear.
    void remove(unsigned number);
    // The node stays listed but nobody but root may open it.
    void lockNode(unsigned number);

    // Events sent so far, on all nodes.
    uint64_t written() const { return written_; }

    std::string root() const;
    // What the node resolves to, as it shows in /proc/self/fd.
    std::string nodeTarget(unsigned number) const;

    struct Device; // the model one node answers from

private:
    Device& device(unsigned number);
    void change(unsigned number, unsigned code, bool down);

    UMockdevTestbed* testbed_;
    uint64_t written_ = 0;
    std::map<unsigned, std::unique_ptr<Device>> devices_;
};

} // namespace vostrel::test
