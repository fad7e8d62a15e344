#include "platform/linux/ExecutablePath.h"

#include "platform/linux/FileSystem.h"
#include "settings/Settings.h"

#include <sys/stat.h>

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

std::string linuxSettingsPath() {
    return settingsPathFor(executablePath(), kLinuxPathDelimiters);
}

} // namespace vostrel
