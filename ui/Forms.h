#pragma once
// The portable window model: forms built from layout data, their controls and
// non-visual parts, the application object, and the interfaces a widget set
// (Qt, Win32) implements to draw them. Behaviour lives here; a widget set only
// creates native controls, routes native events back and calls the platform.

#include "engine/Component.h"
#include "engine/Errors.h"
#include "engine/Platform.h"
#include "engine/PollTick.h"
#include "ui/Layout.h"
#include "ui/Peers.h"
#include "ui/Properties.h"
#include "ui/SpinEdit.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vostrel {

class TControl;
class TPanel;
class TSpinEditBox;
class TForm;
class TApplication;
class TApplicationEvents;
class TTrayIcon;
class TPopupActionBar;
class TOpenDialog;

using TNotifyEvent = std::function<void(TComponent* Sender)>;

using TLabel = TControl;
using TEdit = TControl;
using TButton = TControl;
using TImage = TControl;

// The modal results a form can end with.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

// ------------------------------------------------------------------ peers

// A native window or control of a widget set, named as the set names it (a
// window handle, a widget); the core only hands it back.
using TNativeWindow = void*;

// A native control. Defaults do nothing, so each peer implements what its kind has.
class IControlPeer {
public:
    virtual ~IControlPeer() = default;
    virtual std::string Text() const { return {}; }
    virtual void SetText(const std::string&) {}
    virtual void SetColor(TColor) {}
    virtual void SetFocus() {}
    virtual bool Focused() const { return false; }
    virtual void SetEnabled(bool) {}
    // The number box's rules, for a peer that draws one.
    virtual TSpinEdit* SpinBox() { return nullptr; }
};

// A native top-level window, made with its form's FormProps().
class IFormPeer : public IControlPeer {
public:
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool Visible() const = 0;
    // Shows the window and runs a modal loop until EndModal, or until the quit
    // request ends every loop (then mrNone); hides it again. The hand-over keeps
    // being serviced meanwhile.
    virtual int ShowModal() = 0;
    virtual void EndModal(int result) = 0;
    // The control that has (or last had) the keyboard focus in this window.
    virtual TControl* ActiveControl() const = 0;
    // Every control exists: the tab stops in order. The first takes the focus when
    // the window is first activated.
    virtual void SetTabOrder(const std::vector<TControl*>& stops) = 0;
    // The outer frame and the screen the window is centred on, in screen pixels;
    // MoveTo places the frame's top-left corner.
    virtual TBounds FrameBounds() const = 0;
    virtual TBounds ScreenBounds() const = 0;
    virtual void MoveTo(int left, int top) = 0;
};

// Where the keyboard was: the active window and the control with the focus.
struct TActivation {
    TNativeWindow Window = nullptr;
    TNativeWindow Focus = nullptr;
};

class IApplicationPeer {
public:
    virtual ~IApplicationPeer() = default;
    // A box with the error icon and one OK button, owned by `owner` (may be null);
    // returns when it is dismissed. Ticks go on while it is up.
    virtual void MessageBox(TNativeWindow owner, const std::string& text,
                            const std::string& caption, unsigned flags) = 0;
    // Ends every running loop, modal ones included; harmless before any runs.
    virtual void PostQuit() = 0;
    // Shows the main form and dispatches until the quit request is reached.
    virtual void Run(TForm& mainForm) = 0;
    virtual void SetTitle(const std::string& title) = 0;

    // What TApplication::Modal works with. The program's own top-level windows
    // that a modal window puts out of use, visible and enabled ones;
    // SetWindowEnabled and SetActivation pass over windows that have gone.
    virtual std::vector<TNativeWindow> UsableWindows() { return {}; }
    virtual void SetWindowEnabled(TNativeWindow, bool) {}
    virtual TActivation Activation() { return {}; }
    virtual void SetActivation(const TActivation&) {}
    // The owner of a box when no window is active: the application window's last
    // active pop-up, or null.
    virtual TNativeWindow DefaultOwner() { return nullptr; }
};

class IWidgetSet {
public:
    virtual ~IWidgetSet() = default;
    virtual IApplicationPeer& Application() = 0;
    virtual std::unique_ptr<IFormPeer> CreateForm(TForm& form) = 0;
    // One native control of each kind, made with the control's Props(); `parent`
    // is the peer of the form or panel it sits on.
    virtual std::unique_ptr<IControlPeer> CreatePanel(TPanel& panel, IControlPeer& parent) = 0;
    virtual std::unique_ptr<IControlPeer> CreateLabel(TLabel& label, IControlPeer& parent) = 0;
    virtual std::unique_ptr<IControlPeer> CreateEdit(TEdit& edit, IControlPeer& parent) = 0;
    virtual std::unique_ptr<IControlPeer> CreateButton(TButton& button, IControlPeer& parent) = 0;
    virtual std::unique_ptr<IControlPeer> CreateImage(TImage& image, IControlPeer& parent) = 0;
    // The peer holds the box's rules (SpinBox()).
    virtual std::unique_ptr<IControlPeer> CreateSpinEdit(TSpinEditBox& box,
                                                         IControlPeer& parent) = 0;
    // How wide `text` is, drawn in `font` as a label draws it.
    virtual int TextWidth(const TFontSpec& font, const std::string& text) = 0;
    // The tray cycle and the file-open dialog. A widget set without them gets a
    // program that minimises as an ordinary window and a chooser that does nothing.
    virtual IApplicationWindowPeer* ApplicationWindow() { return nullptr; }
    virtual std::unique_ptr<ITrayIconPeer> CreateTrayIcon(TTrayIcon&) { return nullptr; }
    virtual std::unique_ptr<IPopupMenuPeer> CreatePopupMenu(TPopupActionBar&) { return nullptr; }
    virtual std::unique_ptr<IOpenDialogPeer> CreateOpenDialog(TOpenDialog&) { return nullptr; }
};

// ------------------------------------------------------------------ controls

// A visual control built from its layout description, known by its typed values.
class TControl : public TComponent {
public:
    TControl(TForm& form, TObjectDesc desc, TControlProps props, TControl* parent);
    // For forms: owned by `owner`, their own form.
    TControl(TComponent* owner, TForm& form, TObjectDesc desc);
    ~TControl() override;

    const std::string& Name() const { return desc_.name; }
    const std::string& ClassName() const { return desc_.className; }
    const TControlProps& Props() const { return props_; }
    TControlKind Kind() const { return props_.Kind; }
    TControl* Parent() const { return parent_; }
    TForm& Form() const { return form_; }
    IControlPeer* Peer() const { return peer_.get(); }

    std::string Text() const;
    void SetText(const std::string& text);
    void SetFocus();
    bool Focused() const;

    // Events, bound by name from the layout; raised by the peer.
    TNotifyEvent OnClick;
    TNotifyEvent OnExit;
    // A button's modal result ends its modal form first; then OnClick runs.
    void Click();
    void DoExit();

protected:
    friend class TForm;
    TForm& form_;
    TObjectDesc desc_;
    TControlProps props_;
    TControl* parent_;
    std::unique_ptr<IControlPeer> peer_;
};

// A lamp of the main window, or any panel.
class TPanel : public TControl, public ILamp {
public:
    TPanel(TForm& form, TObjectDesc desc, TControlProps props, TControl* parent);
    TColor Color() const { return colour_; }
    void SetColor(TColor colour) override;

private:
    TColor colour_ = clWhite;
    bool painted_ = false;
};

// The joystick number box; its rules live in TSpinEdit, held by the peer that
// draws it.
class TSpinEditBox : public TControl {
public:
    using TControl::TControl;
    TSpinEdit& Box() const;
    int32_t Value() const { return Box().Value(); }
    void SetValue(int32_t value) { Box().SetValue(value); }
    int32_t MinValue() const { return Box().MinValue(); }
    int32_t MaxValue() const { return Box().MaxValue(); }
    void SetMinValue(int32_t v) { Box().SetMinValue(v); }
    void SetMaxValue(int32_t v) { Box().SetMaxValue(v); }
    // The form values, in the order the layout gives them.
    void ApplyFormValues();
};

// A non-visual part (tray icon, menu, dialog, application events) known by its
// layout values and its events, bound by name.
class TPart : public TComponent {
public:
    TPart(TComponent* owner, TObjectDesc desc) : TComponent(owner), desc_(std::move(desc)) {}
    const std::string& Name() const { return desc_.name; }
    // Runs the handler bound to `event`, if any; errors go to the error display.
    void Fire(const std::string& event);
    std::map<std::string, TNotifyEvent> Events;

private:
    TObjectDesc desc_;
};

// ------------------------------------------------------------------ forms

class TForm : public TControl {
public:
    ~TForm() override;

    IFormPeer& FormPeer() const { return *formPeer_; }
    const TFormProps& FormProps() const { return formProps_; }
    void Show();
    // Hiding a modal form ends its modal loop with Cancel.
    void Hide();
    bool Visible() const;
    // Closing the main form ends the program; a modal form ends its loop with
    // Cancel; any other form is only hidden.
    void Close();
    // Runs the form modally with the program's other windows out of use and
    // returns its modal result: Cancel when the quit request ended the loop.
    // Raises EInvalidOperation for a form that is already shown.
    int ShowModal();
    bool Modal() const { return modal_; }
    // Ends the modal loop with `result`; nothing when the form is not modal.
    void SetModalResult(int result);
    // The button whose caption marks `key` as its access key ("&Save": S), in
    // any case; null when there is none.
    TControl* AccessKeyControl(char key) const;

    template <class T> T* Find(const std::string& name) const {
        return dynamic_cast<T*>(findComponent(name));
    }
    TComponent* findComponent(const std::string& name) const;
    IWidgetSet& WidgetSet() const { return widgets_; }

protected:
    // `layout` is the window's description; the owner is normally the application.
    TForm(TComponent* owner, IWidgetSet& widgets, std::string_view layout);

    // Handlers that the layout's On... properties name.
    void Handler(const std::string& name, TNotifyEvent handler);
    // Non-visual parts of a class that the base does not know.
    using PartFactory = std::function<TComponent*(const TObjectDesc&)>;
    void Part(const std::string& className, PartFactory factory);

    // Creates every component in layout order, applying its values as it goes,
    // then runs Loaded() and the form's OnCreate handler.
    void Load();
    // Between creating the components and OnCreate: bind fields to them.
    virtual void Loaded() {}

    TNotifyEvent handler(const TValue& name) const;

private:
    void createChildren(const TObjectDesc& desc, TControl* parent, IControlPeer& parentPeer);
    TPart* createPart(const TObjectDesc& desc);
    std::vector<TControl*> tabOrder() const;
    // Centres a form whose Position asks for it, the first time it is shown only.
    void placeOnFirstShow();
    TComponent* createComponent(const TObjectDesc& desc, TControl* parent,
                                IControlPeer& parentPeer);
    void bindClick(TControl& control, const TObjectDesc& desc);

    TObjectDesc layout_; // the whole description, children included
    IWidgetSet& widgets_;
    std::unique_ptr<IFormPeer> formPeer_;
    std::map<std::string, TNotifyEvent> handlers_;
    std::map<std::string, PartFactory> parts_;
    std::map<std::string, TComponent*> byName_;
    TFormProps formProps_;
    bool placed_ = false;
    bool modal_ = false;
};

// The access key that "&" marks in a caption ("&&" is a plain "&"), or 0.
char AccessKeyOf(const std::string& caption);

// Where a window of `frame`'s size is centred on `screen`, never left of or
// above the screen's top-left corner.
TBounds ScreenCentred(const TBounds& screen, const TBounds& frame);

// ------------------------------------------------------------------ application

// An operation that the object's state does not allow.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// The text the error display shows: a full stop is added unless the text is
// empty or already ends in a character at or below '.' (such as '.' or '!').
std::string ErrorDisplayText(const std::string& message);

class TApplication : public TComponent, public IApplication {
public:
    explicit TApplication(IWidgetSet& widgets);
    ~TApplication() override;

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    // Creates a form owned by the application; the first becomes the main form.
    template <class T, class... Args> T* CreateForm(Args&&... args) {
        T* form = new T(this, widgets_, std::forward<Args>(args)...);
        if (!mainForm_)
            mainForm_ = form;
        return form;
    }
    TForm* MainForm() const { return mainForm_; }

    // Owned by the active window, else by the widget set's default owner, with the
    // program's other windows out of use while it is up (Modal).
    void MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    // Runs `modal` (a message box, a modal form, a dialog) with the program's
    // visible, enabled top-level windows disabled; afterwards they are enabled
    // again and the window that was active gets the activation and its focus
    // back. `modal` is given the window that was active, or null.
    void Modal(const std::function<void(TNativeWindow active)>& modal);
    void Terminate() override;
    bool Terminated() const { return terminated_; }
    // Runs the main loop, unless termination was requested before it began.
    void Run();
    // The error display for errors that escape a handler; the program goes on.
    void ShowException(const std::exception& error);
    // Runs a handler the way the main loop does: errors go to the error display.
    void Guard(const std::function<void()>& handler);

    IWidgetSet& WidgetSet() const { return widgets_; }

    // The tray cycle's operations on the application window (ui/Tray.cpp).
    // Minimise: nothing when already minimised; else minimise with the program's
    // windows, then run every TApplicationEvents' OnMinimize. Errors propagate.
    void Minimize();
    bool Minimized() const;
    // Restore: nothing unless minimised; the focus goes back to the control of
    // the main form that last had it.
    void Restore();
    void BringToFront();
    void ShowTaskbarEntry(bool show);
    // Runs `call` from the main loop after the current event; errors go to the
    // error display.
    void PostCall(std::function<void()> call);
    void AddEvents(TApplicationEvents* events);
    void RemoveEvents(TApplicationEvents* events);

private:
    IWidgetSet& widgets_;
    std::vector<TApplicationEvents*> events_;
    std::string title_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
};

// The program's application object, as its forms and controls reach it.
extern TApplication* Application;

} // namespace vostrel
