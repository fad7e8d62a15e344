// The Windows services against the real system calls, under Wine.

#include "platform/win32/Services.h"

#include "settings/Settings.h"

#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include "platform/win32/WinApi.h"

using namespace vostrel;
using namespace vostrel::win32;
using vostrel::wintest::readFile;
using vostrel::wintest::writeFile;

namespace {

#define EXPECT_THROW_TEXT(statement, text)                                                         \
    do {                                                                                           \
        try {                                                                                      \
            statement;                                                                             \
            ADD_FAILURE() << "no error from " #statement;                                          \
        } catch (const ESettingsWrite& e) {                                                        \
            EXPECT_EQ(std::string(e.what()), text);                                                \
        }                                                                                          \
    } while (false)

class SettingsFile : public ::testing::Test {
protected:
    struct Loaded {
        std::string path = "unset";
        int32_t number = -99;
    };
    Loaded load() {
        Loaded out;
        loadSettings(
            profile, ini, [&](const std::string& p) { out.path = p; },
            [&](int32_t n) { out.number = n; });
        return out;
    }
    void save(const std::string& path, int32_t number) {
        saveSettings(
            profile, ini, [&] { return path; }, [&] { return number; });
    }

    wintest::TempDir dir;
    std::string ini = dir.file("vostrel.ini");
    Win32ProfileFunctions profile;
};

} // namespace

TEST_F(SettingsFile, NoFileLoadsDefaultsAndFirstSaveWritesExactlyThreeLines) {
    const Loaded loaded = load();
    EXPECT_EQ(loaded.path, kDefaultTriggerPath);
    EXPECT_EQ(loaded.number, 1);
    EXPECT_FALSE(wintest::exists(ini)); // a load creates nothing

    save("C:\\Race\\pellago.exe", 1);
    EXPECT_EQ(readFile(ini),
              "[Settings]\r\nPathToTrigger=C:\\Race\\pellago.exe\r\nNumberOfJoy=1\r\n");
}

TEST_F(SettingsFile, NamesMatchInAnyCaseAndQuotesAreStripped) {
    writeFile(ini, "[settings]\r\npathtotrigger=\"C:\\My Race\\pellago.exe\"\r\n"
                   "NUMBEROFJOY=0x3\r\n");
    Loaded loaded = load();
    EXPECT_EQ(loaded.path, "C:\\My Race\\pellago.exe");
    EXPECT_EQ(loaded.number, 3);

    writeFile(ini, "[Settings]\r\nPathToTrigger='C:\\p.exe'\r\nNumberOfJoy=two\r\n");
    loaded = load();
    EXPECT_EQ(loaded.path, "C:\\p.exe");
    EXPECT_EQ(loaded.number, 1);
}

TEST_F(SettingsFile, EmptyValueLoadsEmptyAndASaveKeepsTheKeyAndOtherLines) {
    writeFile(ini, "; kept\r\n[Other]\r\nA=1\r\n[Settings]\r\nPathToTrigger=\r\nNumberOfJoy=\r\n");
    const Loaded loaded = load();
    EXPECT_EQ(loaded.path, "");
    EXPECT_EQ(loaded.number, 1);

    save("", 7);
    const std::string text = readFile(ini);
    EXPECT_NE(text.find("; kept\r\n[Other]\r\nA=1\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("PathToTrigger=\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("NumberOfJoy=7\r\n"), std::string::npos) << text;
    EXPECT_EQ(load().path, "");
}

TEST_F(SettingsFile, ValuesAreCutAt2047Characters) {
    writeFile(ini, "[Settings]\r\nPathToTrigger=" + std::string(3000, 'p') + "\r\n");
    EXPECT_EQ(load().path, std::string(2047, 'p'));
}

TEST_F(SettingsFile, ReadOnlyFileRaisesTheWriteErrorAndStaysAsItWas) {
    const std::string before = "[Settings]\r\nPathToTrigger=C:\\old.exe\r\nNumberOfJoy=2\r\n";
    writeFile(ini, before);
    SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE probe = CreateFileA(ini.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        GTEST_SKIP() << "the read-only attribute does not stop this user (Wine run as root)";
    }
    EXPECT_THROW_TEXT(save("C:\\new.exe", 5), "Unable to write to " + ini);
    EXPECT_EQ(readFile(ini), before);
}

TEST_F(SettingsFile, FileHeldByAnotherProgramRaisesTheWriteErrorAndStaysAsItWas) {
    const std::string before = "[Settings]\r\nPathToTrigger=C:\\old.exe\r\nNumberOfJoy=2\r\n";
    writeFile(ini, before);
    // Opened for reading only, sharing reading only: no one may write it meanwhile.
    HANDLE held =
        CreateFileA(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_THROW_TEXT(save("C:\\new.exe", 5), "Unable to write to " + ini);
    CloseHandle(held);
    EXPECT_EQ(readFile(ini), before);
}

TEST(SettingsPath, IsTheExecutablesPathWithIniForExe) {
    const std::string exe = executablePath();
    ASSERT_GT(exe.size(), 4u);
    EXPECT_EQ(exe.substr(1, 2), ":\\");
    const std::string ending = "\\win_tests.exe";
    ASSERT_EQ(exe.substr(exe.size() - ending.size()), ending);
    EXPECT_EQ(win32SettingsPath(), exe.substr(0, exe.size() - 4) + ".ini");
}

TEST(SettingsPath, ALongModuleNameIsReadWholeNotCut) {
    const std::string longName = "C:\\" + std::string(600, 'd') + "\\vostrel.exe";
    std::vector<uint32_t> sizes;
    auto get = [&](char* buffer, uint32_t size) -> uint32_t {
        sizes.push_back(size);
        // As GetModuleFileNameA does: fills what fits and answers the size when cut.
        const uint32_t n = std::min<uint32_t>(size, static_cast<uint32_t>(longName.size()));
        longName.copy(buffer, n);
        if (n < size)
            buffer[n] = '\0';
        return n;
    };
    EXPECT_EQ(moduleFileName(get), longName);
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.front(), 261u);
}

TEST(ShellLauncher, StartsTheProgramWithTheLaneArgumentEvenWithSpacesInItsPath) {
    wintest::TempDir dir;
    const std::string folder = dir.file("Race Timing");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string exe = executablePath();
    const std::string recorder = exe.substr(0, exe.rfind('\\')) + "\\record_args.exe";
    const std::string copy = folder + "\\record args.exe";
    ASSERT_TRUE(CopyFileA(recorder.c_str(), copy.c_str(), FALSE)) << recorder;

    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    ShellLauncher launcher;
    launcher.Launch(copy, "3");
    ASSERT_TRUE(wintest::pumpMessagesUntil([&] { return wintest::exists(copy + ".args"); }));
    // The only argument is the lane, and the program starts in our current folder.
    EXPECT_EQ(readFile(copy + ".args"), "3\ncwd " + std::string(cwd) + "\n");
}

TEST(WinmmJoystick, WithoutAJoystickEveryIdAnswersAsABadId) {
    WinmmJoystick joystick;
    const uint32_t count = joystick.NumDevs();
    // The count depends on the driver; with no joystick attached every reading,
    // past the count or not, is an error with no buttons down.
    for (uint32_t id : {0u, count, 0xFFFFFFFFu}) {
        TJoyInfo info;
        info.wButtons = 0xFF;
        EXPECT_NE(joystick.GetPos(id, info), JOYERR_NOERROR) << id;
        EXPECT_EQ(info.wButtons, 0u) << id;
    }
}
