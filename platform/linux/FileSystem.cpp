#include "platform/linux/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace vostrel {

int TPosixFileSystem::Open(const std::string& path, int flags, mode_t mode) {
    return ::open(path.c_str(), flags, mode);
}

ssize_t TPosixFileSystem::Write(int fd, const void* data, std::size_t size) {
    return ::write(fd, data, size);
}

int TPosixFileSystem::Fsync(int fd) {
    return ::fsync(fd);
}

int TPosixFileSystem::Close(int fd) {
    return ::close(fd);
}

int TPosixFileSystem::Rename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str());
}

std::string readLink(const std::string& path) {
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            return buffer;
        }
        buffer.resize(buffer.size() * 2); // may have been cut: try a larger buffer
    }
}

} // namespace vostrel
