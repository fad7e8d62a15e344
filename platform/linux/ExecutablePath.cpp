#include "platform/linux/ExecutablePath.h"

#include "platform/linux/FileSystem.h"
#include "settings/Settings.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vostrel {

std::string executablePath() {
    std::string path = readLink("/proc/self/exe");
    // An executable replaced while it runs (an update) is reported with this
    // mark; its settings belong to the file of the plain name.
    constexpr std::string_view kDeleted = " (deleted)";
    struct stat st;
    if (path.ends_with(kDeleted) && ::stat(path.c_str(), &st) != 0)
        path.resize(path.size() - kDeleted.size());
    return path;
}

SettingsLocation chooseSettingsPath(const std::string& besideExecutable, BesideFile beside,
                                    bool folderWritable, const std::string& configHome,
                                    const std::string& home) {
    if (folderWritable || beside == BesideFile::Writable)
        return {besideExecutable, {}};
    std::string base = configHome;
    if (base.empty() || base.front() != '/') // relative values are to be ignored
        base = home.empty() ? std::string() : home + "/.config";
    if (base.empty())
        return {besideExecutable, {}}; // nowhere better: a save reports the failure
    const size_t slash = besideExecutable.find_last_of('/');
    SettingsLocation chosen{base + "/vostrel/" + besideExecutable.substr(slash + 1), {}};
    if (beside != BesideFile::Absent)
        chosen.notice = "vostrel: not using " + besideExecutable +
                        (beside == BesideFile::ReadOnly ? ": you may not write it"
                                                        : ": it is not a regular file") +
                        " and its folder is not yours; the settings are in " + chosen.path;
    return chosen;
}

std::string linuxSettingsPath() {
    const std::string beside = settingsPathFor(executablePath(), kLinuxPathDelimiters);
    const size_t slash = beside.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : beside.substr(0, slash + 1);
    BesideFile kind = BesideFile::Absent;
    if (struct stat st; ::stat(beside.c_str(), &st) == 0)
        kind = !S_ISREG(st.st_mode) ? BesideFile::NotAFile
               : (st.st_mode & 0222) && ::faccessat(AT_FDCWD, beside.c_str(), W_OK, AT_EACCESS) == 0
                   ? BesideFile::Writable
                   : BesideFile::ReadOnly;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    SettingsLocation chosen = chooseSettingsPath(
        beside, kind, ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0,
        configHome ? configHome : "", home ? home : "");
    // Worked out at every load and save; said once.
    static std::string said;
    if (!chosen.notice.empty() && chosen.notice != said) {
        std::fprintf(stderr, "%s\n", chosen.notice.c_str());
        said = chosen.notice;
    }
    return chosen.path;
}

} // namespace vostrel
