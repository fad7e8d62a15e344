// Saves under faults: a process killed at random moments in the middle of
// saves, and saves that meet the file size limit. The settings file must always
// read as one of the states a save passes through, never a torn file.

#include "platform/linux/Process.h"
#include "platform/linux/ProfileFunctions.h"
#include "settings/Settings.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vostrel;
namespace fs = std::filesystem;

namespace {

using vostrel::test::readFile;

// Hand-edited lines around our section must survive every save.
const std::string kHead = "; timing PC 2\r\n[Other]\r\nkeep=me\r\n";

std::string fileWith(const std::string& path, int number) {
    return kHead + "[Settings]\r\nPathToTrigger=" + path +
           "\r\nNumberOfJoy=" + std::to_string(number) + "\r\n";
}

class SaveFaults : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vostrel-soak-" + std::to_string(getpid()));
        fs::create_directories(dir);
        ini = dir / "vostrel.ini";
        vostrel::test::writeFile(ini, fileWith("/a/trigger", 1));
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir, ini;
};

} // namespace

TEST_F(SaveFaults, AProcessKilledMidSaveLeavesAWholeFile) {
    // A save writes the path, then the number: these are the only states.
    const std::string states[] = {fileWith("/a/trigger", 1), fileWith("/b/trigger", 1),
                                  fileWith("/b/trigger", 2), fileWith("/a/trigger", 2)};
    std::mt19937 random(12345);
    for (int round = 0; round < 1000; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TLinuxProfileFunctions profile;
            for (int i = 0;; ++i) {
                const bool b = i % 2 == 0;
                saveSettings(
                    profile, ini.string(), [&] { return b ? "/b/trigger" : "/a/trigger"; },
                    [&] { return b ? 2 : 1; });
            }
        }
        usleep(std::uniform_int_distribution<useconds_t>(0, 3000)(random));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        const std::string now = readFile(ini);
        EXPECT_TRUE(std::find(std::begin(states), std::end(states), now) != std::end(states))
            << "round " << round << ": " << now;
    }
    // Nothing of ours is left in the folder but the settings file and, at worst,
    // temporary files of the killed writers, which a later save never reads.
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_TRUE(entry.path() == ini || entry.path().filename().string().starts_with("."))
            << entry.path();
}

TEST_F(SaveFaults, TheFileSizeLimitGivesTheWriteErrorAndKeepsTheFile) {
    const std::string before = readFile(ini);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        prepareProcess();
        const rlimit small{16, 16}; // far below the file's size
        setrlimit(RLIMIT_FSIZE, &small);
        TLinuxProfileFunctions profile;
        try {
            saveSettings(
                profile, ini.string(), [] { return std::string("/b/trigger"); }, [] { return 2; });
        } catch (const ESettingsWrite& e) {
            _exit(std::string(e.what()) == "Unable to write to " + ini.string() ? 0 : 1);
        }
        _exit(2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the save ended the process";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(ini), before);
}
