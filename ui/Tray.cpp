#include "ui/Tray.h"

#include <algorithm>

namespace vostrel {

namespace {

TNotifyEvent bound(const TObjectDesc& desc, const char* event, const TEventBinder& bind) {
    const TValue* name = desc.find(event);
    return name ? bind(*name) : TNotifyEvent();
}

} // namespace

// ------------------------------------------------------------------ tray icon

TTrayIcon::TTrayIcon(TForm& form, const TObjectDesc& desc, const TEventBinder& bind)
    : TComponent(&form), form_(form), popupMenuName_(desc.text("PopupMenu")) {
    OnDblClick = bound(desc, "OnDblClick", bind);
    if (Application)
        hint_ = Application->Title().substr(0, 127);
    peer_ = form.WidgetSet().CreateTrayIcon(*this);
}

TTrayIcon::~TTrayIcon() {
    if (peer_)
        peer_->Remove(); // the program is ending: nobody to tell of a failure
}

bool TTrayIcon::HostAvailable() const {
    return peer_ && peer_->HostAvailable();
}

void TTrayIcon::SetVisible(bool visible) {
    if (visible == shown_)
        return;
    shown_ = visible;
    if (visible) {
        // A refusal leaves the flag on: the icon goes up when the host comes back,
        // and one that the host added after all is taken down with the flag.
        if (!peer_ || !peer_->Add())
            throw EOutOfResources("Cannot create shell notification icon");
    } else if (peer_ && !peer_->Remove()) {
        throw EOutOfResources("Cannot remove shell notification icon");
    }
}

TPopupActionBar* TTrayIcon::PopupMenu() const {
    return form_.Find<TPopupActionBar>(popupMenuName_);
}

void TTrayIcon::DblClick() {
    if (OnDblClick && !IsDestroying())
        Application->Guard([this] { OnDblClick(this); });
}

void TTrayIcon::RightButtonUp() {
    if (TPopupActionBar* menu = PopupMenu(); menu && !IsDestroying())
        menu->Popup();
}

void TTrayIcon::HostRestarted() {
    // Not for a window that came back from its taskbar entry meanwhile (after a
    // refused add): the flag is still on, but the program is not in the tray.
    if (shown_ && peer_ && Application && Application->Minimized())
        peer_->Add(); // nothing sensible to do if it still fails
}

void TTrayIcon::HostLost() {
    if (shown_)
        DblClick();
}

// ------------------------------------------------------------------ menu

TMenuItem::TMenuItem(TComponent* owner, const TObjectDesc& desc, const TEventBinder& bind)
    : TComponent(owner), name_(desc.name), caption_(desc.text("Caption")) {
    OnClick = bound(desc, "OnClick", bind);
}

void TMenuItem::Click() {
    if (OnClick && !IsDestroying())
        Application->Guard([this] { OnClick(this); });
}

TPopupActionBar::TPopupActionBar(TForm& form, const TObjectDesc& desc, const TEventBinder& bind)
    : TComponent(&form) {
    for (const TObjectDesc& item : desc.children)
        new TMenuItem(this, item, bind);
    peer_ = form.WidgetSet().CreatePopupMenu(*this);
}

TPopupActionBar::~TPopupActionBar() {
    *alive_ = false;
}

std::vector<TMenuItem*> TPopupActionBar::Items() const {
    std::vector<TMenuItem*> items;
    for (TComponent* c : Components())
        if (auto* item = dynamic_cast<TMenuItem*>(c))
            items.push_back(item);
    return items;
}

void TPopupActionBar::Popup() {
    if (!peer_)
        return;
    peer_->Prepare();
    // Never a second menu on top of an open one, nor one after the quit request
    // that the dispatching may have reached.
    if (open_ || (Application && Application->Terminated()))
        return;
    const std::vector<TMenuItem*> items = Items();
    std::vector<std::string> captions;
    for (TMenuItem* item : items)
        captions.push_back(item->Caption());
    open_ = true;
    int chosen = -1;
    try {
        chosen = peer_->Popup(captions);
    } catch (...) {
        open_ = false;
        throw;
    }
    open_ = false;
    Choose(chosen);
}

void TPopupActionBar::Choose(int chosen) {
    const std::vector<TMenuItem*> items = Items();
    if (chosen < 0 || chosen >= static_cast<int>(items.size()) || items[chosen]->IsLine())
        return;
    TMenuItem* item = items[chosen];
    Application->PostCall([item, alive = std::weak_ptr<bool>(alive_)] {
        if (auto menu = alive.lock(); menu && *menu)
            item->Click();
    });
}

// ------------------------------------------------------------------ application events

TApplicationEvents::TApplicationEvents(TComponent* owner, const TObjectDesc& desc,
                                       const TEventBinder& bind)
    : TComponent(owner) {
    OnMinimize = bound(desc, "OnMinimize", bind);
    if (Application)
        Application->AddEvents(this);
}

TApplicationEvents::~TApplicationEvents() {
    if (Application)
        Application->RemoveEvents(this);
}

// ------------------------------------------------------------------ application

void TApplication::AddEvents(TApplicationEvents* events) {
    events_.push_back(events);
}

void TApplication::RemoveEvents(TApplicationEvents* events) {
    events_.erase(std::remove(events_.begin(), events_.end(), events), events_.end());
}

bool TApplication::Minimized() const {
    IApplicationWindowPeer* window = widgets_.ApplicationWindow();
    return window && window->Minimized();
}

void TApplication::Minimize() {
    IApplicationWindowPeer* window = widgets_.ApplicationWindow();
    if (!window || window->Minimized())
        return;
    window->Minimize();
    const std::vector<TApplicationEvents*> listeners = events_; // a handler may change the list
    for (TApplicationEvents* e : listeners)
        if (std::find(events_.begin(), events_.end(), e) != events_.end() && e->OnMinimize &&
            !e->IsDestroying())
            e->OnMinimize(e);
}

void TApplication::Restore() {
    IApplicationWindowPeer* window = widgets_.ApplicationWindow();
    if (!window || !window->Minimized())
        return;
    window->Restore();
    if (mainForm_)
        if (TControl* control = mainForm_->FormPeer().ActiveControl())
            control->SetFocus();
}

void TApplication::BringToFront() {
    if (IApplicationWindowPeer* window = widgets_.ApplicationWindow())
        window->BringToFront();
}

void TApplication::ShowTaskbarEntry(bool show) {
    if (IApplicationWindowPeer* window = widgets_.ApplicationWindow())
        window->ShowTaskbarEntry(show);
}

void TApplication::PostCall(std::function<void()> call) {
    IApplicationWindowPeer* window = widgets_.ApplicationWindow();
    if (!window) {
        Guard(call);
        return;
    }
    window->PostCall([call = std::move(call)] {
        if (Application)
            Application->Guard(call);
    });
}

} // namespace vostrel
