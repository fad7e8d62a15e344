#pragma once
// The Windows services behind the core's joystick, launcher and profile-function
// interfaces, and the program's settings path.

#include "engine/Platform.h"
#include "settings/IniFile.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vostrel::win32 {

// The multimedia library's joystick service.
class WinmmJoystick final : public IJoystick {
public:
    uint32_t NumDevs() override;
    uint32_t GetPos(uint32_t id, TJoyInfo& info) override;
};

// Starts the trigger program with ShellExecuteA: verb "open", no working folder
// (the program inherits the current one), shown normally. `owner` gives the
// window that owns the launch (the main window), asked afresh each time.
class ShellLauncher final : public ILauncher {
public:
    explicit ShellLauncher(std::function<void*()> owner = {});
    void Launch(const std::string& path, const std::string& argument) override;

private:
    std::function<void*()> owner_;
};

// GetPrivateProfileStringA and WritePrivateProfileStringA.
class Win32ProfileFunctions final : public IProfileFunctions {
public:
    std::string ReadText(const std::string& section, const std::string& key,
                         const std::string& defaultText, const std::string& fileName) override;
    bool WriteText(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& fileName) override;
    bool FlushFile(const std::string& fileName) override;
};

// A module file name read with `get` (GetModuleFileNameA's buffer and size
// arguments, its result). The first buffer holds 261 characters; a name that
// fills it was cut short, so it is read again into a larger one.
std::string moduleFileName(const std::function<uint32_t(char* buffer, uint32_t size)>& get);

// The running executable's full path.
std::string executablePath();

// The settings path: the executable's path with its extension replaced by ".ini".
std::string win32SettingsPath();

} // namespace vostrel::win32
