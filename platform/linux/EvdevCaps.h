#pragma once
// What an input device says it can do, and what we make of it: whether it is
// a joystick or gamepad, and which of its key codes are buttons 1 to 8.

#include <linux/input-event-codes.h>

#include <array>
#include <bitset>
#include <string>

namespace vostrel {

struct TInputCaps {
    std::bitset<EV_CNT> ev;
    std::bitset<KEY_CNT> key;
    std::bitset<ABS_CNT> abs;
    std::bitset<REL_CNT> rel;
    std::bitset<INPUT_PROP_CNT> prop;
};

// The same judgement udev's input_id makes for ID_INPUT_JOYSTICK: joystick or
// gamepad buttons, or joystick axes, on a device that is not a keyboard, mouse,
// touchpad, touchscreen, tablet or accelerometer.
bool IsJoystick(const TInputCaps& caps);

// Key codes of buttons 1 to 8 in the order the kernel's joystick interface
// numbers them: from BTN_JOYSTICK upward, then from BTN_MISC to BTN_JOYSTICK - 1.
// A zero entry means the device has fewer buttons.
std::array<unsigned, 8> ButtonCodes(const std::bitset<KEY_CNT>& key);

// Fills `caps` from the sysfs folder of an event node (/sys/class/input/eventN),
// for nodes we may not open. False when the capabilities cannot be read.
bool ReadSysfsCaps(const std::string& eventDir, TInputCaps& caps);

} // namespace vostrel
