#pragma once
// A widget set that draws nothing: it records what the forms tell it to draw,
// so that the forms' look and rules can be checked without a toolkit.

#include "support/FakeWidgetServices.h"
#include "support/TrayFakes.h"
#include "ui/Forms.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vostrel::test {

class RecordedControl : public IControlPeer {
public:
    explicit RecordedControl(TControl& control) : control(control) {}
    TControl& control;
    std::string text;
    TColor colour = 0;
    int colourChanges = 0;

    std::string Text() const override { return text; }
    void SetText(const std::string& t) override { text = t; }
    void SetColor(TColor c) override {
        colour = c;
        ++colourChanges;
    }
};

class RecordedSpinEdit : public RecordedControl {
public:
    RecordedSpinEdit(TControl& control, IBeeper& beeper, ITimerFactory& timers)
        : RecordedControl(control), box(beeper, timers) {
        box.SetView(&view_);
    }
    ~RecordedSpinEdit() override { box.SetView(nullptr); }
    TSpinEdit box;
    std::string Text() const override { return box.Text(); }
    void SetText(const std::string& t) override { box.SetText(t); }
    TSpinEdit* SpinBox() override { return &box; }

private:
    // The text lives in the box's rules; the field has nothing of its own.
    struct View : ISpinEditView {
        void SetText(const std::string&) override {}
        void SelectAll() override {}
        bool Focused() const override { return false; }
        bool CanFocus() const override { return true; }
        void SetFocus() override {}
        void SetReadOnly(bool) override {}
    } view_;
};

class RecordedForm : public IFormPeer {
public:
    explicit RecordedForm(TForm& form) : form(form) {}
    TForm& form;
    bool visible = false;
    std::vector<TControl*> tabStops;
    std::vector<std::pair<int, int>> moves; // each MoveTo
    TBounds frame{0, 0, 300, 200};
    TBounds screen{0, 0, 1024, 768};
    // Runs inside ShowModal, as the modal loop's events would.
    std::function<void()> whileModal;

    void Show() override { visible = true; }
    void Hide() override { visible = false; }
    bool Visible() const override { return visible; }
    int ShowModal() override {
        visible = true;
        result_ = mrNone;
        if (whileModal)
            whileModal();
        visible = false;
        return result_;
    }
    void EndModal(int result) override { result_ = result; }
    TControl* ActiveControl() const override { return tabStops.empty() ? nullptr : tabStops[0]; }
    void SetTabOrder(const std::vector<TControl*>& stops) override { tabStops = stops; }
    TBounds FrameBounds() const override { return frame; }
    TBounds ScreenBounds() const override { return screen; }
    void MoveTo(int left, int top) override {
        moves.emplace_back(left, top);
        frame.Left = left;
        frame.Top = top;
    }

private:
    int result_ = mrNone;
};

class RecordingWidgets : public IWidgetSet {
public:
    explicit RecordingWidgets(EventLog& log) : app(log) {}

    // Every text is as wide as this many pixels a character.
    static constexpr int kCharWidth = 6;

    RecordingApplicationPeer app;
    CountingBeeper beeper;
    ManualTimers timers;
    std::vector<RecordedForm*> forms;

    IApplicationPeer& Application() override { return app; }
    std::unique_ptr<IFormPeer> CreateForm(TForm& form) override {
        auto peer = std::make_unique<RecordedForm>(form);
        forms.push_back(peer.get());
        return peer;
    }
    std::unique_ptr<IControlPeer> CreatePanel(TPanel& c, IControlPeer&) override {
        return std::make_unique<RecordedControl>(c);
    }
    std::unique_ptr<IControlPeer> CreateLabel(TLabel& c, IControlPeer&) override {
        return std::make_unique<RecordedControl>(c);
    }
    std::unique_ptr<IControlPeer> CreateEdit(TEdit& c, IControlPeer&) override {
        return std::make_unique<RecordedControl>(c);
    }
    std::unique_ptr<IControlPeer> CreateButton(TButton& c, IControlPeer&) override {
        return std::make_unique<RecordedControl>(c);
    }
    std::unique_ptr<IControlPeer> CreateImage(TImage& c, IControlPeer&) override {
        return std::make_unique<RecordedControl>(c);
    }
    std::unique_ptr<IControlPeer> CreateSpinEdit(TSpinEditBox& c, IControlPeer&) override {
        return std::make_unique<RecordedSpinEdit>(c, beeper, timers);
    }
    int TextWidth(const TFontSpec&, const std::string& text) override {
        return kCharWidth * static_cast<int>(text.size());
    }

    static RecordedForm& Of(TForm& form) { return static_cast<RecordedForm&>(form.FormPeer()); }
};

} // namespace vostrel::test
