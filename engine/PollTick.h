#pragma once
// One poll tick: read the selected joystick, show buttons 1 to 8 on their
// lamps and launch the trigger program once for every button found down.

#include "engine/Platform.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace vostrel {

using TColor = uint32_t; // 0x00BBGGRR
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clWhite = 0xFFFFFF;

class ILamp {
public:
    virtual ~ILamp() = default;
    virtual void SetColor(TColor colour) = 0;
};

// What a tick reads and drives. The number and the path are read afresh on
// every tick, since the user may change them at any moment.
struct PollTickIo {
    std::function<int32_t()> joystickNumber;
    std::function<std::string()> triggerPath;
    IJoystick* joystick = nullptr;
    std::array<ILamp*, 8> lamps{};
    ILauncher* launcher = nullptr;
    IApplication* application = nullptr;
};

void RunPollTick(const PollTickIo& io);

} // namespace vostrel
