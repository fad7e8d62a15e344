#include "ui/Forms.h"

#include "engine/ThdTimer.h"

#include <algorithm>
#include <stdexcept>

namespace vostrel {

TApplication* Application = nullptr;

// ------------------------------------------------------------------ controls

TControl::TControl(TForm& form, TObjectDesc desc, TControl* parent)
    : TComponent(&form), form_(form), desc_(std::move(desc)), parent_(parent) {
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
    if (OnClick && !IsDestroying())
        Application->Guard([this] { OnClick(this); });
}

void TControl::DoExit() {
    if (OnExit && !IsDestroying())
        Application->Guard([this] { OnExit(this); });
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
    : TControl(owner, *this, parseLayout(layout)), layout_(parseLayout(layout)), widgets_(widgets) {
}

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
        if (auto* control = dynamic_cast<TControl*>(c); control && control->Desc().find("TabOrder"))
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
        return a->Desc().number("TabOrder") < b->Desc().number("TabOrder");
    });
    return stops;
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
            if (prop == "Enabled")
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
    TControl* control = nullptr;
    if (desc.className == "TPanel")
        control = new TPanel(*this, desc, parent);
    else if (desc.className == "TSpinEdit")
        control = new TSpinEditBox(*this, desc, parent);
    else if (desc.className == "TLabel" || desc.className == "TEdit" ||
             desc.className == "TButton" || desc.className == "TImage")
        control = new TControl(*this, desc, parent);
    else
        throw ELayoutError("unknown class " + desc.className + " for " + desc.name);
    if (const TValue* onClick = desc.find("OnClick"))
        control->OnClick = handler(*onClick);
    control->peer_ = widgets_.CreateControl(*control, parentPeer);
    if (const TValue* text = desc.find("Text"))
        control->SetText(text->text);
    if (auto* spin = dynamic_cast<TSpinEditBox*>(control))
        spin->ApplyFormValues();
    return control;
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
    if (desc_.text("Position") != "poScreenCenter")
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
    if (Visible())
        throw EInvalidOperation("Cannot make a visible window modal");
    placeOnFirstShow();
    return formPeer_->ShowModal();
}
void TForm::SetModalResult(int result) {
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

void TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    widgets_.Application().MessageBox(text, caption, flags);
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
