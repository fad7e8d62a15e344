#include "platform/win32/Services.h"

#include "settings/Settings.h"

#include <algorithm>
#include <vector>

#include "platform/win32/WinApi.h"

namespace vostrel::win32 {

uint32_t WinmmJoystick::NumDevs() {
    return joyGetNumDevs();
}

uint32_t WinmmJoystick::GetPos(uint32_t id, TJoyInfo& info) {
    JOYINFO reading{};
    const MMRESULT result = joyGetPos(id, &reading);
    info.wXpos = reading.wXpos;
    info.wYpos = reading.wYpos;
    info.wZpos = reading.wZpos;
    info.wButtons = reading.wButtons;
    return result;
}

ShellLauncher::ShellLauncher(std::function<void*()> owner) : owner_(std::move(owner)) {}

void ShellLauncher::Launch(const std::string& path, const std::string& argument) {
    HWND owner = owner_ ? static_cast<HWND>(owner_()) : nullptr;
    // Fire and forget: the result is not examined.
    ShellExecuteA(owner, "open", path.c_str(), argument.c_str(), nullptr, SW_SHOWNORMAL);
}

std::string Win32ProfileFunctions::ReadText(const std::string& section, const std::string& key,
                                            const std::string& defaultText,
                                            const std::string& fileName) {
    char buffer[2048];
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultText.c_str(),
                                             buffer, sizeof buffer, fileName.c_str());
    return std::string(buffer, n);
}

bool Win32ProfileFunctions::WriteText(const std::string& section, const std::string& key,
                                      const std::string& value, const std::string& fileName) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                      fileName.c_str()) != 0;
}

bool Win32ProfileFunctions::FlushFile(const std::string& fileName) {
    return WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName.c_str()) != 0;
}

std::string moduleFileName(const std::function<uint32_t(char*, uint32_t)>& get) {
    std::vector<char> buffer(261);
    for (;;) {
        const uint32_t n = get(buffer.data(), static_cast<uint32_t>(buffer.size()));
        // A cut name would put the settings somewhere else: read it whole.
        if (n < buffer.size() || buffer.size() >= 32768)
            return std::string(buffer.data(), std::min<size_t>(n, buffer.size()));
        buffer.resize(buffer.size() * 2);
    }
}

std::string executablePath() {
    return moduleFileName([](char* buffer, uint32_t size) -> uint32_t {
        return GetModuleFileNameA(nullptr, buffer, size);
    });
}

std::string win32SettingsPath() {
    return settingsPathFor(executablePath(), kWindowsPathDelimiters);
}

} // namespace vostrel::win32
