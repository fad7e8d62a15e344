#pragma once
// The seven priority levels of the timer's worker thread and the platform
// seam that applies them.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace vostrel {

enum class TThreadPriority {
    tpIdle,
    tpLowest,
    tpLower,
    tpNormal,
    tpHigher,
    tpHighest,
    tpTimeCritical
};

// The level of its name ("tpIdle" ... "tpTimeCritical"), if it is one.
std::optional<TThreadPriority> threadPriorityNamed(std::string_view name);

// The Windows thread priority of each level, in level order.
int windowsPriorityOf(TThreadPriority level);
// The level of a Windows thread priority; a value that matches no level reads
// as tpNormal.
TThreadPriority levelOfWindowsPriority(int value);

// Applies priorities to one worker thread. Made on the main thread; attach()
// then runs first thing on the worker thread itself. set() and get() run on the
// main thread and raise EThread when the platform refuses.
class IWorkerPriority {
public:
    virtual ~IWorkerPriority() = default;
    virtual void attach() = 0;
    virtual void set(TThreadPriority level) = 0;
    virtual TThreadPriority get() = 0;
};

using WorkerPriorityFactory = std::function<std::unique_ptr<IWorkerPriority>()>;

// Keeps the level in memory: for platforms (and tests) with nothing to apply.
class RememberedPriority final : public IWorkerPriority {
public:
    void attach() override {}
    void set(TThreadPriority level) override { level_ = level; }
    TThreadPriority get() override { return level_; }

private:
    TThreadPriority level_ = TThreadPriority::tpNormal;
};

} // namespace vostrel
