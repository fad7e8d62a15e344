#include "platform/linux/EvdevJoystick.h"

#include "platform/linux/EvdevCaps.h"

#include <libevdev/libevdev.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace vostrel {

namespace {

// epoll tags: the stop event, the folder watch, then one per source.
constexpr uint64_t kWakeTag = 0;
constexpr uint64_t kNotifyTag = 1;
constexpr uint64_t kFirstSource = 2;

constexpr uint32_t kNodeEvents = IN_CREATE | IN_ATTRIB | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM;

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

uint8_t buttonOf(const std::array<unsigned, 8>& codes, unsigned code) {
    for (std::size_t n = 0; n < codes.size(); ++n)
        if (codes[n] != 0 && codes[n] == code)
            return uint8_t(1u << n);
    return 0;
}

// Buttons 1-8 down according to a key state bitmask.
uint8_t buttonsIn(const std::array<unsigned, 8>& codes, const unsigned char* keyBits) {
    uint8_t down = 0;
    for (std::size_t n = 0; n < codes.size(); ++n)
        if (codes[n] != 0 && (keyBits[codes[n] / 8] >> (codes[n] % 8)) & 1)
            down |= uint8_t(1u << n);
    return down;
}

// Asks the kernel to queue only our eight buttons' events for this reader, so a
// noisy axis costs nothing here. Older kernels refuse: then we skip such events.
void deliverOnlyButtons(int fd, const std::array<unsigned, 8>& codes) {
    unsigned char keys[KEY_CNT / 8] = {};
    for (unsigned code : codes)
        if (code != 0)
            keys[code / 8] |= uint8_t(1u << (code % 8));
    input_mask mask{EV_KEY, sizeof keys, reinterpret_cast<uintptr_t>(keys)};
    if (::ioctl(fd, EVIOCSMASK, &mask) != 0)
        return;
    for (unsigned type :
         {EV_REL, EV_ABS, EV_MSC, EV_SW, EV_LED, EV_SND, EV_REP, EV_FF, EV_PWR, EV_FF_STATUS}) {
        input_mask none{type, 0, 0};
        ::ioctl(fd, EVIOCSMASK, &none);
    }
}

} // namespace

TEvdevJoystick::TEvdevJoystick(TEvdevPaths paths, TDiagnostic diagnostic)
    : paths_(std::move(paths)) {
    epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (epollFd_ < 0 || wakeFd_ < 0) {
        const int error = errno;
        closeAll();
        throw std::system_error(error, std::generic_category(), "joystick reader");
    }
    epoll_event wake{EPOLLIN, {.u64 = kWakeTag}};
    ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, wakeFd_, &wake);
    // Watch before listing, so that no joystick falls between the two. Without
    // a watch the joysticks listed now are all there will be.
    notifyFd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (notifyFd_ >= 0 &&
        ::inotify_add_watch(notifyFd_, paths_.inputDir.c_str(), kNodeEvents) >= 0) {
        epoll_event notify{EPOLLIN, {.u64 = kNotifyTag}};
        ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, notifyFd_, &notify);
    }
    scan(DiagnosticOrStderr(std::move(diagnostic)));

    // Signals are for the main thread; the reader must not be the one they interrupt.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    try {
        reader_ = std::thread([this] { run(); });
    } catch (...) {
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        closeAll();
        throw;
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

TEvdevJoystick::~TEvdevJoystick() {
    if (reader_.joinable()) {
        const uint64_t one = 1;
        ssize_t ignored = ::write(wakeFd_, &one, sizeof one);
        (void)ignored;
        reader_.join();
    }
    closeAll();
}

void TEvdevJoystick::closeAll() {
    for (Source& source : sources_)
        if (source.fd >= 0)
            ::close(source.fd);
    sources_.clear();
    for (int* fd : {&notifyFd_, &wakeFd_, &epollFd_}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void TEvdevJoystick::scan(const TDiagnostic& diagnostic) {
    for (const auto& entry : eventNodes(paths_.inputDir))
        openBoard(entry.second, &diagnostic);
}

bool TEvdevJoystick::openBoard(const std::string& name, const TDiagnostic* diagnostic) {
    const std::string node = paths_.inputDir + "/" + name;
    const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // Only the listing at start-up says so: a node plugged in later often
        // gets its permissions a moment after it appears, and we try again then.
        const int error = errno;
        TInputCaps caps;
        if (diagnostic && (error == EACCES || error == EPERM) &&
            ReadSysfsCaps(paths_.sysClassDir + "/" + name, caps) && IsJoystick(caps))
            (*diagnostic)("Vostrel: joystick " + node + " skipped: " + std::strerror(error) +
                          "; add the user to group \"input\" or give the device a udev rule "
                          "with TAG+=\"uaccess\"");
        return false;
    }
    Source source;
    source.node = node;
    source.fd = fd;
    bool joystick = false;
    if (libevdev* dev = libevdev_new()) {
        libevdev_set_device_log_function(dev, quietLog, LIBEVDEV_LOG_ERROR, nullptr);
        if (libevdev_set_fd(dev, fd) == 0) {
            const TInputCaps caps = capsOf(dev);
            joystick = IsJoystick(caps);
            source.codes = ButtonCodes(caps.key);
            for (std::size_t n = 0; n < source.codes.size(); ++n)
                if (source.codes[n] != 0 && libevdev_get_event_value(dev, EV_KEY, source.codes[n]))
                    source.down |= uint8_t(1u << n);
        }
        libevdev_free(dev); // from here on we read the node ourselves
    }
    epoll_event ready{EPOLLIN, {.u64 = kFirstSource + sources_.size()}};
    if (!joystick || ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &ready) != 0) {
        ::close(fd);
        return false;
    }
    deliverOnlyButtons(fd, source.codes);
    const uint8_t down = source.down;
    sources_.push_back(std::move(source)); // first, so that every board has its source
    std::lock_guard lock(mutex_);
    boards_.push_back(Board{node, down, 0, false});
    return true;
}

void TEvdevJoystick::run() {
    epoll_event ready[16];
    for (;;) {
        const int n = ::epoll_wait(epollFd_, ready, 16, -1);
        if (n < 0 && errno != EINTR)
            return;
        for (int i = 0; i < n; ++i) {
            const uint64_t tag = ready[i].data.u64;
            if (tag == kWakeTag)
                return;
            std::lock_guard lock(readMutex_);
            if (tag == kNotifyTag)
                onNodesChanged();
            else if (Source& source = sources_[tag - kFirstSource]; source.fd >= 0)
                drain(source);
        }
    }
}

void TEvdevJoystick::drain(Source& source) {
    constexpr std::size_t kBatch = 64;
    alignas(input_event) unsigned char buffer[kBatch * sizeof(input_event)];
    const uint8_t before = source.down;
    uint8_t edges = 0;
    uint64_t count = 0;
    for (;;) {
        // A node hands over whole events; an emulated one may split them.
        std::memcpy(buffer, source.partial.data(), source.carry);
        const std::size_t room = sizeof buffer - source.carry;
        const ssize_t n = ::read(source.fd, buffer + source.carry, room);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        if (n <= 0) { // ENODEV once unplugged; any other failure means the same to us
            lose(source);
            return;
        }
        const std::size_t bytes = source.carry + std::size_t(n);
        const std::size_t whole = bytes / sizeof(input_event);
        source.carry = bytes % sizeof(input_event);
        std::memcpy(source.partial.data(), buffer + whole * sizeof(input_event), source.carry);
        if (!take(source, reinterpret_cast<const input_event*>(buffer), whole, edges)) {
            lose(source);
            return;
        }
        count += whole;
        if (std::size_t(n) < room)
            break; // drained; the wait tells us of anything newer
    }
    if (source.down != before || edges != 0) {
        std::lock_guard lock(mutex_);
        Board& board = boards_[std::size_t(&source - sources_.data())];
        board.down = source.down;
        board.latched |= edges;
    }
    events_.fetch_add(count, std::memory_order_release);
}

// Follows the events in order: buttons down now in source.down, down edges
// added to `edges`. False when the device has gone.
bool TEvdevJoystick::take(Source& source, const input_event* events, std::size_t count,
                          uint8_t& edges) {
    for (std::size_t i = 0; i < count; ++i) {
        const input_event& ev = events[i];
        if (source.dropping) {
            // The kernel's rule: what came before the next report is incomplete;
            // after it, ask for the state and go on with the events that follow.
            // Edges already seen stay latched.
            if (ev.type != EV_SYN || ev.code != SYN_REPORT)
                continue;
            source.dropping = false;
            unsigned char keys[KEY_CNT / 8] = {};
            if (::ioctl(source.fd, EVIOCGKEY(sizeof keys), keys) < 0)
                return false;
            const uint8_t down = buttonsIn(source.codes, keys);
            edges |= down & ~source.down;
            source.down = down;
        } else if (ev.type == EV_SYN && ev.code == SYN_DROPPED) {
            source.dropping = true;
            drops_.fetch_add(1, std::memory_order_relaxed);
        } else if (ev.type == EV_KEY) {
            const uint8_t button = buttonOf(source.codes, ev.code);
            if (ev.value == 0) {
                source.down &= uint8_t(~button);
            } else {
                edges |= button & ~source.down; // a key repeat (2) is no new press
                source.down |= button;
            }
        }
    }
    return true;
}

void TEvdevJoystick::lose(Source& source) {
    ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, source.fd, nullptr);
    ::close(source.fd);
    source.fd = -1;
    std::lock_guard lock(mutex_);
    boards_[std::size_t(&source - sources_.data())].gone = true;
}

// Whatever the node holds that the reader has not taken yet, taken now: a
// reader kept off the processor must not stretch a short press over two ticks.
void TEvdevJoystick::confirm(uint32_t id) {
    std::lock_guard lock(readMutex_);
    Source& source = sources_[id];
    pollfd pending{source.fd, POLLIN, 0};
    if (source.fd >= 0 && ::poll(&pending, 1, 0) > 0)
        drain(source);
}

bool TEvdevJoystick::isOpen(const std::string& node) const {
    return std::any_of(sources_.begin(), sources_.end(),
                       [&](const Source& s) { return s.fd >= 0 && s.node == node; });
}

void TEvdevJoystick::onNodesChanged() {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(notifyFd_, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (const char* p = buffer; p < buffer + n;) {
            const auto* change = reinterpret_cast<const inotify_event*>(p);
            p += sizeof(inotify_event) + change->len;
            if (change->mask & IN_Q_OVERFLOW) {
                rescan();
                continue;
            }
            if (change->len == 0 || eventNumber(change->name) < 0)
                continue;
            const std::string node = paths_.inputDir + "/" + change->name;
            if (change->mask & (IN_DELETE | IN_MOVED_FROM)) {
                // A removed node is a device gone, even before its descriptor notices.
                for (Source& source : sources_)
                    if (source.fd >= 0 && source.node == node)
                        lose(source);
            } else if (!isOpen(node)) {
                openBoard(change->name, nullptr); // appended: the next joystick number
            }
        }
    }
}

// The watch lost track of changes: compare the folder with what we hold.
void TEvdevJoystick::rescan() {
    const auto nodes = eventNodes(paths_.inputDir);
    for (Source& source : sources_) {
        const bool listed = std::any_of(nodes.begin(), nodes.end(), [&](const auto& entry) {
            return paths_.inputDir + "/" + entry.second == source.node;
        });
        if (source.fd >= 0 && !listed)
            lose(source);
    }
    for (const auto& entry : nodes)
        if (!isOpen(paths_.inputDir + "/" + entry.second))
            openBoard(entry.second, nullptr);
}

uint32_t TEvdevJoystick::NumDevs() {
    std::lock_guard lock(mutex_);
    return static_cast<uint32_t>(boards_.size());
}

uint32_t TEvdevJoystick::GetPos(uint32_t id, TJoyInfo& info) {
    // A button that was down at the previous reading and has not gone down
    // again since is reported once the node is known to hold no release.
    bool held = false;
    {
        std::lock_guard lock(mutex_);
        held = id < boards_.size() && !boards_[id].gone &&
               (boards_[id].down & ~boards_[id].latched) != 0;
    }
    if (held)
        confirm(id);
    uint32_t result = MMSYSERR_BADDEVICEID_JOY;
    uint32_t buttons = 0;
    {
        std::lock_guard lock(mutex_);
        if (id < boards_.size()) {
            const Board& board = boards_[id];
            result = board.gone ? JOYERR_UNPLUGGED : JOYERR_NOERROR;
            buttons = board.down | board.latched;
        }
        for (Board& board : boards_)
            board.latched = 0;
    }
    if (result == JOYERR_NOERROR) {
        info = TJoyInfo{};
        info.wButtons = buttons;
    }
    return result;
}

std::string TEvdevJoystick::NodeOf(uint32_t id) const {
    std::lock_guard lock(mutex_);
    return id < boards_.size() ? boards_[id].node : std::string();
}

TEvdevJoystick::TCounters TEvdevJoystick::Counters() const {
    return TCounters{events_.load(std::memory_order_acquire),
                     drops_.load(std::memory_order_relaxed)};
}

} // namespace vostrel
