#include "settings/IniText.h"

#include <cstdint>

namespace vostrel::ini {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t\r\v\f";

enum class Encoding { Bytes, Utf16LE, Utf16BE };

// A file's text as UTF-8 (UTF-16 files converted), with what it takes to turn
// it back into exactly the same bytes.
struct Decoded {
    Encoding encoding = Encoding::Bytes;
    std::string text;
    std::string oddByte; // a UTF-16 file's dangling last byte, kept as it was
};

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Unpaired surrogates are carried through as three-byte sequences of their own,
// so that a file which is not valid UTF-16 still comes back byte for byte.
Decoded decode(std::string_view bytes) {
    Decoded d;
    bool le = bytes.starts_with("\xFF\xFE");
    if (!le && !bytes.starts_with("\xFE\xFF")) {
        d.text = bytes;
        return d;
    }
    d.encoding = le ? Encoding::Utf16LE : Encoding::Utf16BE;
    auto unit = [&](std::size_t at) {
        auto a = static_cast<uint8_t>(bytes[at]), b = static_cast<uint8_t>(bytes[at + 1]);
        return static_cast<uint32_t>(le ? (b << 8 | a) : (a << 8 | b));
    };
    std::size_t at = 2;
    for (; at + 1 < bytes.size(); at += 2) {
        uint32_t u = unit(at);
        if (u >= 0xD800 && u < 0xDC00 && at + 3 < bytes.size()) {
            uint32_t low = unit(at + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(d.text, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                at += 2;
                continue;
            }
        }
        appendUtf8(d.text, u);
    }
    d.oddByte = bytes.substr(at);
    return d;
}

// The inverse of decode(); bytes that are not UTF-8 (they can only come from a
// new value) become U+FFFD.
std::string encode(const Decoded& d) {
    if (d.encoding == Encoding::Bytes)
        return d.text;
    bool le = d.encoding == Encoding::Utf16LE;
    std::string out = le ? "\xFF\xFE" : "\xFE\xFF";
    auto put = [&](uint32_t u) {
        char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += le ? lo : hi;
        out += le ? hi : lo;
    };
    const std::string& s = d.text;
    for (std::size_t i = 0; i < s.size();) {
        auto lead = static_cast<uint8_t>(s[i]);
        std::size_t len = lead < 0x80    ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC0 ? 2
                                         : 0;
        uint32_t cp = len == 1   ? lead
                      : len == 2 ? lead & 0x1F
                      : len == 3 ? lead & 0x0F
                                 : lead & 0x07;
        bool ok = len != 0 && i + len <= s.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            auto c = static_cast<uint8_t>(s[i + k]);
            ok = (c & 0xC0) == 0x80;
            cp = cp << 6 | (c & 0x3F);
        }
        if (!ok || cp > 0x10FFFF) {
            put(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
        i += len;
    }
    return out + d.oddByte;
}

std::string_view trim(std::string_view s) {
    auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// Where a section and a key lie in a file's text.
struct Location {
    bool sectionFound = false;
    // Where a new key goes: after the section's last line that is not blank.
    std::size_t insertAt = 0;
    bool insertAfterUnterminatedLine = false;
    bool keyFound = false;
    std::size_t valueBegin = 0; // after the '=' and the blanks that follow it
    std::size_t lineEnd = 0;    // before the line's CR LF
    std::string_view value;     // without surrounding blanks
};

Location locate(std::string_view text, std::string_view section, std::string_view key) {
    Location loc;
    std::size_t begin = text.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
    while (begin < text.size()) {
        std::size_t newline = text.find('\n', begin);
        std::size_t next = newline == std::string_view::npos ? text.size() : newline + 1;
        std::size_t end = newline == std::string_view::npos ? text.size() : newline;
        if (end > begin && text[end - 1] == '\r')
            --end;
        std::string_view line = trim(text.substr(begin, end - begin));
        std::size_t close = line.find(']');
        if (line.starts_with('[') && close != std::string_view::npos) {
            if (loc.sectionFound)
                break;
            if (sameName(trim(line.substr(1, close - 1)), section)) {
                loc.sectionFound = true;
                loc.insertAt = next;
                loc.insertAfterUnterminatedLine = newline == std::string_view::npos;
            }
        } else if (loc.sectionFound && !line.empty()) {
            loc.insertAt = next;
            loc.insertAfterUnterminatedLine = newline == std::string_view::npos;
            std::size_t equals = line.find('=');
            if (equals != std::string_view::npos && sameName(trim(line.substr(0, equals)), key)) {
                std::size_t raw = text.find('=', begin) + 1;
                std::size_t valueBegin = text.find_first_not_of(" \t", raw);
                loc.keyFound = true;
                loc.valueBegin = valueBegin < end ? valueBegin : end;
                loc.lineEnd = end;
                loc.value = trim(line.substr(equals + 1));
                return loc;
            }
        }
        begin = next;
    }
    return loc;
}

// Cuts to the read limit without splitting a UTF-8 sequence.
std::string cut(std::string_view s) {
    if (s.size() <= kMaxReadLength)
        return std::string(s);
    std::size_t n = kMaxReadLength;
    for (int back = 0; back < 3 && n > 0 && (static_cast<uint8_t>(s[n]) & 0xC0) == 0x80; ++back)
        --n;
    if ((static_cast<uint8_t>(s[n]) & 0xC0) == 0x80)
        n = kMaxReadLength; // not UTF-8 at all: plain bytes
    return std::string(s.substr(0, n));
}

} // namespace

std::string readValue(std::optional<std::string_view> fileBytes, std::string_view section,
                      std::string_view key, std::string_view defaultText) {
    if (!fileBytes)
        return cut(defaultText);
    Decoded d = decode(*fileBytes);
    Location loc = locate(d.text, section, key);
    if (!loc.keyFound)
        return cut(defaultText);
    std::string_view v = loc.value;
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return cut(v);
}

bool fitsOnOneLine(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string writeValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                       std::string_view value) {
    Decoded d = decode(fileBytes);
    std::string& text = d.text;
    std::string entry = std::string(key) + "=" + std::string(value) + "\r\n";
    Location loc = locate(text, section, key);
    if (loc.keyFound) {
        text.replace(loc.valueBegin, loc.lineEnd - loc.valueBegin, value);
    } else if (loc.sectionFound) {
        if (loc.insertAfterUnterminatedLine)
            entry.insert(0, "\r\n");
        text.insert(loc.insertAt, entry);
    } else {
        bool hasContent = text.size() > (text.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0);
        if (hasContent && !text.ends_with('\n'))
            text += "\r\n";
        text += "[" + std::string(section) + "]\r\n" + entry;
    }
    return encode(d);
}

} // namespace vostrel::ini
