#pragma once
// Whole numbers as the settings file holds them.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vostrel {

// Reads `text` as a signed 32-bit number, or gives `defaultValue` when it is
// not exactly: leading spaces, at most one sign, then either "$", "x", "X",
// "0x" or "0X" and up to 8 significant hexadecimal digits (a 32-bit pattern,
// so $FFFFFFFF is -1), or decimal digits within the signed 32-bit range.
// Nothing may follow the digits.
int32_t strToIntDef(std::string_view text, int32_t defaultValue);
// The same reading, with no number when the text is not one.
std::optional<int32_t> parseInteger(std::string_view text);

} // namespace vostrel
