#pragma once
// The calls with which a save puts a new settings file in place. Tests replace
// some of them to make a save fail or stop halfway.

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace vostrel {

class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    // Each behaves as the system call of the same name: -1 and errno on failure.
    virtual int Open(const std::string& path, int flags, mode_t mode) = 0;
    virtual ssize_t Write(int fd, const void* data, std::size_t size) = 0;
    virtual int Fsync(int fd) = 0;
    virtual int Close(int fd) = 0;
    virtual int Rename(const std::string& from, const std::string& to) = 0;
};

class TPosixFileSystem : public IFileSystem {
public:
    int Open(const std::string& path, int flags, mode_t mode) override;
    ssize_t Write(int fd, const void* data, std::size_t size) override;
    int Fsync(int fd) override;
    int Close(int fd) override;
    int Rename(const std::string& from, const std::string& to) override;
};

// The target of symbolic link `path` as stored in the link; empty on failure.
std::string readLink(const std::string& path);

} // namespace vostrel
