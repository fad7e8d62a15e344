#include "platform/linux/EvdevCaps.h"

#include "PlatformTestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

using vostrel::ButtonCodes;
using vostrel::IsJoystick;
using vostrel::TInputCaps;
namespace fs = std::filesystem;

namespace {

struct Caps {
    TInputCaps c;
    Caps& keys(std::initializer_list<unsigned> codes) {
        c.ev.set(EV_KEY);
        for (unsigned k : codes)
            c.key.set(k);
        return *this;
    }
    Caps& keyRange(unsigned from, unsigned to) {
        c.ev.set(EV_KEY);
        for (unsigned k = from; k <= to; ++k)
            c.key.set(k);
        return *this;
    }
    Caps& abs(std::initializer_list<unsigned> codes) {
        c.ev.set(EV_ABS);
        for (unsigned a : codes)
            c.abs.set(a);
        return *this;
    }
    Caps& rel(std::initializer_list<unsigned> codes) {
        c.ev.set(EV_REL);
        for (unsigned r : codes)
            c.rel.set(r);
        return *this;
    }
    Caps& prop(unsigned p) {
        c.prop.set(p);
        return *this;
    }
};

} // namespace

TEST(EvdevCaps, JoysticksGamepadsAndPedalsCount) {
    EXPECT_TRUE(IsJoystick(Caps().keyRange(BTN_TRIGGER, BTN_BASE2).c)); // buttons only
    EXPECT_TRUE(IsJoystick(Caps().keyRange(BTN_TRIGGER, BTN_BASE4).abs({ABS_X, ABS_Y}).c));
    EXPECT_TRUE(IsJoystick(
        Caps().keys({BTN_SOUTH, BTN_EAST, BTN_START}).abs({ABS_X, ABS_Y, ABS_RX, ABS_RY}).c));
    EXPECT_TRUE(IsJoystick(Caps().abs({ABS_RUDDER, ABS_GAS, ABS_BRAKE}).c));
}

TEST(EvdevCaps, OtherInputDevicesDoNot) {
    // A keyboard, also one that claims a few joystick buttons.
    EXPECT_FALSE(IsJoystick(Caps().keyRange(KEY_ESC, KEY_KPDOT).c));
    EXPECT_FALSE(IsJoystick(Caps()
                                .keyRange(KEY_ESC, KEY_KPDOT)
                                .keys({KEY_INSERT, KEY_MUTE, BTN_TRIGGER, BTN_THUMB})
                                .c));
    // Mice, also one whose many buttons run into the joystick range.
    EXPECT_FALSE(IsJoystick(Caps().keys({BTN_LEFT, BTN_RIGHT}).rel({REL_X, REL_Y}).c));
    EXPECT_FALSE(IsJoystick(Caps().keyRange(BTN_MOUSE, BTN_JOYSTICK + 3).rel({REL_X, REL_Y}).c));
    // Touchpad, tablet, touchscreen, accelerometer.
    EXPECT_FALSE(IsJoystick(
        Caps().keys({BTN_TOOL_FINGER, BTN_TOUCH, BTN_LEFT, BTN_SOUTH}).abs({ABS_X, ABS_Y}).c));
    EXPECT_FALSE(IsJoystick(
        Caps().keys({BTN_TOOL_PEN, BTN_STYLUS, BTN_TRIGGER, BTN_THUMB}).abs({ABS_X, ABS_Y}).c));
    EXPECT_FALSE(IsJoystick(Caps()
                                .keys({BTN_TOUCH, BTN_TRIGGER})
                                .abs({ABS_X, ABS_Y, ABS_RX})
                                .prop(INPUT_PROP_DIRECT)
                                .c));
    EXPECT_FALSE(IsJoystick(Caps().abs({ABS_X, ABS_Y, ABS_Z, ABS_RX, ABS_RY, ABS_RZ}).c));
    // A single joystick button is not enough.
    EXPECT_FALSE(IsJoystick(Caps().keys({BTN_TRIGGER}).c));
}

TEST(EvdevCaps, ReadsTheCapabilitiesSysfsShows) {
    // A gamepad as sysfs shows it: the parent of the event folder holds the masks.
    vostrel::test::TempDir tmp;
    const fs::path device = fs::path(tmp.path()) / "devices/input9";
    fs::create_directories(device / "event9");
    fs::create_directories(device / "capabilities");
    fs::create_directories(fs::path(tmp.path()) / "class");
    fs::create_directory_symlink("../devices/input9/event9", fs::path(tmp.path()) / "class/event9");
    std::ofstream(device / "capabilities/ev") << "20000b\n";
    std::ofstream(device / "capabilities/key") << "7fdb000000000000 0 0 0 0\n";
    std::ofstream(device / "capabilities/abs") << "3003f\n";
    std::ofstream(device / "capabilities/rel") << "0\n";
    std::ofstream(device / "properties") << "0\n";

    TInputCaps caps;
    ASSERT_TRUE(vostrel::ReadSysfsCaps(tmp.path() + "/class/event9", caps));
    EXPECT_TRUE(IsJoystick(caps));
    EXPECT_TRUE(caps.abs.test(ABS_HAT0Y));
    const auto codes = ButtonCodes(caps.key);
    const std::array<unsigned, 8> expected = {BTN_SOUTH, BTN_EAST, BTN_NORTH, BTN_WEST,
                                              BTN_TL,    BTN_TR,   BTN_TL2,   BTN_TR2};
    EXPECT_EQ(codes, expected);

    fs::remove(device / "capabilities/ev");
    EXPECT_FALSE(vostrel::ReadSysfsCaps(tmp.path() + "/class/event9", caps));
}
