#include "platform/linux/ExecutablePath.h"

#include <gtest/gtest.h>

using vostrel::chooseSettingsPath;

TEST(SettingsPath, StaysBesideTheProgramUnlessItsFolderIsClosedToTheUser) {
    // Run from its own folder: the file beside it, existing or not.
    EXPECT_EQ(chooseSettingsPath("/home/a/vostrel/vostrel.ini", false, true, "", "/home/a"),
              "/home/a/vostrel/vostrel.ini");
    // Installed system-wide: the user's configuration folder.
    EXPECT_EQ(chooseSettingsPath("/usr/bin/vostrel.ini", false, false, "", "/home/a"),
              "/home/a/.config/vostrel/vostrel.ini");
    EXPECT_EQ(chooseSettingsPath("/usr/bin/vostrel.ini", false, false, "/cfg", "/home/a"),
              "/cfg/vostrel/vostrel.ini");
    // A relative XDG_CONFIG_HOME is ignored, as the convention says.
    EXPECT_EQ(chooseSettingsPath("/usr/bin/vostrel.ini", false, false, "cfg", "/home/a"),
              "/home/a/.config/vostrel/vostrel.ini");
    // A file an administrator put beside the program always wins.
    EXPECT_EQ(chooseSettingsPath("/usr/bin/vostrel.ini", true, false, "", "/home/a"),
              "/usr/bin/vostrel.ini");
    // With no home at all the rule stands, and a save reports its failure.
    EXPECT_EQ(chooseSettingsPath("/usr/bin/vostrel.ini", false, false, "", ""),
              "/usr/bin/vostrel.ini");
}
