#include "ui/Forms.h"

#include "engine/ThdTimer.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace vostrel {

TApplication* Application = nullptr;

// ------------------------------------------------------------------ controls

TControl::TControl(TForm& form, TObjectDesc desc, TControlProps props, TControl* parent)
    : TComponent(&form), form_(form), desc_(std::move(desc)), props_(std::move(props)),
      parent_(parent) {
    desc_.children.clear(); // the form creates them as components of their own
}

TControl::TControl(TComponent* owner, TForm& form, TObjectDesc desc)
    : TComponent(owner), form_(form), desc_(std::move(desc)), parent_(nullptr) {
    desc_.children.clear();
}

TControl::~TControl() {
    // Parts go before the native control that may hold theirs.
    DestroyComponents();
}

std::string TControl::Text() const {
    return peer_ ? peer_->Text() : std::string();
}

void TControl::SetText(const std::string& text) {
    if (peer_)
        peer_->SetText(text);
}

void TControl::SetFocus() {
    if (peer_)
        peer_->SetFocus();
}

bool TControl::Focused() const {
    return peer_ && peer_->Focused();
}

void TControl::Click() {
    if (IsDestroying())
        return;
    if (props_.ModalResult != mrNone)
        form_.SetModalResult(props_.ModalResult);
    if (OnClick)
        Application->Guard([this] { OnClick(this); });
}

void TControl::DoExit() {
    if (OnExit && !IsDestroying())
        Application->Guard([this] { OnExit(this); });
}

TPanel::TPanel(TForm& form, TObjectDesc desc, TControlProps props, TControl* parent)
    : TControl(form, std::move(desc), std::move(props), parent) {
    if (!props_.Color.IsSystem)
        colour_ = props_.Color.Rgb;
}

void TPanel::SetColor(TColor colour) {
    // Setting the colour a lamp already has changes nothing on screen.
    if (painted_ && colour == colour_)
        return;
    colour_ = colour;
    painted_ = true;
    if (peer_)
        peer_->SetColor(colour);
}

TSpinEdit& TSpinEditBox::Box() const {
    TSpinEdit* box = peer_ ? peer_->SpinBox() : nullptr;
    if (!box)
        throw ELayoutError("the widget set drew no number box for " + Name());
    return *box;
}

void TSpinEditBox::ApplyFormValues() {
    TSpinEdit& box = Box();
    for (const auto& [prop, value] : desc_.props) {
        const auto n = static_cast<int32_t>(value.number);
        if (prop == "MaxLength")
            box.SetMaxLength(n);
        else if (prop == "MaxValue")
            box.SetMaxValue(n);
        else if (prop == "MinValue")
            box.SetMinValue(n);
        else if (prop == "Increment")
            box.SetIncrement(n);
        else if (prop == "Value")
            box.SetValue(n);
        else if (prop == "EditorEnabled")
            box.SetEditorEnabled(value.isTrue());
        else if (prop == "ReadOnly")
            box.SetReadOnly(value.isTrue());
        else if (prop == "AutoSelect")
            box.SetAutoSelect(value.isTrue());
    }
}

// ------------------------------------------------------------------ forms

TForm::TForm(TComponent* owner, IWidgetSet& widgets, std::string_view layout)
    : TControl(owner, *this, parseLayout(layout)), layout_(parseLayout(layout)), widgets_(widgets),
      formProps_(ReadFormProps(layout_)) {}

TForm::~TForm() {
    Destroying();
    DestroyComponents();
    peer_.reset();
    formPeer_.reset();
}

void TForm::Handler(const std::string& name, TNotifyEvent handler) {
    handlers_[name] = std::move(handler);
}

void TForm::Part(const std::string& className, PartFactory factory) {
    parts_[className] = std::move(factory);
}

TNotifyEvent TForm::handler(const TValue& name) const {
    auto it = handlers_.find(name.text);
    if (name.kind != TValue::Kind::Ident || it == handlers_.end())
        throw ELayoutError("no handler named " + name.text + " in " + Name());
    return it->second;
}

std::vector<TControl*> TForm::tabOrder() const {
    // Tab stops by their TabOrder within each parent, parents in creation order.
    std::vector<TControl*> stops;
    for (TComponent* c : Components())
        if (auto* control = dynamic_cast<TControl*>(c); control && control->Props().TabStop)
            stops.push_back(control);
    std::vector<TControl*> parents;
    for (TControl* c : stops)
        if (std::find(parents.begin(), parents.end(), c->Parent()) == parents.end())
            parents.push_back(c->Parent());
    std::stable_sort(stops.begin(), stops.end(), [&](TControl* a, TControl* b) {
        auto pa = std::find(parents.begin(), parents.end(), a->Parent());
        auto pb = std::find(parents.begin(), parents.end(), b->Parent());
        if (pa != pb)
            return pa < pb;
        return a->Props().TabOrder < b->Props().TabOrder;
    });
    return stops;
}

char AccessKeyOf(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] != '&')
            return caption[i + 1];
        ++i;
    }
    return 0;
}

TControl* TForm::AccessKeyControl(char key) const {
    auto upper = [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    };
    for (TComponent* c : Components())
        if (auto* control = dynamic_cast<TControl*>(c);
            control && control->Kind() == TControlKind::Button && key &&
            upper(AccessKeyOf(control->Props().Caption)) == upper(key))
            return control;
    return nullptr;
}

TComponent* TForm::findComponent(const std::string& name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

void TForm::Load() {
    formPeer_ = widgets_.CreateForm(*this);
    createChildren(layout_, nullptr, *formPeer_);
    formPeer_->SetTabOrder(tabOrder());
    Loaded();
    if (const TValue* onCreate = desc_.find("OnCreate"))
        handler (*onCreate)(this);
}

void TForm::createChildren(const TObjectDesc& desc, TControl* parent, IControlPeer& parentPeer) {
    for (const TObjectDesc& child : desc.children) {
        TComponent* c = createComponent(child, parent, parentPeer);
        byName_[child.name] = c;
        // Controls hold controls; a part (a menu) made its own items.
        if (auto* control = dynamic_cast<TControl*>(c); control && control->Peer())
            createChildren(child, control, *control->Peer());
    }
}

TComponent* TForm::createComponent(const TObjectDesc& desc, TControl* parent,
                                   IControlPeer& parentPeer) {
    if (auto it = parts_.find(desc.className); it != parts_.end())
        return it->second(desc);
    if (desc.className == "TThreadedTimer") {
        auto* timer = new TThreadedTimer(this);
        for (const auto& [prop, value] : desc.props) { // each value takes effect at once
            if (prop == "ThreadPriority") {
                const auto level = threadPriorityNamed(value.text);
                if (!level)
                    throw ELayoutError("bad value for ThreadPriority: " + value.text);
                timer->SetThreadPriority(*level);
            } else if (prop == "Enabled")
                timer->SetEnabled(value.isTrue());
            else if (prop == "Interval")
                timer->SetInterval(static_cast<uint32_t>(value.number));
            else if (prop == "AllowZero")
                timer->SetAllowZero(value.isTrue());
            else if (prop == "OnTimer")
                timer->SetOnTimer(handler(value));
        }
        return timer;
    }
    if (desc.className == "TTrayIcon" || desc.className == "TApplicationEvents" ||
        desc.className == "TPopupActionBar" || desc.className == "TOpenDialog")
        return createPart(desc);
    TControlProps props =
        ReadControlProps(desc, parent ? parent->Props().Color : formProps_.Color, formProps_.Font);
    if (props.AutoSize)
        props.Bounds.Width = widgets_.TextWidth(formProps_.Font, props.Caption);
    const TControlKind kind = props.Kind;
    if (kind == TControlKind::Panel) {
        auto* panel = new TPanel(*this, desc, std::move(props), parent);
        bindClick(*panel, desc);
        panel->peer_ = widgets_.CreatePanel(*panel, parentPeer);
        return panel;
    }
    if (kind == TControlKind::SpinEdit) {
        auto* box = new TSpinEditBox(*this, desc, std::move(props), parent);
        box->peer_ = widgets_.CreateSpinEdit(*box, parentPeer);
        box->ApplyFormValues();
        return box;
    }
    auto* control = new TControl(*this, desc, std::move(props), parent);
    bindClick(*control, desc);
    switch (kind) {
    case TControlKind::Label:
        control->peer_ = widgets_.CreateLabel(*control, parentPeer);
        break;
    case TControlKind::Edit:
        control->peer_ = widgets_.CreateEdit(*control, parentPeer);
        control->SetText(control->Props().Text);
        break;
    case TControlKind::Button:
        control->peer_ = widgets_.CreateButton(*control, parentPeer);
        break;
    default:
        control->peer_ = widgets_.CreateImage(*control, parentPeer);
        break;
    }
    return control;
}

void TForm::bindClick(TControl& control, const TObjectDesc& desc) {
    if (const TValue* onClick = desc.find("OnClick"))
        control.OnClick = handler(*onClick);
}

TPart* TForm::createPart(const TObjectDesc& desc) {
    auto* part = new TPart(this, desc);
    for (const auto& [prop, value] : desc.props)
        if (prop.rfind("On", 0) == 0)
            part->Events[prop] = handler(value);
    for (const TObjectDesc& item : desc.children) { // menu items
        byName_[item.name] = createPart(item);
    }
    return part;
}

void TPart::Fire(const std::string& event) {
    auto it = Events.find(event);
    if (it != Events.end() && it->second && !IsDestroying())
        Application->Guard([&] { it->second(this); });
}

void TForm::placeOnFirstShow() {
    if (placed_)
        return;
    placed_ = true;
    if (formProps_.Position != TPosition::ScreenCenter)
        return;
    const TBounds at = ScreenCentred(formPeer_->ScreenBounds(), formPeer_->FrameBounds());
    formPeer_->MoveTo(at.Left, at.Top);
}

TBounds ScreenCentred(const TBounds& screen, const TBounds& frame) {
    TBounds at = frame;
    at.Left = std::max(screen.Left, screen.Left + (screen.Width - frame.Width) / 2);
    at.Top = std::max(screen.Top, screen.Top + (screen.Height - frame.Height) / 2);
    return at;
}

void TForm::Show() {
    placeOnFirstShow();
    formPeer_->Show();
}

void TForm::Hide() {
    if (modal_)
        SetModalResult(mrCancel); // the loop's end hides it
    else
        formPeer_->Hide();
}

bool TForm::Visible() const {
    return formPeer_ && formPeer_->Visible();
}

void TForm::Close() {
    if (Application && Application->MainForm() == this)
        Application->Terminate();
    else
        Hide();
}

int TForm::ShowModal() {
    if (Visible() || modal_)
        throw EInvalidOperation("Cannot make a visible window modal");
    placeOnFirstShow();
    int result = mrNone;
    auto run = [&](TNativeWindow) {
        modal_ = true;
        try {
            result = formPeer_->ShowModal();
        } catch (...) {
            modal_ = false;
            throw;
        }
        modal_ = false;
    };
    if (Application)
        Application->Modal(run);
    else
        run(nullptr);
    // Only the quit request ends the loop without a result.
    return result == mrNone ? mrCancel : result;
}

void TForm::SetModalResult(int result) {
    if (modal_)
        formPeer_->EndModal(result);
}

// ------------------------------------------------------------------ application

std::string ErrorDisplayText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

TApplication::TApplication(IWidgetSet& widgets) : TComponent(nullptr), widgets_(widgets) {
    Application = this;
}

TApplication::~TApplication() {
    // The About box goes first, then the main window with all it owns.
    Destroying();
    DestroyComponents();
    if (Application == this)
        Application = nullptr;
}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    widgets_.Application().SetTitle(title);
}

void TApplication::Modal(const std::function<void(TNativeWindow active)>& modal) {
    IApplicationPeer& peer = widgets_.Application();
    const TActivation before = peer.Activation();
    const std::vector<TNativeWindow> disabled = peer.UsableWindows();
    for (TNativeWindow w : disabled)
        peer.SetWindowEnabled(w, false);
    auto giveBack = [&] {
        for (auto it = disabled.rbegin(); it != disabled.rend(); ++it)
            peer.SetWindowEnabled(*it, true);
        if (before.Window)
            peer.SetActivation(before);
    };
    try {
        modal(before.Window);
    } catch (...) {
        giveBack();
        throw;
    }
    giveBack();
}

void TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    Modal([&](TNativeWindow active) {
        IApplicationPeer& peer = widgets_.Application();
        peer.MessageBox(active ? active : peer.DefaultOwner(), text, caption, flags);
    });
}

void TApplication::Terminate() {
    terminated_ = true;
    widgets_.Application().PostQuit();
}

void TApplication::Run() {
    if (terminated_ || !mainForm_)
        return; // a request made before the loop still ends the program
    widgets_.Application().Run(*mainForm_);
}

void TApplication::ShowException(const std::exception& error) {
    MessageBox(ErrorDisplayText(error.what()), title_, MB_ICONERROR);
}

void TApplication::Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ShowException(e);
    }
}

} // namespace vostrel
