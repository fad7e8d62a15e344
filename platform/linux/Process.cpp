#include "platform/linux/Process.h"

#include <csignal>

namespace vostrel {

void prepareProcess() {
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace vostrel
