#include "settings/IniText.h"

#include <gtest/gtest.h>

#include <string>

using namespace vostrel::ini;

namespace {
std::string read(const std::string& file, const char* key, const char* def = "<default>") {
    return readValue(file, "Settings", key, def);
}
} // namespace

TEST(IniRead, NamesMatchWithoutCaseAndBlanksDoNotCount) {
    std::string file = "[other]\r\nNumberOfJoy=9\r\n[settings]\r\nnumberofjoy=3\r\n";
    EXPECT_EQ(read(file, "NumberOfJoy"), "3");
    EXPECT_EQ(read("  [ SETTINGS ]  \n\t PathToTrigger \t=  /usr/bin/x y \t\n", "PathToTrigger"),
              "/usr/bin/x y");
    EXPECT_EQ(read("\xEF\xBB\xBF[Settings]\nA=1\n", "A"), "1"); // byte-order mark
}

TEST(IniRead, AbsentGivesDefaultButEmptyGivesEmpty) {
    EXPECT_EQ(readValue(std::nullopt, "Settings", "A", "d"), "d");
    EXPECT_EQ(read("", "A"), "<default>");
    EXPECT_EQ(read("[Other]\r\nA=1\r\n", "A"), "<default>");
    EXPECT_EQ(read("[Settings]\r\nB=1\r\nA\r\n;A=2\r\n", "A"), "<default>");
    EXPECT_EQ(read("A=1\r\n[Settings]\r\n", "A"), "<default>"); // before any section
    EXPECT_EQ(read("[Settings]\r\nA=\r\n", "A"), "");
    EXPECT_EQ(read("[Settings]\r\nA=   \r\n", "A"), "");
}

TEST(IniRead, FirstSectionAndFirstKeyWin) {
    EXPECT_EQ(read("[Settings]\nA=1\nA=2\n[Settings]\nA=3\nB=4\n", "A"), "1");
    EXPECT_EQ(read("[Settings]\nA=1\n[Settings]\nB=4\n", "B"), "<default>");
    EXPECT_EQ(read("[Settings]\nA=x=y\n", "A"), "x=y");
}

TEST(IniRead, OnePairOfQuotesIsRemoved) {
    EXPECT_EQ(read("[Settings]\nA=\"/opt/my app/x\"\n", "A"), "/opt/my app/x");
    EXPECT_EQ(read("[Settings]\nA='x'\n", "A"), "x");
    EXPECT_EQ(read("[Settings]\nA=\"\"x\"\"\n", "A"), "\"x\"");
    EXPECT_EQ(read("[Settings]\nA=\"x'\n", "A"), "\"x'");
    EXPECT_EQ(read("[Settings]\nA=\"\n", "A"), "\"");
    EXPECT_EQ(read("[Settings]\nA=\"\"\n", "A"), "");
}

TEST(IniRead, LongValuesAreCutTo2047WithoutSplittingACharacter) {
    std::string ascii(3000, 'a');
    EXPECT_EQ(read("[Settings]\r\nA=" + ascii + "\r\n", "A"), ascii.substr(0, 2047));
    std::string accented = std::string(2046, 'a') + "\xC3\xA9";
    EXPECT_EQ(read("[Settings]\r\nA=" + accented + "\r\n", "A"), std::string(2046, 'a'));
    EXPECT_EQ(readValue(std::nullopt, "S", "A", ascii).size(), 2047u);
}

TEST(IniWrite, ReplacesOnlyTheValueAndKeepsEveryOtherByte) {
    std::string before = "\xEF\xBB\xBF; my joystick setup\n"
                         "[Extra]\r\nnumberofjoy=7\r\n\r\n"
                         "  [settings] ; main\n"
                         "\tNumberOfJoy = 3   \n"
                         "PathToTrigger=old\r\n"
                         "NumberOfJoy=4\r\n"
                         "[Settings]\nNumberOfJoy=5";
    std::string after = writeValue(before, "Settings", "NumberOfJoy", "12");
    std::string expected = before;
    expected.replace(expected.find("3   \n"), 4, "12");
    EXPECT_EQ(after, expected);
    EXPECT_EQ(read(after, "NumberOfJoy"), "12");
}

TEST(IniWrite, NewKeyGoesAfterTheSectionsLastLine) {
    EXPECT_EQ(writeValue("[Settings]\r\nA=1\r\n; note\r\n\r\n[Next]\r\n", "settings", "B", "2"),
              "[Settings]\r\nA=1\r\n; note\r\nB=2\r\n\r\n[Next]\r\n");
    EXPECT_EQ(writeValue("[Settings]\r\nA=1", "Settings", "B", "2"),
              "[Settings]\r\nA=1\r\nB=2\r\n");
    EXPECT_EQ(writeValue("[Settings]\n\n[Next]\n", "Settings", "B", "2"),
              "[Settings]\nB=2\r\n\n[Next]\n");
}

TEST(IniWrite, NewSectionGoesAtTheEnd) {
    EXPECT_EQ(writeValue("[Other]\r\nA=1", "Settings", "B", "2"),
              "[Other]\r\nA=1\r\n[Settings]\r\nB=2\r\n");
    EXPECT_EQ(writeValue("\xEF\xBB\xBF", "Settings", "B", "2"),
              "\xEF\xBB\xBF[Settings]\r\nB=2\r\n");
    EXPECT_EQ(writeValue("[Settings\r\n", "Settings", "B", "2"),
              "[Settings\r\n[Settings]\r\nB=2\r\n");
}

TEST(IniText, Utf16FilesStayUtf16) {
    auto utf16le = [](const std::string& ascii) {
        std::string out = "\xFF\xFE";
        for (char c : ascii)
            out += std::string{c, '\0'};
        return out;
    };
    std::string before = utf16le("[Settings]\r\nA=1\r\n") + std::string("\x3D\xD8\x00\xDE", 4) +
                         std::string("\x00\xD8", 2) + utf16le("\r\n").substr(2) + "!";
    EXPECT_EQ(read(before, "A"), "1");
    std::string after = writeValue(before, "Settings", "A", "\xC3\xA9");
    std::string expected = before;
    expected.replace(expected.find(std::string("1\0", 2)), 2, std::string("\xE9\0", 2));
    EXPECT_EQ(after, expected);
    EXPECT_EQ(read(after, "A"), "\xC3\xA9");

    std::string bigEndian("\xFE\xFF\0[\0S\0]\0\n\0A\0=\0x\0\n", 18);
    EXPECT_EQ(readValue(bigEndian, "s", "a", ""), "x");
    EXPECT_EQ(writeValue(bigEndian, "S", "A", "yz"),
              std::string("\xFE\xFF\0[\0S\0]\0\n\0A\0=\0y\0z\0\n", 20));
}

TEST(IniText, LineBreaksAndZerosDoNotFitOnOneLine) {
    EXPECT_TRUE(fitsOnOneLine("/opt/a b/c\t'\""));
    EXPECT_FALSE(fitsOnOneLine("/tmp/a\nNumberOfJoy=9"));
    EXPECT_FALSE(fitsOnOneLine("a\rb"));
    EXPECT_FALSE(fitsOnOneLine(std::string("a\0b", 3)));
}
