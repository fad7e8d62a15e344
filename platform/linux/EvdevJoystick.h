#pragma once
// The joystick service on Linux: the joysticks and gamepads among the evdev
// nodes, read through libevdev without blocking.

#include "engine/Platform.h"
#include "platform/linux/Diagnostics.h"

#include <memory>
#include <string>
#include <vector>

namespace vostrel {

struct TEvdevPaths {
    std::string inputDir = "/dev/input";          // the event nodes
    std::string sysClassDir = "/sys/class/input"; // their sysfs folders
};

class TEvdevJoystick final : public IJoystick {
public:
    // Lists the joysticks once, ordered by event number. A joystick node we may
    // not open is skipped with one line to `diagnostic` (stderr when empty).
    explicit TEvdevJoystick(TEvdevPaths paths = {}, TDiagnostic diagnostic = {});
    ~TEvdevJoystick() override;
    TEvdevJoystick(const TEvdevJoystick&) = delete;
    TEvdevJoystick& operator=(const TEvdevJoystick&) = delete;

    uint32_t NumDevs() override;
    // Button N is down in the mask when it is down now or was pressed since the
    // previous read of this id. 165 for an id past the list, 167 once the
    // device has gone.
    uint32_t GetPos(uint32_t id, TJoyInfo& info) override;

    // The node behind joystick `id` ("/dev/input/event5"); empty past the list.
    std::string NodeOf(uint32_t id) const;

private:
    struct Device;
    void scan(const TEvdevPaths& paths, const TDiagnostic& diagnostic);

    std::vector<std::unique_ptr<Device>> devices_;
};

} // namespace vostrel
