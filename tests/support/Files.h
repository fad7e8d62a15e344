#pragma once
// Whole-file reads and writes, byte for byte, for tests of every layer.

#include <filesystem>
#include <string>

namespace vostrel::test {

// The file's bytes; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

} // namespace vostrel::test
