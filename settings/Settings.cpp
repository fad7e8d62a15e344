#include "settings/Settings.h"

namespace vostrel {

std::string settingsPathFor(std::string_view executablePath, std::string_view delimiters) {
    std::size_t last = executablePath.find_last_of(delimiters);
    if (last != std::string_view::npos && executablePath[last] == '.')
        executablePath = executablePath.substr(0, last);
    return std::string(executablePath) + ".ini";
}

void loadSettings(IProfileFunctions& profile, const std::string& settingsPath,
                  const std::function<void(const std::string&)>& setPathText,
                  const std::function<void(int32_t)>& setNumberOfJoy) {
    TIniFile ini(profile, settingsPath);
    setPathText(ini.ReadString(kSettingsSection, kPathToTriggerKey, kDefaultTriggerPath));
    setNumberOfJoy(ini.ReadInteger(kSettingsSection, kNumberOfJoyKey, kDefaultNumberOfJoy));
}

void saveSettings(IProfileFunctions& profile, const std::string& settingsPath,
                  const std::function<std::string()>& pathText,
                  const std::function<int32_t()>& numberOfJoy) {
    TIniFile ini(profile, settingsPath);
    ini.WriteString(kSettingsSection, kPathToTriggerKey, pathText());
    ini.WriteInteger(kSettingsSection, kNumberOfJoyKey, numberOfJoy());
}

} // namespace vostrel
