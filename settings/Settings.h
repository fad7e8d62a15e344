#pragma once
// The program's two settings, the trigger path and the joystick number, kept
// between runs in an INI file beside the executable.

#include "settings/IniFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vostrel {

inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kPathToTriggerKey = "PathToTrigger";
inline constexpr const char* kNumberOfJoyKey = "NumberOfJoy";
inline constexpr const char* kDefaultTriggerPath =
    "C:\\Program Files\\Brask\\Tarnwick\\pellago.exe";
inline constexpr int32_t kDefaultNumberOfJoy = 1;

// Characters that end a file name's extension when searching backwards.
inline constexpr std::string_view kLinuxPathDelimiters = "./";
inline constexpr std::string_view kWindowsPathDelimiters = ".\\:";

// The settings path for an executable: its extension replaced by ".ini", or
// ".ini" appended when its file name has none. A dot before the last of the
// other delimiters (a folder name) is no extension.
std::string settingsPathFor(std::string_view executablePath, std::string_view delimiters);

// Reads both settings, defaults standing in, into the path field and the
// number box; never fails. The file is released whatever happens.
void loadSettings(IProfileFunctions& profile, const std::string& settingsPath,
                  const std::function<void(const std::string&)>& setPathText,
                  const std::function<void(int32_t)>& setNumberOfJoy);

// Writes the path field's text, then the number box's value (asked for only
// after the path is written). Raises ESettingsWrite at the first failed write;
// the file is released whatever happens.
void saveSettings(IProfileFunctions& profile, const std::string& settingsPath,
                  const std::function<std::string()>& pathText,
                  const std::function<int32_t()>& numberOfJoy);

} // namespace vostrel
