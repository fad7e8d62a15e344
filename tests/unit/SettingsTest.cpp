#include "settings/Settings.h"

#include "settings/IniText.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace vostrel;

namespace {

// Profile functions over files held in memory, with the real text rules; can be
// told to fail a given write.
class FakeProfile : public IProfileFunctions {
public:
    std::string ReadText(const std::string& section, const std::string& key, const std::string& def,
                         const std::string& fileName) override {
        calls.push_back("read " + key);
        auto it = files.find(fileName);
        std::optional<std::string_view> bytes;
        if (it != files.end())
            bytes = it->second;
        return ini::readValue(bytes, section, key, def);
    }
    bool WriteText(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& fileName) override {
        calls.push_back("write " + key);
        if (key == failKey)
            return false;
        files[fileName] = ini::writeValue(files[fileName], section, key, value);
        return true;
    }
    bool FlushFile(const std::string& fileName) override {
        calls.push_back("flush " + fileName);
        return false;
    }

    std::map<std::string, std::string> files;
    std::vector<std::string> calls;
    std::string failKey;
};

const std::string kPath = "/opt/vostrel/vostrel.ini";

struct Fields {
    std::string path = "unset";
    int32_t number = -99;
    int numberReads = 0;
};

void load(FakeProfile& profile, Fields& f) {
    loadSettings(
        profile, kPath, [&](const std::string& text) { f.path = text; },
        [&](int32_t n) { f.number = n; });
}

void save(FakeProfile& profile, Fields& f) {
    saveSettings(
        profile, kPath, [&] { return f.path; },
        [&] {
            ++f.numberReads;
            return f.number;
        });
}

} // namespace

TEST(SettingsPath, OnlyTheFileNamesOwnExtensionIsReplaced) {
    EXPECT_EQ(settingsPathFor("C:\\Tools\\Vostrel.exe", kWindowsPathDelimiters),
              "C:\\Tools\\Vostrel.ini");
    EXPECT_EQ(settingsPathFor("C:\\Tools\\Vostrel.main.exe", kWindowsPathDelimiters),
              "C:\\Tools\\Vostrel.main.ini");
    EXPECT_EQ(settingsPathFor("C:\\My.Tools\\Vostrel", kWindowsPathDelimiters),
              "C:\\My.Tools\\Vostrel.ini");
    EXPECT_EQ(settingsPathFor("C:Vostrel", kWindowsPathDelimiters), "C:Vostrel.ini");
    EXPECT_EQ(settingsPathFor("/usr/local/bin/vostrel", kLinuxPathDelimiters),
              "/usr/local/bin/vostrel.ini");
    EXPECT_EQ(settingsPathFor("/home/a.b/apps/vostrel", kLinuxPathDelimiters),
              "/home/a.b/apps/vostrel.ini");
    EXPECT_EQ(settingsPathFor("/opt/vostrel.bin", kLinuxPathDelimiters), "/opt/vostrel.ini");
    // On Linux a backslash is part of a name, not a folder delimiter.
    EXPECT_EQ(settingsPathFor("/opt/a.b\\c", kLinuxPathDelimiters), "/opt/a.ini");
}

TEST(Settings, LoadWithoutFileGivesDefaultsAndCreatesNothing) {
    FakeProfile profile;
    Fields f;
    load(profile, f);
    EXPECT_EQ(f.path, "C:\\Program Files\\Brask\\Tarnwick\\pellago.exe");
    EXPECT_EQ(f.number, 1);
    EXPECT_TRUE(profile.files.empty());
    EXPECT_EQ(profile.calls.back(), "flush " + kPath);
}

TEST(Settings, FirstSaveWritesExactlyThreeLines) {
    FakeProfile profile;
    Fields f{"/usr/bin/lap trigger", -3};
    save(profile, f);
    EXPECT_EQ(profile.files[kPath],
              "[Settings]\r\nPathToTrigger=/usr/bin/lap trigger\r\nNumberOfJoy=-3\r\n");
    EXPECT_EQ(profile.calls, (std::vector<std::string>{"write PathToTrigger", "write NumberOfJoy",
                                                       "flush " + kPath}));
}

TEST(Settings, HandEditedValuesLoadAndRoundTrip) {
    FakeProfile profile;
    profile.files[kPath] =
        "[settings]\r\npathtotrigger=\"/opt/lap counter/go\"\r\nnumberofjoy=3\r\n";
    Fields f;
    load(profile, f);
    EXPECT_EQ(f.path, "/opt/lap counter/go");
    EXPECT_EQ(f.number, 3);
    save(profile, f);
    EXPECT_EQ(profile.files[kPath],
              "[settings]\r\npathtotrigger=/opt/lap counter/go\r\nnumberofjoy=3\r\n");

    profile.files[kPath] = "[Settings]\r\nPathToTrigger=\r\nNumberOfJoy=two\r\n";
    load(profile, f);
    EXPECT_EQ(f.path, "");
    EXPECT_EQ(f.number, 1);
    save(profile, f);
    EXPECT_EQ(profile.files[kPath], "[Settings]\r\nPathToTrigger=\r\nNumberOfJoy=1\r\n");
}

TEST(Settings, FailedPathWriteStopsTheSaveAndReleasesTheFile) {
    FakeProfile profile;
    profile.failKey = "PathToTrigger";
    Fields f{"/x", 2};
    try {
        save(profile, f);
        FAIL() << "no error";
    } catch (const ESettingsWrite& e) {
        EXPECT_STREQ(e.what(), "Unable to write to /opt/vostrel/vostrel.ini");
    }
    EXPECT_EQ(f.numberReads, 0);
    EXPECT_EQ(profile.calls, (std::vector<std::string>{"write PathToTrigger", "flush " + kPath}));
}

TEST(Settings, FailedNumberWriteKeepsTheNewPath) {
    FakeProfile profile;
    profile.failKey = "NumberOfJoy";
    Fields f{"/new", 2};
    EXPECT_THROW(save(profile, f), ESettingsWrite);
    EXPECT_EQ(profile.files[kPath], "[Settings]\r\nPathToTrigger=/new\r\n");
    EXPECT_EQ(profile.calls.back(), "flush " + kPath);
}

TEST(Settings, PathWithLineBreakIsRefusedBeforeReachingTheFile) {
    FakeProfile profile;
    Fields f{"/tmp/a\nNumberOfJoy=9", 2};
    EXPECT_THROW(save(profile, f), ESettingsWrite);
    EXPECT_TRUE(profile.files.empty());
    EXPECT_EQ(profile.calls, (std::vector<std::string>{"flush " + kPath}));
}
