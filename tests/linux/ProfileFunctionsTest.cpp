#include "platform/linux/ProfileFunctions.h"
#include "platform/linux/ExecutablePath.h"
#include "settings/Settings.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vostrel;
namespace fs = std::filesystem;

namespace {

using vostrel::test::readFile;

void writeFile(const fs::path& path, const std::string& bytes, mode_t mode = 0644) {
    vostrel::test::writeFile(path, bytes);
    ::chmod(path.c_str(), mode);
}

mode_t modeOf(const fs::path& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

std::size_t entriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Runs `write` in a child process without root's rights (when we have them),
// since root may write into any folder; answers its result.
bool asUnprivileged(const std::function<bool()>& write) {
    if (::geteuid() != 0)
        return write();
    pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(write() ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) < 2) << "child failed: " << status;
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

// A file system whose save breaks down at a chosen step: a failure with an
// error, or, in a child process, the process ending there as in a crash.
class BreakingFiles : public TPosixFileSystem {
public:
    enum class Step { None, Open, Write, Fsync, Close, Rename };
    Step failAt = Step::None;
    bool crash = false;

    int Open(const std::string& path, int flags, mode_t mode) override {
        return fail(Step::Open) ? -1 : TPosixFileSystem::Open(path, flags, mode);
    }
    ssize_t Write(int fd, const void* data, std::size_t size) override {
        if (failAt != Step::Write)
            return TPosixFileSystem::Write(fd, data, size);
        TPosixFileSystem::Write(fd, data, size / 2);
        if (crash)
            ::_exit(0);
        errno = ENOSPC;
        return -1;
    }
    int Fsync(int fd) override { return fail(Step::Fsync) ? -1 : TPosixFileSystem::Fsync(fd); }
    int Close(int fd) override {
        int result = TPosixFileSystem::Close(fd);
        return fail(Step::Close) ? -1 : result;
    }
    int Rename(const std::string& from, const std::string& to) override {
        return fail(Step::Rename) ? -1 : TPosixFileSystem::Rename(from, to);
    }

private:
    bool fail(Step step) {
        errno = EIO;
        return failAt == step;
    }
};

class LinuxSettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vostrel-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        ::chmod(folder.c_str(), 0755); // reachable by the unprivileged child
        ini = folder / "vostrel.ini";
    }
    void TearDown() override {
        for (auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_directory() && !entry.is_symlink())
                ::chmod(entry.path().c_str(), 0755);
        fs::remove_all(folder);
    }

    void save(IProfileFunctions& profile, const std::string& path, int32_t number) {
        saveSettings(
            profile, ini, [&] { return path; }, [&] { return number; });
    }
    std::pair<std::string, int32_t> load() {
        std::pair<std::string, int32_t> result;
        loadSettings(
            profile, ini, [&](const std::string& text) { result.first = text; },
            [&](int32_t n) { result.second = n; });
        return result;
    }

    fs::path folder;
    fs::path ini;
    TLinuxProfileFunctions profile;
    const std::string kHandEdited = "\xEF\xBB\xBF; lap counter\n"
                                    "[Track]\nLanes = 8\n\n"
                                    "[ settings ]\n"
                                    "  numberofjoy = 3\n"
                                    "PathToTrigger=\"/opt/lap counter/trigger\"\n"
                                    "Extra=keep me\n"
                                    "\n[Other]\r\nA=1";
};

} // namespace

TEST_F(LinuxSettingsFile, NoFileLoadsDefaultsAndFirstSaveWritesThreeLines) {
    EXPECT_EQ(load(), std::make_pair(std::string(kDefaultTriggerPath), 1));
    EXPECT_EQ(entriesIn(folder), 0u);

    mode_t oldMask = ::umask(022);
    save(profile, "/usr/bin/trigger", 2);
    ::umask(oldMask);
    EXPECT_EQ(readFile(ini), "[Settings]\r\nPathToTrigger=/usr/bin/trigger\r\nNumberOfJoy=2\r\n");
    EXPECT_EQ(modeOf(ini), 0644u);
    EXPECT_EQ(entriesIn(folder), 1u);
    EXPECT_EQ(load(), std::make_pair(std::string("/usr/bin/trigger"), 2));
}

TEST_F(LinuxSettingsFile, HandEditedFileIsReadAndKeptByteForByte) {
    writeFile(ini, kHandEdited, 0640);
    EXPECT_EQ(load(), std::make_pair(std::string("/opt/lap counter/trigger"), 3));

    save(profile, "/opt/lap counter/trigger", -1);
    std::string expected = kHandEdited;
    expected.replace(expected.find("\"/opt"), 26, "/opt/lap counter/trigger");
    expected.replace(expected.find("= 3") + 2, 1, "-1");
    EXPECT_EQ(readFile(ini), expected);
    EXPECT_EQ(modeOf(ini), 0640u);
}

TEST_F(LinuxSettingsFile, SymbolicLinkStaysALinkAndItsTargetIsUpdated) {
    fs::create_directory(folder / "real");
    writeFile(folder / "real" / "target.ini", "[Settings]\r\nNumberOfJoy=1\r\n", 0600);
    fs::create_symlink("real/target.ini", ini);

    save(profile, "/x", 4);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(ini)));
    EXPECT_EQ(readFile(folder / "real" / "target.ini"),
              "[Settings]\r\nNumberOfJoy=4\r\nPathToTrigger=/x\r\n");
    EXPECT_EQ(modeOf(folder / "real" / "target.ini"), 0600u);
    EXPECT_EQ(entriesIn(folder / "real"), 1u);
}

TEST_F(LinuxSettingsFile, ReadOnlyFileGivesTheErrorAndStaysAsItWas) {
    writeFile(ini, kHandEdited, 0444);
    try {
        save(profile, "/new", 5);
        FAIL() << "no error";
    } catch (const ESettingsWrite& e) {
        EXPECT_EQ(e.what(), "Unable to write to " + ini.string());
    }
    EXPECT_EQ(readFile(ini), kHandEdited);
    EXPECT_EQ(modeOf(ini), 0444u);
}

TEST_F(LinuxSettingsFile, InAFolderNotTheUsersOnlyAWritableFileIsSavedAndInPlace) {
    fs::path locked = folder / "locked"; // a shared installation's folder
    fs::create_directory(locked);
    writeFile(locked / "present.ini", kHandEdited, 0666);
    ::chmod(locked.c_str(), 0555);
    auto write = [&](IProfileFunctions& profile, const std::string& value, const char* name) {
        return asUnprivileged(
            [&] { return profile.WriteText("Settings", "NumberOfJoy", value, locked / name); });
    };

    EXPECT_TRUE(write(profile, "2", "present.ini"));
    std::string expected = kHandEdited;
    expected.replace(expected.find("= 3") + 2, 1, "2");
    EXPECT_EQ(readFile(locked / "present.ini"), expected);
    EXPECT_EQ(modeOf(locked / "present.ini"), 0666u);

    BreakingFiles files; // a write that fails halfway puts the old text back
    files.failAt = BreakingFiles::Step::Write;
    TLinuxProfileFunctions breaking(files);
    EXPECT_FALSE(write(breaking, std::string(9000, '7'), "present.ini"));
    EXPECT_EQ(readFile(locked / "present.ini"), expected);

    EXPECT_FALSE(write(profile, "2", "absent.ini"));
    EXPECT_EQ(entriesIn(locked), 1u);
}

TEST_F(LinuxSettingsFile, AnInstalledProgramMakesItsSettingsFolderAtTheFirstSaveForTheUserAlone) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs a program folder that is not the user's: run as root";
    fs::path home = folder / "home";
    fs::create_directory(home);
    ASSERT_EQ(::chown(home.c_str(), 65534, 65534), 0);
    const fs::path config = home / "config";
    const std::string name = fs::path(executablePath()).filename().string() + ".ini";
    EXPECT_TRUE(asUnprivileged([&] {
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        const std::string path = linuxSettingsPath();
        if (path != (config / "vostrel" / name).string() || fs::exists(config))
            return false; // nothing is made for a load
        TLinuxProfileFunctions().WriteText("Settings", "NumberOfJoy", "2", path);
        return fs::exists(path);
    }));
    EXPECT_EQ(modeOf(config), 0700u);
    EXPECT_EQ(modeOf(config / "vostrel"), 0700u);
}

TEST_F(LinuxSettingsFile, ValueWithLineBreakIsRefused) {
    writeFile(ini, kHandEdited);
    EXPECT_FALSE(profile.WriteText("Settings", "PathToTrigger", "/tmp/a\nNumberOfJoy=9", ini));
    EXPECT_FALSE(profile.WriteText("Settings", "PathToTrigger", "/tmp/a\rb", ini));
    EXPECT_EQ(readFile(ini), kHandEdited);
}

TEST_F(LinuxSettingsFile, SaveFailingAtAnyStepLeavesTheOldFileWhole) {
    writeFile(ini, kHandEdited);
    std::size_t descriptors = entriesIn("/proc/self/fd");
    using Step = BreakingFiles::Step;
    for (auto step : {Step::Open, Step::Write, Step::Fsync, Step::Close, Step::Rename}) {
        BreakingFiles files;
        files.failAt = step;
        TLinuxProfileFunctions breaking(files);
        EXPECT_THROW(save(breaking, std::string(5000, 'p'), 7), ESettingsWrite)
            << static_cast<int>(step);
        EXPECT_EQ(readFile(ini), kHandEdited) << static_cast<int>(step);
        EXPECT_EQ(entriesIn(folder), 1u) << static_cast<int>(step); // no temporary file left behind
    }
    EXPECT_EQ(entriesIn("/proc/self/fd"), descriptors);
}

TEST_F(LinuxSettingsFile, CrashInTheMiddleOfASaveLeavesTheOldFileWhole) {
    writeFile(ini, kHandEdited);
    pid_t child = ::fork();
    if (child == 0) {
        BreakingFiles files;
        files.failAt = BreakingFiles::Step::Write;
        files.crash = true;
        TLinuxProfileFunctions crashing(files);
        crashing.WriteText("Settings", "PathToTrigger", std::string(5000, 'p'), ini);
        ::_exit(3); // not reached: the write ends the process
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(readFile(ini), kHandEdited);

    save(profile, "/after", 1); // the crash's leftover does not stand in the way
    EXPECT_EQ(load(), std::make_pair(std::string("/after"), 1));
}

TEST_F(LinuxSettingsFile, OddFilesUnderTheSettingsName) {
    fs::create_directory(ini);
    EXPECT_EQ(load().first, kDefaultTriggerPath);
    EXPECT_FALSE(profile.WriteText("Settings", "NumberOfJoy", "2", ini));
    fs::remove(ini);

    ASSERT_EQ(::mkfifo(ini.c_str(), 0644), 0);
    EXPECT_EQ(load().first, kDefaultTriggerPath); // must not wait for a writer
    EXPECT_FALSE(profile.WriteText("Settings", "NumberOfJoy", "2", ini));
}

TEST(ExecutablePath, IsTheRunningTestProgram) {
    std::string path = executablePath();
    ASSERT_TRUE(path.starts_with('/'));
    EXPECT_TRUE(fs::equivalent(path, "/proc/self/exe"));
    std::string name = fs::path(path).filename().string();
    EXPECT_EQ(linuxSettingsPath(), fs::path(path).parent_path() / (name + ".ini"));
}
