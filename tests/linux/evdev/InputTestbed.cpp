#include "InputTestbed.h"

#include <umockdev.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vostrel::test {

struct InputTestbed::Device {
    FakeInputDevice spec;
    std::string syspath;
    UMockdevIoctlBase* handler = nullptr;

    int master = -1; // the emulated node's other end: what is written here is read there

    std::mutex mutex; // the handlers run on umockdev's thread
    std::bitset<KEY_CNT> keyState;
    bool gone = false;
};

namespace {

using Device = InputTestbed::Device;

std::vector<unsigned> range(unsigned from, unsigned to) {
    std::vector<unsigned> codes;
    for (unsigned c = from; c <= to; ++c)
        codes.push_back(c);
    return codes;
}

// A bitmask as evdev ioctls fill it: bit i in byte i / 8.
template <std::size_t N> void fillBits(uint8_t* out, std::size_t size, const std::bitset<N>& bits) {
    std::memset(out, 0, size);
    for (std::size_t i = 0; i < N && i / 8 < size; ++i)
        if (bits.test(i))
            out[i / 8] |= uint8_t(1u << (i % 8));
}

template <std::size_t N> std::bitset<N> bitsOf(const std::vector<unsigned>& codes) {
    std::bitset<N> bits;
    for (unsigned c : codes)
        bits.set(c);
    return bits;
}

std::bitset<EV_CNT> eventTypes(const FakeInputDevice& d) {
    std::bitset<EV_CNT> ev;
    ev.set(EV_SYN);
    ev[EV_KEY] = !d.keys.empty();
    ev[EV_ABS] = !d.abs.empty();
    ev[EV_REL] = !d.rel.empty();
    ev[EV_LED] = !d.leds.empty();
    return ev;
}

// A bitmask as sysfs shows it: hexadecimal machine words, most significant first.
template <std::size_t N> std::string sysfsBits(const std::bitset<N>& bits) {
    constexpr std::size_t kWordBits = sizeof(unsigned long) * CHAR_BIT;
    std::vector<unsigned long> words((N + kWordBits - 1) / kWordBits, 0);
    for (std::size_t i = 0; i < N; ++i)
        if (bits.test(i))
            words[i / kWordBits] |= 1UL << (i % kWordBits);
    while (words.size() > 1 && words.back() == 0)
        words.pop_back();
    std::ostringstream out;
    for (auto it = words.rbegin(); it != words.rend(); ++it)
        out << (it == words.rbegin() ? "" : " ") << std::hex << *it;
    return out.str();
}

gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    Device& d = *static_cast<Device*>(data);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    const unsigned nr = _IOC_NR(request);
    const unsigned size = _IOC_SIZE(request);
    std::lock_guard lock(d.mutex);
    if (d.gone) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    if (_IOC_TYPE(request) != 'E') {
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return TRUE;
    }
    if (!(_IOC_DIR(request) & _IOC_READ)) { // grab, clock id and the like: accepted
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    UMockdevIoctlData* out = umockdev_ioctl_data_resolve(arg, 0, size, nullptr);
    if (!out) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return TRUE;
    }
    uint8_t* buf = out->data;
    std::memset(buf, 0, size);
    long result = size; // the variable-length queries answer with the length
    if (nr == _IOC_NR(EVIOCGVERSION)) {
        *reinterpret_cast<int*>(buf) = EV_VERSION;
        result = 0;
    } else if (nr == _IOC_NR(EVIOCGID)) {
        *reinterpret_cast<input_id*>(buf) = input_id{BUS_USB, 0x1234, 0x5678, 0x0100};
        result = 0;
    } else if (nr == _IOC_NR(EVIOCGREP)) {
        result = 0;
    } else if (nr == _IOC_NR(EVIOCGNAME(0))) {
        std::strncpy(reinterpret_cast<char*>(buf), d.spec.name.c_str(), size - 1);
    } else if (nr == _IOC_NR(EVIOCGKEY(0))) {
        fillBits(buf, size, d.keyState);
    } else if (nr == _IOC_NR(EVIOCGBIT(0, 0))) {
        fillBits(buf, size, eventTypes(d.spec));
    } else if (nr == _IOC_NR(EVIOCGBIT(EV_KEY, 0))) {
        fillBits(buf, size, bitsOf<KEY_CNT>(d.spec.keys));
    } else if (nr == _IOC_NR(EVIOCGBIT(EV_ABS, 0))) {
        fillBits(buf, size, bitsOf<ABS_CNT>(d.spec.abs));
    } else if (nr == _IOC_NR(EVIOCGBIT(EV_REL, 0))) {
        fillBits(buf, size, bitsOf<REL_CNT>(d.spec.rel));
    } else if (nr == _IOC_NR(EVIOCGBIT(EV_LED, 0))) {
        fillBits(buf, size, bitsOf<LED_CNT>(d.spec.leds));
    } else if (nr >= _IOC_NR(EVIOCGABS(0)) && nr < _IOC_NR(EVIOCGABS(ABS_CNT))) {
        auto* info = reinterpret_cast<input_absinfo*>(buf);
        info->minimum = -32768;
        info->maximum = 32767;
        result = 0;
    }
    // Everything else (phys, uniq, properties, LED/sound/switch state, other
    // bitmasks) is empty.
    umockdev_ioctl_client_complete(client, result, 0);
    return TRUE;
}

// Reads go to the node itself, unless the device has gone.
gboolean onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    Device& d = *static_cast<Device*>(data);
    std::lock_guard lock(d.mutex);
    if (!d.gone)
        return FALSE;
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return TRUE;
}

void throwOn(GError* error) {
    if (!error)
        return;
    const std::string message = error->message;
    g_error_free(error);
    throw std::runtime_error("umockdev: " + message);
}

input_event eventOf(unsigned type, unsigned code, int value) {
    input_event ev{};
    ev.type = uint16_t(type);
    ev.code = uint16_t(code);
    ev.value = value;
    return ev;
}

// One write, so that a reader never sees half of it.
void writeEvents(const Device& d, const std::vector<input_event>& events) {
    const auto bytes = static_cast<ssize_t>(events.size() * sizeof(input_event));
    if (::write(d.master, events.data(), std::size_t(bytes)) != bytes)
        throw std::runtime_error("cannot write to the emulated node");
}

} // namespace

FakeInputDevice joystickBoard() {
    return {"Track Encoder", range(BTN_TRIGGER, BTN_BASE4), {ABS_X, ABS_Y}, {}, {}};
}

FakeInputDevice gamepad() {
    return {"Pad",
            {BTN_SOUTH, BTN_EAST, BTN_NORTH, BTN_WEST, BTN_TL, BTN_TR, BTN_SELECT, BTN_START,
             BTN_MODE, BTN_THUMBL, BTN_THUMBR},
            {ABS_X, ABS_Y, ABS_RX, ABS_RY, ABS_HAT0X, ABS_HAT0Y},
            {},
            {}};
}

FakeInputDevice keyboard() {
    auto keys = range(KEY_ESC, KEY_KPDOT);
    for (unsigned k : {KEY_INSERT, KEY_MUTE, KEY_CALC, KEY_MAIL, KEY_PLAYPAUSE})
        keys.push_back(k);
    return {"Keyboard", keys, {}, {}, {LED_NUML, LED_CAPSL, LED_SCROLLL}};
}

FakeInputDevice mouse() {
    return {"Mouse", {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE}, {}, {REL_X, REL_Y, REL_WHEEL}, {}};
}

InputTestbed::InputTestbed() : testbed_(umockdev_testbed_new()) {}

InputTestbed::~InputTestbed() {
    // A handler answers its client before it lets go of the device's lock, so the
    // code under test may be done with its last read while umockdev's thread
    // still holds that lock: wait for it before the devices go.
    for (auto& [number, d] : devices_)
        std::lock_guard lock(d->mutex);
    g_object_unref(testbed_);
    for (auto& [number, d] : devices_)
        if (d->handler)
            g_object_unref(d->handler);
}

std::string InputTestbed::root() const {
    gchar* dir = umockdev_testbed_get_root_dir(testbed_);
    std::string root = dir;
    g_free(dir);
    return root;
}

std::string InputTestbed::nodeTarget(unsigned number) const {
    std::error_code ignored;
    return std::filesystem::read_symlink(root() + "/dev/input/event" + std::to_string(number),
                                         ignored)
        .string();
}

InputTestbed::Device& InputTestbed::device(unsigned number) {
    auto it = devices_.find(number);
    if (it == devices_.end())
        throw std::logic_error("no such test device");
    return *it->second;
}

void InputTestbed::add(unsigned number, const FakeInputDevice& spec) {
    auto d = std::make_unique<Device>();
    d->spec = spec;
    const std::string n = std::to_string(number);
    const std::string parent = "/devices/virtual/input/input" + n;
    d->syspath = "/sys" + parent + "/event" + n;
    std::ostringstream description;
    description << "P: " << parent << "/event" << n << "\n"
                << "N: input/event" << n << "\n"
                << "E: DEVNAME=/dev/input/event" << n << "\n"
                << "E: SUBSYSTEM=input\n"
                << "A: dev=13:" << 64 + number << "\n\n"
                << "P: " << parent << "\n"
                << "E: SUBSYSTEM=input\n"
                << "A: name=" << spec.name << "\n"
                << "A: capabilities/ev=" << sysfsBits(eventTypes(spec)) << "\n"
                << "A: capabilities/key=" << sysfsBits(bitsOf<KEY_CNT>(spec.keys)) << "\n"
                << "A: capabilities/abs=" << sysfsBits(bitsOf<ABS_CNT>(spec.abs)) << "\n"
                << "A: capabilities/rel=" << sysfsBits(bitsOf<REL_CNT>(spec.rel)) << "\n"
                << "A: properties=0\n";
    // The handler first: a reader watching the folder may open the node the
    // moment it appears.
    GError* error = nullptr;
    d->handler = umockdev_ioctl_base_new();
    g_signal_connect(d->handler, "handle-ioctl", G_CALLBACK(onIoctl), d.get());
    g_signal_connect(d->handler, "handle-read", G_CALLBACK(onRead), d.get());
    const std::string node = "/dev/input/event" + n;
    umockdev_testbed_attach_ioctl(testbed_, node.c_str(), d->handler, &error);
    throwOn(error);
    umockdev_testbed_add_from_string(testbed_, description.str().c_str(), &error);
    throwOn(error);
    d->master = umockdev_testbed_get_dev_fd(testbed_, node.c_str());
    if (d->master < 0)
        throw std::runtime_error("umockdev: no emulated node " + node);
    devices_[number] = std::move(d);
}

void InputTestbed::press(unsigned number, unsigned code) {
    change(number, code, true);
}

void InputTestbed::release(unsigned number, unsigned code) {
    change(number, code, false);
}

void InputTestbed::change(unsigned number, unsigned code, bool down) {
    Device& d = device(number);
    std::lock_guard lock(d.mutex);
    d.keyState[code] = down;
    writeEvents(d, {eventOf(EV_KEY, code, down ? 1 : 0), eventOf(EV_SYN, SYN_REPORT, 0)});
    written_ += 2;
}

void InputTestbed::queue(unsigned number, unsigned type, unsigned code, int value) {
    Device& d = device(number);
    std::lock_guard lock(d.mutex);
    writeEvents(d, {eventOf(type, code, value)});
    ++written_;
}

void InputTestbed::setKey(unsigned number, unsigned code, bool down) {
    Device& d = device(number);
    std::lock_guard lock(d.mutex);
    d.keyState[code] = down;
}

void InputTestbed::unplug(unsigned number) {
    Device& d = device(number);
    std::lock_guard lock(d.mutex);
    d.gone = true;
    // Wakes a reader waiting on the node, whose read then fails.
    writeEvents(d, {eventOf(EV_SYN, SYN_REPORT, 0)});
}

void InputTestbed::remove(unsigned number) {
    umockdev_testbed_remove_device(testbed_, device(number).syspath.c_str());
}

void InputTestbed::lockNode(unsigned number) {
    const std::string node = root() + "/dev/input/event" + std::to_string(number);
    // The preload connects to the emulation sockets before it opens the node;
    // whoever runs the test must reach them.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root() + "/ioctl"))
        if (entry.is_socket())
            ::chmod(entry.path().c_str(), 0777);
    ::unlink(node.c_str());
    std::ofstream{node};
    ::chmod(node.c_str(), 0);
}

} // namespace vostrel::test
