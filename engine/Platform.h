#pragma once
// The small interfaces through which the core reaches the world: the joystick
// service, the launcher of the trigger program and the application's message
// box and termination request. Each platform (and each test) supplies its own.

#include <cstdint>
#include <string>

namespace vostrel {

// The joystick position record, field for field as the joystick service fills it.
struct TJoyInfo {
    uint32_t wXpos = 0;
    uint32_t wYpos = 0;
    uint32_t wZpos = 0;
    uint32_t wButtons = 0;
};

// Result codes of a joystick reading.
inline constexpr uint32_t JOYERR_NOERROR = 0;
inline constexpr uint32_t MMSYSERR_NODRIVER = 6;
inline constexpr uint32_t MMSYSERR_INVALPARAM = 11;
inline constexpr uint32_t MMSYSERR_BADDEVICEID_JOY = 165; // JOYERR_PARMS: a bad joystick id
inline constexpr uint32_t JOYERR_UNPLUGGED = 167;

class IJoystick {
public:
    virtual ~IJoystick() = default;
    // Number of joystick ids the service supports (ids 0 to count - 1); 0 when none.
    virtual uint32_t NumDevs() = 0;
    // Fills `info` for joystick `id` and returns one of the result codes above.
    virtual uint32_t GetPos(uint32_t id, TJoyInfo& info) = 0;
};

class ILauncher {
public:
    virtual ~ILauncher() = default;
    // Starts `path` with `argument` as its only parameter; never waits for it and
    // never reports failure.
    virtual void Launch(const std::string& path, const std::string& argument) = 0;
};

inline constexpr unsigned MB_ICONERROR = 16;

class IApplication {
public:
    virtual ~IApplication() = default;
    // A modal message box with one OK button; the hand-over keeps being serviced
    // while it is up.
    virtual void MessageBox(const std::string& text, const std::string& caption,
                            unsigned flags) = 0;
    // Asks the main loop to end and returns at once.
    virtual void Terminate() = 0;
};

} // namespace vostrel
