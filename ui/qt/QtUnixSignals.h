#pragma once
// SIGTERM, SIGINT and SIGHUP (log-out, shut-down, Ctrl+C) end the program
// through the same exit steps as closing the main window.

#include <functional>

namespace vostrel::qt {

// Installs the handlers; `onSignal` runs on the main thread from the event loop.
void endOnSessionSignals(std::function<void()> onSignal);

} // namespace vostrel::qt
