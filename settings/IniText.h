#pragma once
// The text rules of INI files as the profile functions apply them, on a file's
// bytes in memory: finding a value, and producing the file's new bytes after a
// write that changes that one value and keeps every other byte.
//
// Files are 8-bit text, optionally starting with a UTF-8 byte-order mark; a
// file that starts with a UTF-16 byte-order mark is read and written as UTF-16
// (values are exchanged as UTF-8). Section and key names are compared without
// regard to ASCII letter case; blanks around names and values do not count.
// Only the first section of a name and its first entry of a key are used.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vostrel::ini {

// The longest text a profile read returns (its buffer holds 2048 with the zero).
inline constexpr std::size_t kMaxReadLength = 2047;

// The text a profile read returns: the value without one pair of enclosing
// single or double quotation marks, `defaultText` when there is no file
// (`fileBytes` empty), no such section or no such key; cut to kMaxReadLength.
std::string readValue(std::optional<std::string_view> fileBytes, std::string_view section,
                      std::string_view key, std::string_view defaultText);

// False for a text holding a line break or a zero, which cannot be written
// into one line of the file without changing other entries.
bool fitsOnOneLine(std::string_view text);

// The file's bytes after writing key=value into the section: the value of the
// key's first entry is replaced, or the key is added at the end of the section,
// or the section is added at the end of the file. New lines end in CR LF.
// An empty `fileBytes` (no file yet) gives exactly "[section]\r\nkey=value\r\n".
std::string writeValue(std::string_view fileBytes, std::string_view section, std::string_view key,
                       std::string_view value);

} // namespace vostrel::ini
