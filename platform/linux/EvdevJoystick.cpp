#include "platform/linux/EvdevJoystick.h"

#include "platform/linux/EvdevCaps.h"

#include <libevdev/libevdev.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace vostrel {

struct TEvdevJoystick::Device {
    std::string node;
    int fd = -1;
    libevdev* dev = nullptr;
    std::array<unsigned, 8> codes{}; // key code of button N at index N-1
    uint32_t pressed = 0;            // buttons pressed since the previous read
    bool gone = false;

    ~Device() { release(); }

    void release() {
        if (dev)
            libevdev_free(dev);
        dev = nullptr;
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    void notePress(const input_event& ev) {
        if (ev.type != EV_KEY || ev.value != 1)
            return;
        for (std::size_t n = 0; n < codes.size(); ++n)
            if (codes[n] != 0 && codes[n] == ev.code)
                pressed |= 1u << n;
    }

    // Takes every queued event, resynchronising after the kernel dropped some.
    // False when the device has gone.
    bool drain() {
        unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
        for (;;) {
            input_event ev{};
            int rc = libevdev_next_event(dev, flags, &ev);
            if (rc == LIBEVDEV_READ_STATUS_SUCCESS || rc == LIBEVDEV_READ_STATUS_SYNC) {
                // In normal mode a sync status is the SYN_DROPPED itself; the
                // events that follow in sync mode bring the state up to date.
                if (rc == LIBEVDEV_READ_STATUS_SYNC)
                    flags = LIBEVDEV_READ_FLAG_SYNC;
                notePress(ev);
            } else if (rc == -EAGAIN) {
                if (flags == LIBEVDEV_READ_FLAG_NORMAL)
                    break;
                flags = LIBEVDEV_READ_FLAG_NORMAL;
            } else if (rc != -EINTR) {
                return false; // ENODEV once unplugged; any other failure means the same to us
            }
        }
        // A vanished node means the device has gone, even before its descriptor notices.
        return !(::access(node.c_str(), F_OK) != 0 && errno == ENOENT);
    }
};

namespace {

void quietLog(const libevdev*, enum libevdev_log_priority, void*, const char*, int, const char*,
              const char*, va_list) {}

TInputCaps capsOf(const libevdev* dev) {
    TInputCaps caps;
    for (unsigned t = 0; t < EV_CNT; ++t)
        caps.ev[t] = libevdev_has_event_type(dev, t);
    for (unsigned c = 0; c < KEY_CNT; ++c)
        caps.key[c] = libevdev_has_event_code(dev, EV_KEY, c);
    for (unsigned c = 0; c < ABS_CNT; ++c)
        caps.abs[c] = libevdev_has_event_code(dev, EV_ABS, c);
    for (unsigned c = 0; c < REL_CNT; ++c)
        caps.rel[c] = libevdev_has_event_code(dev, EV_REL, c);
    for (unsigned p = 0; p < INPUT_PROP_CNT; ++p)
        caps.prop[p] = libevdev_has_property(dev, p);
    return caps;
}

// "event12" -> 12; -1 for anything else in the folder.
long eventNumber(const char* name) {
    if (std::strncmp(name, "event", 5) != 0 || name[5] == '\0')
        return -1;
    char* end = nullptr;
    long n = std::strtol(name + 5, &end, 10);
    return (*end == '\0' && n >= 0 && name[5] >= '0' && name[5] <= '9') ? n : -1;
}

std::vector<std::pair<long, std::string>> eventNodes(const std::string& dir) {
    std::vector<std::pair<long, std::string>> nodes;
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return nodes; // no input subsystem: no joysticks
    while (const dirent* entry = ::readdir(d)) {
        long n = eventNumber(entry->d_name);
        if (n >= 0)
            nodes.emplace_back(n, entry->d_name);
    }
    ::closedir(d);
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

} // namespace

TEvdevJoystick::TEvdevJoystick(TEvdevPaths paths, TDiagnostic diagnostic) {
    scan(paths, DiagnosticOrStderr(std::move(diagnostic)));
}

TEvdevJoystick::~TEvdevJoystick() = default;

void TEvdevJoystick::scan(const TEvdevPaths& paths, const TDiagnostic& diagnostic) {
    for (const auto& [number, name] : eventNodes(paths.inputDir)) {
        auto device = std::make_unique<Device>();
        device->node = paths.inputDir + "/" + name;
        device->fd = ::open(device->node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (device->fd < 0) {
            const int error = errno;
            TInputCaps caps;
            if ((error == EACCES || error == EPERM) &&
                ReadSysfsCaps(paths.sysClassDir + "/" + name, caps) && IsJoystick(caps))
                diagnostic("Vostrel: joystick " + device->node +
                           " skipped: " + std::strerror(error) +
                           "; add the user to group \"input\" or give the device a udev rule "
                           "with TAG+=\"uaccess\"");
            continue;
        }
        device->dev = libevdev_new();
        if (!device->dev)
            continue;
        libevdev_set_device_log_function(device->dev, quietLog, LIBEVDEV_LOG_ERROR, nullptr);
        if (libevdev_set_fd(device->dev, device->fd) < 0)
            continue;
        const TInputCaps caps = capsOf(device->dev);
        if (!IsJoystick(caps))
            continue;
        device->codes = ButtonCodes(caps.key);
        devices_.push_back(std::move(device));
    }
}

uint32_t TEvdevJoystick::NumDevs() {
    return static_cast<uint32_t>(devices_.size());
}

uint32_t TEvdevJoystick::GetPos(uint32_t id, TJoyInfo& info) {
    if (id >= devices_.size())
        return MMSYSERR_BADDEVICEID_JOY;
    Device& d = *devices_[id];
    if (!d.gone && !d.drain()) {
        d.gone = true;
        d.release();
    }
    if (d.gone)
        return JOYERR_UNPLUGGED;

    uint32_t buttons = d.pressed;
    d.pressed = 0;
    for (std::size_t n = 0; n < d.codes.size(); ++n)
        if (d.codes[n] != 0 && libevdev_get_event_value(d.dev, EV_KEY, d.codes[n]) != 0)
            buttons |= 1u << n;
    info = TJoyInfo{};
    info.wButtons = buttons;
    return JOYERR_NOERROR;
}

std::string TEvdevJoystick::NodeOf(uint32_t id) const {
    return id < devices_.size() ? devices_[id]->node : std::string();
}

} // namespace vostrel
