#include "platform/linux/EvdevCaps.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace vostrel {

namespace {

template <std::size_t N>
std::size_t countSet(const std::bitset<N>& bits, unsigned from, unsigned to) {
    std::size_t n = 0;
    for (unsigned i = from; i <= to && i < N; ++i)
        n += bits.test(i);
    return n;
}

// Keys any real keyboard has; a "joystick" with several of them is a keyboard.
constexpr unsigned kWellKnownKeyboardKeys[] = {
    KEY_LEFTCTRL, KEY_CAPSLOCK, KEY_NUMLOCK, KEY_INSERT,    KEY_MUTE,
    KEY_CALC,     KEY_FILE,     KEY_MAIL,    KEY_PLAYPAUSE, KEY_BRIGHTNESSDOWN,
};

// sysfs writes a bitmask as hexadecimal machine words, most significant first.
template <std::size_t N> bool parseBits(const std::string& text, std::bitset<N>& bits) {
    std::istringstream in(text);
    std::vector<unsigned long> words;
    std::string word;
    while (in >> word) {
        char* end = nullptr;
        unsigned long value = std::strtoul(word.c_str(), &end, 16);
        if (*end != '\0')
            return false;
        words.push_back(value);
    }
    if (words.empty())
        return false;
    bits.reset();
    constexpr unsigned kWordBits = sizeof(unsigned long) * CHAR_BIT;
    for (std::size_t w = 0; w < words.size(); ++w) {
        unsigned long value = words[words.size() - 1 - w];
        for (unsigned b = 0; b < kWordBits; ++b) {
            std::size_t bit = w * kWordBits + b;
            if (bit < N && (value >> b) & 1UL)
                bits.set(bit);
        }
    }
    return true;
}

template <std::size_t N> bool readBits(const std::string& path, std::bitset<N>& bits) {
    std::ifstream in(path);
    std::string line;
    return in && std::getline(in, line) && parseBits(line, bits);
}

} // namespace

bool IsJoystick(const TInputCaps& c) {
    const bool hasKeys = c.ev.test(EV_KEY);
    const bool hasAbsCoordinates = c.abs.test(ABS_X) && c.abs.test(ABS_Y);
    if (c.prop.test(INPUT_PROP_ACCELEROMETER) ||
        (!hasKeys && hasAbsCoordinates && c.abs.test(ABS_Z)))
        return false;

    const bool hasStylus = c.key.test(BTN_STYLUS);
    const bool hasPen = c.key.test(BTN_TOOL_PEN);
    const bool fingerButNoPen = c.key.test(BTN_TOOL_FINGER) && !hasPen;
    const bool hasMouseButton = countSet(c.key, BTN_MOUSE, BTN_JOYSTICK - 1) > 0;
    const bool isDirect = c.prop.test(INPUT_PROP_DIRECT);
    const bool hasTouch = c.key.test(BTN_TOUCH);
    const bool hasPadButtons = c.key.test(BTN_0) && c.key.test(BTN_1) && !hasPen;
    const bool hasWheel = c.ev.test(EV_REL) && (c.rel.test(REL_WHEEL) || c.rel.test(REL_HWHEEL));

    // A mouse with more than 16 buttons runs into the joystick range: not a joystick.
    std::size_t buttons = 0;
    if (!c.key.test(BTN_JOYSTICK - 1)) {
        buttons += countSet(c.key, BTN_JOYSTICK, BTN_DIGI - 1);
        buttons += countSet(c.key, BTN_TRIGGER_HAPPY1, BTN_TRIGGER_HAPPY40);
        buttons += countSet(c.key, BTN_DPAD_UP, BTN_DPAD_RIGHT);
    }
    const std::size_t axes = countSet(c.abs, ABS_RX, ABS_PRESSURE - 1);

    bool joystick = buttons > 0 || axes > 0;
    // With absolute X and Y, tablets, touchpads, absolute mice and touchscreens go first.
    if (hasAbsCoordinates && (hasStylus || hasPen || (fingerButNoPen && !isDirect) ||
                              hasMouseButton || hasTouch || isDirect))
        joystick = false;
    if (!joystick)
        return false;

    std::size_t keyboardKeys = 0;
    if (hasKeys)
        for (unsigned k : kWellKnownKeyboardKeys)
            keyboardKeys += c.key.test(k);
    if (keyboardKeys >= 4 || buttons + axes < 2)
        return false;
    if (hasWheel && hasPadButtons) // a tablet pad
        return false;
    return true;
}

std::array<unsigned, 8> ButtonCodes(const std::bitset<KEY_CNT>& key) {
    std::array<unsigned, 8> codes{};
    std::size_t n = 0;
    auto take = [&](unsigned from, unsigned to) {
        for (unsigned code = from; code <= to && n < codes.size(); ++code)
            if (key.test(code))
                codes[n++] = code;
    };
    take(BTN_JOYSTICK, KEY_MAX);
    take(BTN_MISC, BTN_JOYSTICK - 1);
    return codes;
}

bool ReadSysfsCaps(const std::string& eventDir, TInputCaps& caps) {
    // The event node's parent is the input device that carries the capabilities.
    const std::string device = eventDir + "/../";
    caps = TInputCaps{};
    if (!readBits(device + "capabilities/ev", caps.ev))
        return false;
    // Masks of event types the device lacks read as "0"; a missing file means the same.
    readBits(device + "capabilities/key", caps.key);
    readBits(device + "capabilities/abs", caps.abs);
    readBits(device + "capabilities/rel", caps.rel);
    readBits(device + "properties", caps.prop);
    return true;
}

} // namespace vostrel
