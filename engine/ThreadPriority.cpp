#include "engine/ThreadPriority.h"

#include <array>

namespace vostrel {

namespace {
constexpr std::array<int, 7> kWindowsPriority = {-15, -2, -1, 0, 1, 2, 15};
constexpr std::array<std::string_view, 7> kNames = {
    "tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical"};
} // namespace

std::optional<TThreadPriority> threadPriorityNamed(std::string_view name) {
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] == name)
            return static_cast<TThreadPriority>(i);
    return std::nullopt;
}

int windowsPriorityOf(TThreadPriority level) {
    return kWindowsPriority[static_cast<std::size_t>(level)];
}

TThreadPriority levelOfWindowsPriority(int value) {
    for (std::size_t i = 0; i < kWindowsPriority.size(); ++i)
        if (kWindowsPriority[i] == value)
            return static_cast<TThreadPriority>(i);
    return TThreadPriority::tpNormal;
}

} // namespace vostrel
