#include "settings/NumberText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using vostrel::strToIntDef;

TEST(NumberText, EveryAcceptedFormReadsItsValue) {
    const std::vector<std::pair<std::string, int32_t>> cases = {
        {"0x2", 2},
        {"$2", 2},
        {"x2", 2},
        {"X2", 2},
        {"0X2", 2},
        {"+2", 2},
        {"002", 2},
        {"012", 12},
        {"-0x2", -2},
        {"  7", 7},
        {"-$a", -10},
        {"$fF", 255},
        {"0", 0},
        {"-0", 0},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"$FFFFFFFF", -1},
        {"$80000000", INT32_MIN},
        {"-$80000000", INT32_MIN},
        {"$000000001", 1},
        {"00000000002147483647", INT32_MAX},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(strToIntDef(text, 1), value) << '"' << text << '"';
}

TEST(NumberText, AnythingElseGivesTheDefault) {
    const std::vector<std::string> cases = {
        "two", "2.0", "2147483648", "-2147483649", "0x",  "$",     "",
        "+",   "-",   "x",          "2 ",          " 2x", "\t2",   "+-2",
        "--2", "- 2", "$123456789", "0x1g",        "$-1", "0x0x1", "1e3",
    };
    for (const auto& text : cases)
        EXPECT_EQ(strToIntDef(text, 1), 1) << '"' << text << '"';
    EXPECT_EQ(strToIntDef("two", -7), -7);
}
