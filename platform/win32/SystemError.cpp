#include "platform/win32/SystemError.h"

#include "engine/Errors.h"

#include "platform/win32/WinApi.h"

namespace vostrel::win32 {

std::string systemMessage(uint32_t code) {
    char buffer[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, buffer, sizeof buffer, nullptr);
    while (n > 0 && (static_cast<unsigned char>(buffer[n - 1]) <= ' ' || buffer[n - 1] == '.'))
        --n;
    return std::string(buffer, n);
}

void raiseThreadError(uint32_t code) {
    throw EThread(systemMessage(code), static_cast<int>(code));
}

} // namespace vostrel::win32
