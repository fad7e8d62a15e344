// The INI text rules on arbitrary files: reading never fails, and a write
// followed by a read returns the value while other keys keep theirs.

#include "settings/IniText.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace vostrel::ini;

namespace {

// A name the file format can carry: no blanks at its ends, no line break,
// no '=' (keys) or ']' (sections), and not a comment.
bool plainName(std::string_view s, char forbidden) {
    if (s.empty() || s.front() == ' ' || s.back() == ' ' || s.front() == ';' || s.front() == '[')
        return false;
    for (unsigned char c : s)
        if (c < 32 || c == forbidden || c == '=' || c >= 127)
            return false;
    return true;
}

bool plainValue(std::string_view s) {
    if (s.size() > kMaxReadLength || !fitsOnOneLine(s))
        return false;
    if (!s.empty() &&
        (s.front() == ' ' || s.front() == '\t' || s.back() == ' ' || s.back() == '\t'))
        return false;
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return false; // read back without its quotes, by design
    for (unsigned char c : s)
        if (c < 32 || c >= 127)
            return false; // control characters count as blanks; 8-bit text may meet UTF-16
    return true;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Input: file bytes, then section, key, value and another key, split by NULs.
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::string_view parts[5];
    for (auto& p : parts) {
        const size_t cut = in.find('\0');
        p = in.substr(0, cut);
        in = cut == std::string_view::npos ? std::string_view() : in.substr(cut + 1);
    }
    const auto [file, section, key, value, other] = parts;

    const std::string before = readValue(file, section, other, "\x01");
    if (readValue(file, section, key, "").size() > kMaxReadLength)
        std::abort();

    if (!plainName(section, ']') || !plainName(key, ']') || !plainValue(value))
        return 0;
    const std::string after = writeValue(file, section, key, value);
    if (readValue(after, section, key, "\x01") != value)
        std::abort(); // the write did not take
    if (!sameName(key, other) && readValue(after, section, other, "\x01") != before)
        std::abort(); // the write changed another key
    return 0;
}
