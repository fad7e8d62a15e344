#pragma once
// The number box on Windows: a multi-line edit, so that it takes a formatting
// rectangle that keeps the text clear of the arrows, with the arrow pair as its
// child window. The rules live in TSpinEdit; this peer feeds them the field's
// messages and draws what they say.

#include "ui/win32/Win32Controls.h"

#include <memory>

#include <commctrl.h>
#include <uxtheme.h>

namespace vostrel::win32 {

// One arrow: a push button face with its glyph, drawn by us. It never takes the
// keyboard focus; its mouse messages go to the arrow's rules.
class SpinArrowWindow final : public NativeWindow, private IArrowView {
public:
    // `glyph` names the bitmap resource ("SpinUp", "SpinDown").
    SpinArrowWindow(TArrow& arrow, const char* glyph, HWND pair);
    ~SpinArrowWindow() override;

    // Draws the face and the glyph into `dc` (also what WM_PRINTCLIENT asks for).
    void Paint(HDC dc);

protected:
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // IArrowView
    void Invalidate() override;
    void SetCapture(bool on) override;
    bool HasCapture() const override;

    bool over(LPARAM lParam) const;
    void openTheme();

    TArrow& arrow_;
    HIMAGELIST glyph_ = nullptr;
    HTHEME theme_ = nullptr;
};

class SpinPeer final : public ControlPeer {
public:
    SpinPeer(TControl& control, HWND parent, FormPeer& form, IBeeper& beeper,
             ITimerFactory& timers);
    ~SpinPeer() override;

    std::string Text() const override { return box_.Text(); }
    void SetText(const std::string& text) override { box_.SetText(text); }
    TSpinEdit* SpinBox() override { return &box_; }
    void Command(WORD code) override;

    // The arrow pair and the arrows (HWND), for tests and the desktop's tools.
    HWND Pair() const { return pair_->Hwnd(); }
    HWND UpArrow() const { return up_->Hwnd(); }
    HWND DownArrow() const { return down_->Hwnd(); }

protected:
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // What the rules see of the field.
    class View final : public ISpinEditView {
    public:
        explicit View(SpinPeer& peer) : peer_(peer) {}
        void SetText(const std::string& text) override;
        void SelectAll() override;
        bool Focused() const override { return peer_.Focused(); }
        bool CanFocus() const override;
        void SetFocus() override { peer_.SetFocus(); }
        void SetReadOnly(bool readOnly) override;
        void SetMaxLength(int maxLength) override;

    private:
        SpinPeer& peer_;
    };

    TFontMetrics metrics() const;
    // The field takes its font's height; the minimum may raise it.
    void fitToFont();
    // Places the pair and the arrows and sets the formatting rectangle, or first
    // raises a box lower than its minimum.
    void layOut();
    void paste();

    TSpinEdit box_;
    View view_{*this};
    // Destroyed before the box's rules, the arrows before their pair.
    std::unique_ptr<NativeWindow> pair_;
    std::unique_ptr<SpinArrowWindow> up_;
    std::unique_ptr<SpinArrowWindow> down_;
    bool settingText_ = false;
    bool pressEntry_ = false;
    bool raising_ = false;
};

} // namespace vostrel::win32
