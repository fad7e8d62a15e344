#include "ui/Dialogs.h"
#include "ui/Forms.h"

#include <gtest/gtest.h>

using namespace vostrel;

TEST(ScreenCentred, CentresTheFrameButNeverPastTheScreensTopLeft) {
    const TBounds screen{1024, 0, 800, 600}; // a second monitor right of the first
    TBounds at = ScreenCentred(screen, {0, 0, 308, 204});
    EXPECT_EQ(at.Left, 1024 + 246);
    EXPECT_EQ(at.Top, 198);
    EXPECT_EQ(at.Width, 308);
    at = ScreenCentred(screen, {0, 0, 900, 700}); // larger than the screen
    EXPECT_EQ(at.Left, 1024);
    EXPECT_EQ(at.Top, 0);
}

TEST(ParseFilter, PairsDescriptionsWithPatternsAndDropsAnUnpairedOne) {
    using Types = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(ParseFilter("pellago.exe|pellago.exe"), (Types{{"pellago.exe", "pellago.exe"}}));
    EXPECT_EQ(ParseFilter("Programs|*.exe;*.com|All|*.*"),
              (Types{{"Programs", "*.exe;*.com"}, {"All", "*.*"}}));
    EXPECT_EQ(ParseFilter("Programs|*.exe|All"), (Types{{"Programs", "*.exe"}}));
    EXPECT_EQ(ParseFilter(""), Types{});
}
