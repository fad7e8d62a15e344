#include "platform/linux/ProfileFunctions.h"

#include "settings/IniText.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace vostrel {

namespace {

IFileSystem& posixFiles() {
    static TPosixFileSystem files;
    return files;
}

// The whole of a regular file, or nothing when it cannot be read. A FIFO or a
// device under the settings name must not block or be read.
std::optional<std::string> readWholeFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> result;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        std::string bytes;
        char buffer[8192];
        for (;;) {
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                bytes.append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0) {
                result = std::move(bytes);
                break;
            } else if (errno != EINTR) {
                break;
            }
        }
    }
    ::close(fd);
    return result;
}

// The folder part of a path, with its trailing slash; empty for a bare name.
std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool mayWrite(const std::string& path, int mode) {
    return ::faccessat(AT_FDCWD, path.empty() ? "." : path.c_str(), mode, AT_EACCESS) == 0;
}

// The file a write must change: a symbolic link is followed to its final target,
// so the link stays a link.
std::optional<std::string> followLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string target = readLink(path);
        if (target.empty())
            return std::nullopt;
        path = target.starts_with('/') ? target : folderOf(path) + target;
    }
    return std::nullopt;
}

bool writeAll(IFileSystem& files, int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = files.Write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n == 0 || errno != EINTR)
            return false;
    }
    return true;
}

// Makes a rename in the folder survive a power cut; some file systems cannot
// sync a folder, and the new file is in place either way.
void syncFolder(const std::string& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes `bytes` to a new file beside `target`, flushes it and renames it over
// `target`, giving it the old file's owner and mode. On failure the new file is
// removed and `target` is as it was.
bool replaceFile(IFileSystem& files, const std::string& target, const std::string& bytes,
                 const struct stat* old) {
    static std::atomic<unsigned> counter{0};
    std::string folder = folderOf(target);
    std::string stem =
        folder + "." + target.substr(folder.size()) + "." + std::to_string(::getpid()) + ".";
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = stem + std::to_string(counter++) + ".tmp";
        // A new settings file gets the usual mode for new files (umask applies).
        fd = files.Open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, old ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool ok = true;
    if (old) {
        if (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) {
            if (::fchown(fd, old->st_uid, old->st_gid) != 0) {
                // Only root may give a file away; the mode below matters more.
            }
        }
        ok = ::fchmod(fd, old->st_mode & 07777) == 0;
    }
    ok = ok && writeAll(files, fd, bytes) && files.Fsync(fd) == 0;
    ok = files.Close(fd) == 0 && ok;
    ok = ok && files.Rename(temp, target) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(folder);
    return true;
}

// Rewrites `target` where it lies, for a file the user may write in a folder he
// may not (a shared installation's). Room for the new text is taken first, so a
// full disk fails before anything changed; a write that fails after all puts
// the old bytes back, into blocks that are still theirs.
bool rewriteInPlace(IFileSystem& files, const std::string& target, const std::string& bytes,
                    const std::string& old) {
    int fd = files.Open(target, O_WRONLY | O_CLOEXEC | O_NOCTTY, 0);
    if (fd < 0)
        return false;
    bool ok = bytes.size() <= old.size() ||
              ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size())) == 0;
    if (ok && !(writeAll(files, fd, bytes) &&
                ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && files.Fsync(fd) == 0)) {
        ok = false;
        ssize_t n = ::pwrite(fd, old.data(), old.size(), 0);
        if (n == static_cast<ssize_t>(old.size()) && ::ftruncate(fd, n) == 0)
            ::fsync(fd);
    }
    return files.Close(fd) == 0 && ok;
}

// Makes the missing folders of `folder` (the user's settings folder before the
// first save), each for the user alone. False when one cannot be made.
bool makeFolders(const std::string& folder) {
    if (folder.empty() || ::access(folder.c_str(), F_OK) == 0)
        return true;
    std::string parent = folderOf(folder.substr(0, folder.size() - 1));
    return makeFolders(parent) && (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST);
}

} // namespace

TLinuxProfileFunctions::TLinuxProfileFunctions() : files_(posixFiles()) {}

TLinuxProfileFunctions::TLinuxProfileFunctions(IFileSystem& files) : files_(files) {}

std::string TLinuxProfileFunctions::ReadText(const std::string& section, const std::string& key,
                                             const std::string& defaultText,
                                             const std::string& fileName) {
    std::optional<std::string> bytes = readWholeFile(fileName);
    return ini::readValue(bytes, section, key, defaultText);
}

bool TLinuxProfileFunctions::WriteText(const std::string& section, const std::string& key,
                                       const std::string& value, const std::string& fileName) {
    if (!ini::fitsOnOneLine(section) || !ini::fitsOnOneLine(key) || !ini::fitsOnOneLine(value))
        return false;
    std::optional<std::string> target = followLinks(fileName);
    if (!target || !makeFolders(folderOf(*target)))
        return false;
    const bool folderWritable = mayWrite(folderOf(*target), W_OK | X_OK);

    struct stat st;
    bool exists = ::stat(target->c_str(), &st) == 0;
    std::string old;
    if (exists) {
        // A file without write permission stays unwritten even for root, as a
        // read-only file does on Windows; the rename alone would replace it.
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || !mayWrite(*target, W_OK))
            return false;
        std::optional<std::string> bytes = readWholeFile(*target);
        if (!bytes)
            return false; // what cannot be read cannot be kept
        old = std::move(*bytes);
    } else if (errno != ENOENT || !folderWritable) {
        return false;
    }

    std::string updated = ini::writeValue(old, section, key, value);
    if (exists && updated == old)
        return true;
    if (!folderWritable)
        return rewriteInPlace(files_, *target, updated, old);
    return replaceFile(files_, *target, updated, exists ? &st : nullptr);
}

bool TLinuxProfileFunctions::FlushFile(const std::string&) {
    return true;
}

} // namespace vostrel
