#include "engine/PollTick.h"

namespace vostrel {

namespace {
struct JoystickFailure {
    uint32_t result;
    const char* text;
    const char* caption;
};
constexpr JoystickFailure kFailures[] = {
    {MMSYSERR_NODRIVER, "No joystick driver.", "Errot"},
    {MMSYSERR_INVALPARAM, "Internal error.", "Error"},
    {JOYERR_UNPLUGGED, "Joystick unplugged.", "Chyba"},
};
} // namespace

void RunPollTick(const PollTickIo& io) {
    // Number 0 asks for id 0xFFFFFFFF: the platform answers for itself.
    const uint32_t id = static_cast<uint32_t>(io.joystickNumber()) - 1u;
    TJoyInfo info;
    const uint32_t result = io.joystick->GetPos(id, info);
    if (result == JOYERR_NOERROR) {
        for (int n = 1; n <= 8; ++n) {
            if (info.wButtons & (1u << (n - 1))) {
                io.lamps[n - 1]->SetColor(clRed);
                io.launcher->Launch(io.triggerPath(), std::to_string(n));
            } else {
                io.lamps[n - 1]->SetColor(clWhite);
            }
        }
        return;
    }
    for (const JoystickFailure& f : kFailures) {
        if (f.result == result) {
            io.application->MessageBox(f.text, f.caption, MB_ICONERROR);
            io.application->Terminate();
            return;
        }
    }
    // Any other result: the lamps keep their colours and nothing starts.
}

} // namespace vostrel
