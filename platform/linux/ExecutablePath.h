#pragma once
// Where the running program lies, and so where its settings file lies.

#include <string>

namespace vostrel {

// The running executable's full path (from /proc/self/exe); empty when the
// system cannot tell.
std::string executablePath();

// The settings path: executablePath() with its extension replaced by ".ini",
// or ".ini" appended when its file name has none.
std::string linuxSettingsPath();

} // namespace vostrel
