// Settings files no one should have to meet: 10 MB of entries, and binary
// garbage. Loading gives usable values at once and a save keeps the rest.

#include "platform/linux/ProfileFunctions.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

using namespace vostrel;
namespace fs = std::filesystem;

namespace {
struct Loaded {
    std::string path;
    int32_t number = 0;
};

Loaded load(IProfileFunctions& profile, const fs::path& ini) {
    Loaded l;
    loadSettings(
        profile, ini.string(), [&](const std::string& p) { l.path = p; },
        [&](int32_t n) { l.number = n; });
    return l;
}
} // namespace

TEST(HostileSettings, TenMegabytesAndBinaryGarbageLoadAndSave) {
    const fs::path dir =
        fs::temp_directory_path() / ("vostrel-hostile-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path ini = dir / "vostrel.ini";
    TLinuxProfileFunctions profile;

    { // 10 MB of other sections before ours
        std::ofstream out(ini, std::ios::binary);
        for (int i = 0; out.tellp() < 10 * 1024 * 1024; ++i)
            out << "[Section" << i << "]\r\nkey=" << std::string(200, 'x') << "\r\n";
        out << "[Settings]\r\nPathToTrigger=/big/trigger\r\nNumberOfJoy=4\r\n";
    }
    const Loaded big = load(profile, ini);
    EXPECT_EQ(big.path, "/big/trigger");
    EXPECT_EQ(big.number, 4);
    const auto size = fs::file_size(ini);
    saveSettings(
        profile, ini.string(), [] { return std::string("/new"); }, [] { return 5; });
    EXPECT_EQ(load(profile, ini).path, "/new");
    EXPECT_NEAR(double(fs::file_size(ini)), double(size), 16.0);

    { // binary garbage, NULs included
        std::mt19937 random(7);
        std::ofstream out(ini, std::ios::binary | std::ios::trunc);
        for (int i = 0; i < 1 << 20; ++i)
            out.put(static_cast<char>(random()));
    }
    const Loaded garbage = load(profile, ini);
    EXPECT_EQ(garbage.path, kDefaultTriggerPath);
    EXPECT_EQ(garbage.number, 1);
    saveSettings(
        profile, ini.string(), [] { return std::string("/after/garbage"); }, [] { return 2; });
    const Loaded after = load(profile, ini);
    EXPECT_EQ(after.path, "/after/garbage");
    EXPECT_EQ(after.number, 2);
    fs::remove_all(dir);
}
