#include "support/Fakes.h"

#include <thread>

namespace vostrel::test {

bool pumpUntil(HandOver& handOver, const std::function<bool()>& done,
               std::chrono::milliseconds bound) {
    const auto until = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        if (!handOver.service())
            std::this_thread::yield();
    }
    return true;
}

} // namespace vostrel::test
