#pragma once
// The one-line notes the platform layer writes for the user's administrator:
// a joystick we may not open, a trigger program that does not start.

#include <functional>
#include <string>

namespace vostrel {

using TDiagnostic = std::function<void(const std::string& line)>;

// Writes `line` and a line break to stderr in one call, so lines never interleave.
void WriteStderrLine(const std::string& line);

// `sink` itself, or WriteStderrLine when it is empty.
TDiagnostic DiagnosticOrStderr(TDiagnostic sink);

} // namespace vostrel
