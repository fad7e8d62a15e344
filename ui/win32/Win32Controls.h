#pragma once
// The Win32 peers of the portable forms and controls (internal to the widget set).
// Every window the set makes carries its NativeWindow in GWLP_USERDATA.

#include "ui/Forms.h"
#include "ui/SpinEdit.h"
#include "ui/win32/Win32WidgetServices.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/WinApi.h"

namespace vostrel::win32 {

class Win32ApplicationPeer;

// Runs a window procedure's work. An error must never unwind through the system's
// frames: one that escapes cancels any mouse capture and goes to the error display.
LRESULT guarded(const std::function<LRESULT()>& work);

// Registers one of our own window classes, once; they all share one procedure.
void ensureClass(const char* name, WNDPROC proc, UINT style, HBRUSH background,
                 HICON icon = nullptr);

// A window of the set, found again from its handle.
class NativeWindow {
public:
    virtual ~NativeWindow();
    NativeWindow() = default;
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;

    HWND Hwnd() const { return hwnd_; }
    static NativeWindow* FromHandle(HWND hwnd);
    // The procedure of the set's own window classes.
    static WNDPROC ClassProc() { return &WindowProc; }
    virtual TControl* Control() const { return nullptr; }

    // A notification (the code of a WM_COMMAND) that this control sent its parent.
    virtual void Command(WORD) {}
    // The brush for the WM_CTLCOLOR* asking about this control; null for the default.
    virtual HBRUSH ControlColor(HDC) { return nullptr; }

protected:
    // Creates the window with this object attached from its first message on.
    void create(DWORD exStyle, const char* className, const std::string& text, DWORD style, int x,
                int y, int w, int h, HWND parent, UINT id);
    // Takes over a window of a system class, keeping its procedure for the rest.
    void subclass();
    // Messages to the window; by default its class's own handling.
    virtual LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    WNDPROC classProc_ = nullptr; // of a subclassed system control
};

// A control of a form: a window placed from its layout description.
class ControlPeer : public NativeWindow, public IControlPeer {
public:
    explicit ControlPeer(TControl& control) : control_(control) {}
    TControl* Control() const override { return &control_; }

    std::string Text() const override;
    void SetText(const std::string& text) override;
    void SetFocus() override;
    bool Focused() const override;
    void SetEnabled(bool on) override;

protected:
    // Creates the control's window at its layout place inside `parent`.
    void createChild(DWORD exStyle, const char* className, const std::string& text, DWORD style,
                     HWND parent, UINT id = 0);

    TControl& control_;
};

class FormPeer final : public NativeWindow, public IFormPeer {
public:
    FormPeer(TForm& form, Win32ApplicationPeer& app);
    ~FormPeer() override;

    TControl* Control() const override { return &form_; }
    std::string Text() const override;
    void SetText(const std::string& text) override;
    void SetFocus() override;
    bool Focused() const override;
    void SetEnabled(bool on) override;

    void Show() override;
    void Hide() override;
    bool Visible() const override { return visible_; }
    int ShowModal() override;
    void EndModal(int result) override;
    TControl* ActiveControl() const override;
    void SetTabOrder(const std::vector<TControl*>& stops) override;
    TBounds FrameBounds() const override;
    TBounds ScreenBounds() const override;
    void MoveTo(int left, int top) override;

    TForm& Form() const { return form_; }
    HFONT Font() const { return font_; }
    UINT NextControlId() { return nextId_++; }
    void SetDefaultButton(UINT id) { defaultId_ = id; }
    // The form was minimised before it was ever shown (a minimised start).
    void SetMinimizedStart(bool on) { minimizedStart_ = on; }
    bool MinimizedStart() const { return minimizedStart_; }
    // Gives the keyboard focus back to the control that last had it.
    void RestoreFocus();

    // The notifications of the form's controls, sent to the form or to a panel.
    bool ChildMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    HWND focusTarget() const;

    TForm& form_;
    Win32ApplicationPeer& app_;
    HFONT font_ = nullptr;
    HWND firstStop_ = nullptr;
    HWND savedFocus_ = nullptr;
    UINT defaultId_ = 0;
    UINT nextId_ = 100; // clear of IDOK and IDCANCEL
    bool visible_ = false;
    bool modal_ = false;
    bool minimizedStart_ = false;
    int modalResult_ = mrNone;
};

// A colour as the system gives it, and a brush of it (shared, never deleted).
COLORREF colourOf(const TColorSpec& colour);
HBRUSH brushOf(const TColorSpec& colour);
// The font of a form, which the caller deletes.
HFONT createFont(const TFontSpec& font);

// The program icon (resource "MAINICON") at the given size; shared, never destroyed.
HICON programIcon(int size);

} // namespace vostrel::win32
