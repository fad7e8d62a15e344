#include "settings/NumberText.h"

namespace vostrel {

namespace {
int digitValue(char c, bool hex) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

std::optional<int32_t> parseInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt;

    constexpr uint64_t kMagnitudeOfMin = 2147483648u;
    uint64_t magnitude = 0;
    int significantHexDigits = 0;
    for (; i < text.size(); ++i) {
        int digit = digitValue(text[i], hex);
        if (digit < 0)
            return std::nullopt;
        if (hex) {
            if ((magnitude != 0 || digit != 0) && ++significantHexDigits > 8)
                return std::nullopt;
            magnitude = magnitude * 16 + static_cast<uint64_t>(digit);
        } else {
            magnitude = magnitude * 10 + static_cast<uint64_t>(digit);
            if (magnitude > kMagnitudeOfMin)
                return std::nullopt;
        }
    }
    if (hex) {
        auto pattern = static_cast<uint32_t>(magnitude);
        return static_cast<int32_t>(negative ? 0u - pattern : pattern);
    }
    if (negative)
        return static_cast<int32_t>(0u - static_cast<uint32_t>(magnitude));
    if (magnitude == kMagnitudeOfMin)
        return std::nullopt;
    return static_cast<int32_t>(magnitude);
}

int32_t strToIntDef(std::string_view text, int32_t defaultValue) {
    return parseInteger(text).value_or(defaultValue);
}

} // namespace vostrel
