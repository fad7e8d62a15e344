#include "ui/Forms.h"
#include "ui/Layout.h"

#include <gtest/gtest.h>

using namespace vostrel;

TEST(ErrorDisplay, AddsAFullStopOnlyAfterCharactersAboveIt) {
    EXPECT_EQ(ErrorDisplayText("Unable to write to /a.ini"), "Unable to write to /a.ini.");
    EXPECT_EQ(ErrorDisplayText("Done."), "Done.");
    EXPECT_EQ(ErrorDisplayText("Stop!"), "Stop!");
    EXPECT_EQ(ErrorDisplayText("Thread Error: x (5)"), "Thread Error: x (5)"); // ')' < '.'
    EXPECT_EQ(ErrorDisplayText("path/"), "path/.");
    EXPECT_EQ(ErrorDisplayText(""), "");
}

TEST(Layout, ReadsObjectsInOrderWithTheirValues) {
    const TObjectDesc d = parseLayout(R"(
object Form1: TForm1
  Caption = 'It''s' + ' here'
  Left = -3
  BorderIcons = [biSystemMenu, biMinimize]
  Font.Name = 'MS Sans Serif'
  Enabled = True
  // a comment
  object B: TButton
    OnClick = BClick
  end
  object C: TLabel
  end
end)");
    EXPECT_EQ(d.className, "TForm1");
    EXPECT_EQ(d.text("Caption"), "It's here");
    EXPECT_EQ(d.number("Left"), -3);
    EXPECT_EQ(d.find("BorderIcons")->items,
              (std::vector<std::string>{"biSystemMenu", "biMinimize"}));
    EXPECT_EQ(d.text("Font.Name"), "MS Sans Serif");
    EXPECT_TRUE(d.flag("Enabled"));
    ASSERT_EQ(d.children.size(), 2u);
    EXPECT_EQ(d.children[0].text("OnClick"), "BClick");
    EXPECT_EQ(d.children[1].name, "C");
}

TEST(Layout, ReportsTheLineOfABrokenDescription) {
    try {
        parseLayout("object A: TForm\n  Caption = 'open\nend");
        FAIL();
    } catch (const ELayoutError& e) {
        EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
    }
    EXPECT_THROW(parseLayout("object A: TForm\nend\nextra"), ELayoutError);
}

TEST(Layout, TheBuiltInWindowsParse) {
    const TObjectDesc main = parseLayout(builtInLayout("Unit1"));
    EXPECT_EQ(main.text("Caption"), "Vostrel");
    const TObjectDesc about = parseLayout(builtInLayout("About"));
    EXPECT_EQ(about.text("Caption"), "About");
}
