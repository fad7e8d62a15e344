// Number reading on arbitrary text: never fails, and every 32-bit number
// written in decimal or hexadecimal reads back as itself.

#include "settings/NumberText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using vostrel::parseInteger;
using vostrel::strToIntDef;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto n = parseInteger(text);
    if (strToIntDef(text, 77) != n.value_or(77))
        std::abort();
    if (size >= 4) {
        int32_t x;
        std::memcpy(&x, data, 4);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d", x);
        if (parseInteger(buf) != x)
            std::abort();
        std::snprintf(buf, sizeof buf, "$%X", static_cast<uint32_t>(x));
        if (parseInteger(buf) != x)
            std::abort();
        std::snprintf(buf, sizeof buf, "  -0x%x", static_cast<uint32_t>(x));
        if (parseInteger(buf) != static_cast<int32_t>(0u - static_cast<uint32_t>(x)))
            std::abort();
    }
    return 0;
}
