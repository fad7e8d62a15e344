#pragma once
// Where the running program lies, and so where its settings file lies.

#include <string>

namespace vostrel {

// The running executable's full path (from /proc/self/exe); empty when the
// system cannot tell.
std::string executablePath();

// What lies under the settings name beside the executable.
enum class BesideFile { Absent, Writable, ReadOnly, NotAFile };

struct SettingsLocation {
    std::string path;
    // Why a file beside the executable is not used, for one line on stderr; or empty.
    std::string notice;
};

// The settings path: executablePath() with its extension replaced by ".ini",
// or ".ini" appended when its file name has none.
//
// A copy run from a folder the user may write keeps its settings beside it,
// whatever lies there. An installed program lies in a folder that is not the
// user's (/usr/bin, /opt/vostrel): a settings file there that the user may write
// is a shared one and is used; any other is not, and the settings live in the
// user's configuration folder under the same file name
// ($XDG_CONFIG_HOME/vostrel/vostrel.ini, by default under ~/.config). Nothing is
// created here: a save makes the folder.
std::string linuxSettingsPath();

// The choice above, on given facts, so it can be tested without installing.
// `configHome` is $XDG_CONFIG_HOME, or empty; `home` is $HOME.
SettingsLocation chooseSettingsPath(const std::string& besideExecutable, BesideFile beside,
                                    bool folderWritable, const std::string& configHome,
                                    const std::string& home);

} // namespace vostrel
