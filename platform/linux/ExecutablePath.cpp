#include "platform/linux/ExecutablePath.h"

#include "platform/linux/FileSystem.h"
#include "settings/Settings.h"

#include <cstdlib>
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

std::string chooseSettingsPath(const std::string& besideExecutable, bool besideExists,
                               bool folderWritable, const std::string& configHome,
                               const std::string& home) {
    if (besideExists || folderWritable)
        return besideExecutable;
    std::string base = configHome;
    if (base.empty() || base.front() != '/') // relative values are to be ignored
        base = home.empty() ? std::string() : home + "/.config";
    if (base.empty())
        return besideExecutable; // nowhere better: a save reports the failure
    const size_t slash = besideExecutable.find_last_of('/');
    return base + "/vostrel/" + besideExecutable.substr(slash + 1);
}

std::string linuxSettingsPath() {
    const std::string beside = settingsPathFor(executablePath(), kLinuxPathDelimiters);
    const size_t slash = beside.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : beside.substr(0, slash + 1);
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string path = chooseSettingsPath(beside, ::access(beside.c_str(), F_OK) == 0,
                                          ::access(folder.c_str(), W_OK) == 0,
                                          configHome ? configHome : "", home ? home : "");
    if (path != beside) {
        // The folder is made when first needed, so a first save can create the file.
        const std::string dir = path.substr(0, path.find_last_of('/'));
        ::mkdir(dir.substr(0, dir.find_last_of('/')).c_str(), 0755);
        ::mkdir(dir.c_str(), 0755);
    }
    return path;
}

} // namespace vostrel
