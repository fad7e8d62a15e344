#include "platform/linux/ExecutablePath.h"

#include <gtest/gtest.h>

using vostrel::BesideFile;
using vostrel::chooseSettingsPath;

TEST(SettingsPath, StaysBesideTheProgramUnlessItsFolderIsClosedToTheUser) {
    auto path = [](const std::string& beside, BesideFile kind, bool folderWritable,
                   const std::string& configHome, const std::string& home) {
        return chooseSettingsPath(beside, kind, folderWritable, configHome, home).path;
    };
    // Run from its own folder: the file beside it, whatever it is (a read-only
    // one then reports its save's failure).
    for (BesideFile kind : {BesideFile::Absent, BesideFile::ReadOnly, BesideFile::NotAFile})
        EXPECT_EQ(path("/home/a/vostrel/vostrel.ini", kind, true, "", "/home/a"),
                  "/home/a/vostrel/vostrel.ini");
    // Installed system-wide: the user's configuration folder.
    EXPECT_EQ(path("/usr/bin/vostrel.ini", BesideFile::Absent, false, "", "/home/a"),
              "/home/a/.config/vostrel/vostrel.ini");
    EXPECT_EQ(path("/usr/bin/vostrel.ini", BesideFile::Absent, false, "/cfg", "/home/a"),
              "/cfg/vostrel/vostrel.ini");
    // A relative XDG_CONFIG_HOME is ignored, as the convention says.
    EXPECT_EQ(path("/usr/bin/vostrel.ini", BesideFile::Absent, false, "cfg", "/home/a"),
              "/home/a/.config/vostrel/vostrel.ini");
    // A shared file the user may write is used where it is.
    EXPECT_EQ(path("/opt/v/vostrel.ini", BesideFile::Writable, false, "", "/home/a"),
              "/opt/v/vostrel.ini");
    // With no home at all the rule stands, and a save reports its failure.
    EXPECT_EQ(path("/usr/bin/vostrel.ini", BesideFile::Absent, false, "", ""),
              "/usr/bin/vostrel.ini");
}

TEST(SettingsPath, AFileLeftInAClosedFolderIsPassedOverAndSaidSo) {
    // One left by a "sudo vostrel" and a save: the user's own file is used instead.
    auto chosen =
        chooseSettingsPath("/usr/bin/vostrel.ini", BesideFile::ReadOnly, false, "", "/home/a");
    EXPECT_EQ(chosen.path, "/home/a/.config/vostrel/vostrel.ini");
    EXPECT_EQ(chosen.notice, "vostrel: not using /usr/bin/vostrel.ini: you may not write it and "
                             "its folder is not yours; the settings are in "
                             "/home/a/.config/vostrel/vostrel.ini");
    chosen = chooseSettingsPath("/usr/bin/vostrel.ini", BesideFile::NotAFile, false, "", "/h");
    EXPECT_NE(chosen.notice.find("not a regular file"), std::string::npos);
    EXPECT_EQ(
        chooseSettingsPath("/usr/bin/vostrel.ini", BesideFile::Absent, false, "", "/h").notice, "");
}
