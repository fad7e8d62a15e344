#pragma once
// Where the running program lies, and so where its settings file lies.

#include <string>

namespace vostrel {

// The running executable's full path (from /proc/self/exe); empty when the
// system cannot tell.
std::string executablePath();

// The settings path: executablePath() with its extension replaced by ".ini",
// or ".ini" appended when its file name has none.
//
// An installed program lies in a folder its users may not write (/usr/bin).
// Its settings then live in the user's configuration folder under the same
// file name ($XDG_CONFIG_HOME/vostrel/vostrel.ini, by default under ~/.config),
// unless a settings file already lies beside the executable, which always wins.
std::string linuxSettingsPath();

// The choice above, on given facts, so it can be tested without installing.
// `configHome` is $XDG_CONFIG_HOME, or empty; `home` is $HOME.
std::string chooseSettingsPath(const std::string& besideExecutable, bool besideExists,
                               bool folderWritable, const std::string& configHome,
                               const std::string& home);

} // namespace vostrel
