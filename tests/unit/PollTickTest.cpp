#include "engine/PollTick.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <memory>

using namespace vostrel;
using test::EventLog;
using Events = std::vector<std::string>;

namespace {

class PollTickFixture : public ::testing::Test {
protected:
    PollTickFixture() : launcher(log), app(log) {
        for (int n = 1; n <= 8; ++n) {
            lamps.push_back(std::make_unique<test::RecordingLamp>(log, n));
            io.lamps[n - 1] = lamps.back().get();
        }
        io.joystickNumber = [this] { return number; };
        io.triggerPath = [this] { return path; };
        io.joystick = &joystick;
        io.launcher = &launcher;
        io.application = &app;
    }
    void tick(uint32_t result, uint32_t buttons) {
        joystick.script.push_back({result, buttons});
        RunPollTick(io);
    }

    EventLog log;
    test::ScriptedJoystick joystick;
    test::RecordingLauncher launcher;
    test::RecordingApplication app;
    std::vector<std::unique_ptr<test::RecordingLamp>> lamps;
    PollTickIo io;
    int32_t number = 1;
    std::string path = "/opt/lap counter/trigger";
};

} // namespace

TEST_F(PollTickFixture, AllButtonsUpPaintsEveryLampWhiteAndLaunchesNothing) {
    tick(JOYERR_NOERROR, 0);
    Events expected;
    for (int n = 1; n <= 8; ++n)
        expected.push_back("lamp " + std::to_string(n) + " white");
    EXPECT_EQ(log.events, expected);
}

TEST_F(PollTickFixture, PressedButtonsLaunchInAscendingOrderEachLampSetJustBeforeItsLaunch) {
    tick(JOYERR_NOERROR, 0x01 | 0x04 | 0xFF00); // buttons 1 and 3; 9 and up ignored
    const Events expected = {
        "lamp 1 red",
        "launch /opt/lap counter/trigger 1",
        "lamp 2 white",
        "lamp 3 red",
        "launch /opt/lap counter/trigger 3",
        "lamp 4 white",
        "lamp 5 white",
        "lamp 6 white",
        "lamp 7 white",
        "lamp 8 white",
    };
    EXPECT_EQ(log.events, expected);
}

TEST_F(PollTickFixture, AHeldButtonLaunchesOnEveryTickWithThePathOfThatMoment) {
    for (int i = 0; i < 10; ++i) {
        if (i == 5)
            path = "/new/trigger";
        tick(JOYERR_NOERROR, 0x80);
    }
    int launches = 0;
    for (const auto& e : log.events)
        launches += e.rfind("launch ", 0) == 0;
    EXPECT_EQ(launches, 10);
    EXPECT_EQ(log.events.back(), "launch /new/trigger 8");
}

TEST_F(PollTickFixture, TheIdIsTheNumberMinusOneAsAnUnsignedValue) {
    number = 1;
    tick(JOYERR_NOERROR, 0);
    number = 0;
    tick(JOYERR_NOERROR, 0);
    number = 5;
    tick(JOYERR_NOERROR, 0);
    EXPECT_EQ(joystick.idsAsked, (std::vector<uint32_t>{0u, 0xFFFFFFFFu, 4u}));
}

TEST_F(PollTickFixture, JoystickFailuresShowTheirBoxThenRequestTermination) {
    struct Case {
        uint32_t result;
        std::string box;
    };
    const Case cases[] = {
        {MMSYSERR_NODRIVER, "box No joystick driver. | Errot | 16"},
        {MMSYSERR_INVALPARAM, "box Internal error. | Error | 16"},
        {JOYERR_UNPLUGGED, "box Joystick unplugged. | Chyba | 16"},
    };
    for (const Case& c : cases) {
        log.events.clear();
        tick(c.result, 0xFF); // a failed reading's buttons mean nothing
        EXPECT_EQ(log.events, (Events{c.box, "terminate"})) << c.result;
    }
}

TEST_F(PollTickFixture, AnyOtherResultLeavesTheLampsAndLaunchesNothing) {
    for (uint32_t result : {1u, 5u, 165u, 0xFFFFFFFFu})
        tick(result, 0xFF);
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(app.terminations, 0);
}
