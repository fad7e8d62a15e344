#pragma once
// The notification-area icon, its pop-up menu and the application-events hook
// that reports the application's minimising: the portable half of the tray
// cycle. A widget set supplies the peers (ui/Peers.h) and reports clicks.

#include "ui/Forms.h"
#include "ui/WidgetServices.h" // EOutOfResources

#include <memory>
#include <string>
#include <vector>

namespace vostrel {

// Looks up the form's handler that a layout value names.
using TEventBinder = std::function<TNotifyEvent(const TValue& handlerName)>;

class TTrayIcon : public TComponent {
public:
    TTrayIcon(TForm& form, const TObjectDesc& desc, const TEventBinder& bind);
    // Takes the icon down whatever the shown flag says.
    ~TTrayIcon() override;

    // The shown flag. Setting the value it already has does nothing at all.
    // Raises EOutOfResources when the platform refuses; the flag has its new
    // value all the same.
    bool Visible() const { return shown_; }
    void SetVisible(bool visible);
    // Whether there is a notification area to show the icon in.
    bool HostAvailable() const;
    // The tip: the application's title when the icon was made, at most 127 characters.
    const std::string& Hint() const { return hint_; }
    // The menu that the layout's PopupMenu names, if any.
    TPopupActionBar* PopupMenu() const;

    TNotifyEvent OnDblClick;

    // Reported by the peer, on the main thread.
    void DblClick();      // a double-click with any button, or the host's activation
    void RightButtonUp(); // opens the pop-up menu
    void HostRestarted(); // the notification area came back: put a shown icon up again
    // The icon is not in a notification area and none took it back in time
    // (the area went away, or never docked the icon an add asked for). An icon
    // nobody can see is no way back: a program in the tray is restored as from
    // the icon. A later minimise asks for a host afresh.
    void HostLost();

private:
    TForm& form_;
    std::string popupMenuName_;
    std::string hint_;
    bool shown_ = false;
    std::unique_ptr<ITrayIconPeer> peer_;
};

class TMenuItem : public TComponent {
public:
    TMenuItem(TComponent* owner, const TObjectDesc& desc, const TEventBinder& bind);
    const std::string& Name() const { return name_; }
    // "-" for a separator line; "&" marks the access key.
    const std::string& Caption() const { return caption_; }
    bool IsLine() const { return caption_ == "-"; }
    TNotifyEvent OnClick;
    // Runs OnClick, if bound; errors go to the error display.
    void Click();

private:
    std::string name_;
    std::string caption_;
};

class TPopupActionBar : public TComponent {
public:
    TPopupActionBar(TForm& form, const TObjectDesc& desc, const TEventBinder& bind);
    ~TPopupActionBar() override;

    // The items in layout order.
    std::vector<TMenuItem*> Items() const;
    bool IsOpen() const { return open_; }
    // Reads the cursor (and what the platform does before a menu), then opens
    // the menu there unless it is open already, and returns when it has closed. The chosen item's
    // OnClick runs later, from the main loop, after the menu has gone and whoever opened it has
    // returned.
    void Popup();
    // The item at `index` of Items() was chosen in a menu that the desktop drew
    // from these items (a StatusNotifierItem host's): its OnClick runs later,
    // as after Popup. A separator or an index past the items runs nothing.
    void Choose(int index);

private:
    std::unique_ptr<IPopupMenuPeer> peer_;
    bool open_ = false;
    // Lets a posted choice know that the menu still exists.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Forwards the application's events to the form's handlers.
class TApplicationEvents : public TComponent {
public:
    TApplicationEvents(TComponent* owner, const TObjectDesc& desc, const TEventBinder& bind);
    ~TApplicationEvents() override;
    // Runs each time the application has actually been minimised.
    TNotifyEvent OnMinimize;
};

} // namespace vostrel
