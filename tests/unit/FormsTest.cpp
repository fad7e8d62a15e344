#include "ui/Forms.h"
#include "support/Fakes.h"
#include "support/RecordingWidgets.h"
#include "ui/About.h"
#include "ui/Layout.h"
#include "ui/Unit1.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <system_error>

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

TEST(Layout, ATimersThreadPriorityTakesEffect) {
    struct TTimerForm : TForm {
        TTimerForm(IWidgetSet& widgets, const char* priority)
            : TForm(nullptr, widgets,
                    std::string("object F: TTimerForm\n object T: TThreadedTimer\n"
                                "  ThreadPriority = ") +
                        priority + "\n end\nend") {
            Load();
        }
    };
    test::EventLog log;
    test::RecordingWidgets widgets(log);
    TTimerForm form(widgets, "tpHigher");
    EXPECT_EQ(form.Find<TThreadedTimer>("T")->ThreadPriority(), TThreadPriority::tpHigher);
    EXPECT_THROW(TTimerForm(widgets, "tpTurbo"), ELayoutError);
}

namespace {

// A control as the widget set was told to draw it.
struct Drawn {
    std::string name;
    TControlKind kind;
    TBounds bounds;
    std::string caption; // or an edit's text
    TColorSpec colour;
    TBevel outer = TBevel::None;
    TBevel inner = TBevel::None;
};

// The program's two windows on a widget set that only records what it is told.
class Look : public ::testing::Test {
protected:
    Look() : launcher(log), widgets(log), app(widgets) {
        app.SetTitle("Vostrel");
        form = app.CreateForm<TForm1>(
            Unit1Services{&joystick, &launcher, &profile, [] { return std::string("/t/v.ini"); }});
        about = app.CreateForm<TAboutBox>();
    }

    static std::vector<Drawn> drawn(TForm& f) {
        std::vector<Drawn> all;
        for (TComponent* c : f.Components())
            if (auto* control = dynamic_cast<TControl*>(c)) {
                const TControlProps& p = control->Props();
                all.push_back({control->Name(), p.Kind, p.Bounds,
                               p.Kind == TControlKind::Edit ? p.Text : p.Caption, p.Color,
                               p.BevelOuter, p.BevelInner});
            }
        return all;
    }
    static int width(const std::string& text) {
        return test::RecordingWidgets::kCharWidth * static_cast<int>(text.size());
    }

    test::EventLog log;
    test::ScriptedJoystick joystick;
    test::RecordingLauncher launcher;
    test::MemoryProfile profile;
    test::RecordingWidgets widgets;
    TApplication app;
    TForm1* form = nullptr;
    TAboutBox* about = nullptr;
};

void expectDrawn(const std::vector<Drawn>& seen, const std::vector<Drawn>& wanted) {
    ASSERT_EQ(seen.size(), wanted.size());
    for (size_t i = 0; i < wanted.size(); ++i) {
        const Drawn &s = seen[i], &w = wanted[i];
        EXPECT_EQ(s.name, w.name) << i;
        EXPECT_EQ(s.kind, w.kind) << w.name;
        EXPECT_EQ(s.bounds, w.bounds) << w.name;
        EXPECT_EQ(s.caption, w.caption) << w.name;
        EXPECT_EQ(s.colour, w.colour) << w.name;
        EXPECT_EQ(s.outer, w.outer) << w.name;
        EXPECT_EQ(s.inner, w.inner) << w.name;
    }
}

} // namespace

TEST_F(Look, TheWindowsAreDrawnAsLaidOutWithTheirDefaultsAndRules) {
    const TColorSpec face = TColorSpec::Of(TSystemColor::BtnFace);
    const TColorSpec white = TColorSpec::Fixed(0xFFFFFF);
    const TFormProps& main = form->FormProps();
    EXPECT_EQ(main.Caption, "Vostrel");
    EXPECT_EQ(main.Left, 200);
    EXPECT_EQ(main.Top, 108);
    EXPECT_EQ(main.ClientWidth, 517);
    EXPECT_EQ(main.ClientHeight, 89);
    EXPECT_EQ(main.Color, face);
    EXPECT_EQ(main.Font,
              (TFontSpec{"MS Sans Serif", 11, TColorSpec::Of(TSystemColor::WindowText)}));
    TWindowFrame single;
    single.Sizeable = false;
    single.MaximizeBox = false;
    EXPECT_EQ(main.Frame, single);
    EXPECT_EQ(main.Position, TPosition::Designed);
    EXPECT_TRUE(main.HasIcon);

    // Labels are as wide as their text and keep their height; lamps are white on a
    // lowered bevel; the path field has the window's colour.
    using enum TControlKind;
    const std::string path = "C:\\Program Files\\Brask\\Tarnwick\\pellago.exe";
    std::vector<Drawn> wanted = {
        {"Label1", Label, {182, 11, width("Number of Joystick:"), 13}, "Number of Joystick:", face},
        {"Label2",
         Label,
         {182, 39, width("Path to pellago.exe:"), 13},
         "Path to pellago.exe:",
         face},
    };
    for (int n : {1, 3, 2, 4, 5, 7, 6, 8}) {
        const int left = 8 + 40 * ((n - 1) % 4), top = n <= 4 ? 8 : 47;
        wanted.push_back({"JoyBtn" + std::to_string(n),
                          Panel,
                          {left, top, 33, 33},
                          std::to_string(n),
                          white,
                          TBevel::Lowered,
                          TBevel::None});
    }
    wanted.push_back({"SpinEdit1", SpinEdit, {281, 8, 57, 22}, "", face});
    wanted.push_back(
        {"Edit1", Edit, {182, 58, 293, 21}, path, TColorSpec::Of(TSystemColor::Window)});
    wanted.push_back({"Button1", Button, {481, 58, 26, 21}, "...", face});
    wanted.push_back({"Button2", Button, {432, 8, 75, 25}, "&Save Settings", face});
    expectDrawn(drawn(*form), wanted);
    EXPECT_EQ(form->Edit1->Text(), path);
    EXPECT_TRUE(form->Edit1->Props().ReadOnly);
    EXPECT_EQ(form->SpinEdit1->Box().MaxLength(), 2);
    EXPECT_EQ(form->Button2, form->AccessKeyControl('s'));
    EXPECT_EQ(test::RecordingWidgets::Of(*form).tabStops,
              (std::vector<TControl*>{form->SpinEdit1, form->Edit1, form->Button1, form->Button2}));

    const TFormProps& box = about->FormProps();
    EXPECT_EQ(box.Caption, "About");
    EXPECT_EQ(box.ClientWidth, 298);
    EXPECT_EQ(box.ClientHeight, 175);
    EXPECT_EQ(box.Position, TPosition::ScreenCenter);
    EXPECT_TRUE(box.Frame.DialogFrame);
    EXPECT_TRUE(box.Frame.SystemMenu);
    EXPECT_FALSE(box.Frame.MinimizeBox || box.Frame.MaximizeBox || box.Frame.Sizeable);
    const std::string notice = "Free software for race timing. No warranty.";
    expectDrawn(drawn(*about),
                {
                    {"Panel1", Panel, {8, 8, 281, 113}, "", face, TBevel::Lowered, TBevel::Raised},
                    {"ProgramIcon", Image, {8, 8, 41, 45}, "", face},
                    {"ProductName", Label, {88, 16, width("Vostrel"), 13}, "Vostrel", face},
                    {"Version", Label, {88, 40, width("Version 1.0"), 13}, "Version 1.0", face},
                    {"Copyright", Label, {8, 80, width(notice), 13}, notice, face},
                    {"OKButton", Button, {103, 140, 75, 25}, "OK", face},
                });
    EXPECT_EQ(about->Find<TControl>("ProgramIcon")->Props().Picture, "MAINICON");
    const TControlProps& ok = about->Find<TControl>("OKButton")->Props();
    EXPECT_TRUE(ok.Default);
    EXPECT_EQ(ok.ModalResult, mrOk);
    // The panel is no tab stop, so the focus starts on OK.
    EXPECT_EQ(test::RecordingWidgets::Of(*about).tabStops,
              std::vector<TControl*>{about->Find<TControl>("OKButton")});
}

TEST_F(Look, TheAboutBoxIsCentredTheFirstTimeOnlyAndOkEndsIt) {
    test::RecordedForm& peer = test::RecordingWidgets::Of(*about);
    peer.frame = {0, 0, 308, 204};
    peer.whileModal = [&] { about->Find<TControl>("OKButton")->Click(); };
    EXPECT_EQ(about->ShowModal(), mrOk);
    EXPECT_EQ(peer.moves, (std::vector<std::pair<int, int>>{{358, 282}}));
    peer.frame.Left = 10;      // the user moved it
    peer.whileModal = nullptr; // the quit request ends the loop without a result
    EXPECT_EQ(about->ShowModal(), mrCancel);
    EXPECT_EQ(peer.moves.size(), 1u);
}

TEST(StartUp, AnErrorWhileTheMainWindowIsBuiltIsShownAndTheProgramEnds) {
    test::EventLog log;
    test::ScriptedJoystick joystick;
    test::RecordingLauncher launcher(log);
    test::MemoryProfile profile;
    test::RecordingWidgets widgets(log);
    TApplication app(widgets);
    app.SetTitle("Vostrel");
    TimerEnv& env = TimerEnv::standard();
    const auto spawn = env.spawn;
    env.spawn = [](std::function<void()>) -> std::thread {
        throw std::system_error(EAGAIN, std::generic_category());
    };
    CreateForms(
        app, Unit1Services{&joystick, &launcher, &profile, [] { return std::string("/t/v.ini"); }});
    env.spawn = spawn;
    EXPECT_EQ(log.events,
              std::vector<std::string>{"box Thread creation error: " +
                                       std::generic_category().message(EAGAIN) + ". | Vostrel"});
    EXPECT_EQ(app.MainForm(), nullptr);
    EXPECT_TRUE(app.Components().empty());
    app.Run(); // returns at once
}

TEST(MessageBoxes, AreOwnedByTheActiveWindowWithTheOthersOutOfUseMeanwhile) {
    test::EventLog log;
    test::RecordingWidgets widgets(log);
    TApplication app(widgets);
    using Peer = test::RecordingApplicationPeer;
    widgets.app.usable = {Peer::Window("main"), Peer::Window("app")};
    widgets.app.activation = {Peer::Window("main"), Peer::Window("field")};
    widgets.app.defaultOwner = Peer::Window("popup");
    app.MessageBox("Look", "Caption", MB_ICONERROR);
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"disable main", "disable app", "box Look | Caption @main",
                                        "enable app", "enable main", "activate main focus field"}));
    log.events.clear();
    widgets.app.usable.clear();
    widgets.app.activation = {};
    app.MessageBox("Look", "Caption", MB_ICONERROR); // none active: the default owner
    EXPECT_EQ(log.events, std::vector<std::string>{"box Look | Caption @popup"});
}
