#pragma once
// The system's texts for error codes, and the thread error built from them.

#include <cstdint>
#include <string>

namespace vostrel::win32 {

// The system's message for `code`, without trailing blanks, line breaks and full
// stops, so that it reads well inside a sentence.
std::string systemMessage(uint32_t code);

// Raises EThread ("Thread Error: %s (%d)") for `code`.
[[noreturn]] void raiseThreadError(uint32_t code);

} // namespace vostrel::win32
