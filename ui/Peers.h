#pragma once
// What a widget set implements for the tray cycle and the file-open dialog:
// the application's window operations, the notification-area icon, the pop-up
// menu and the dialog. The behaviour around them (when to call what, in which
// order, what a failure means) is portable and lives in the components.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vostrel {

// The window that carries the program's taskbar entry (on Windows the zero-size
// application window; elsewhere the main window itself) and what it owns.
class IApplicationWindowPeer {
public:
    virtual ~IApplicationWindowPeer() = default;
    // Whether the application is minimised as far as the program knows; a
    // minimise made by the window manager counts from the moment it is reported.
    virtual bool Minimized() const = 0;
    // Minimises the application with every window of the program that is shown.
    virtual void Minimize() = 0;
    // Takes the taskbar entry away or brings it back; does not restore.
    virtual void ShowTaskbarEntry(bool show) = 0;
    // Restores the minimised application, showing again the windows it hid, at
    // their former place and size.
    virtual void Restore() = 0;
    // Brings the program's last active window to the front, if it is visible and
    // enabled.
    virtual void BringToFront() = 0;
    // Runs `call` from the main loop once the current event has been handled.
    virtual void PostCall(std::function<void()> call) = 0;
};

// The notification-area icon, made with the program icon and its tip. The peer
// reports to its TTrayIcon: DblClick, RightButtonUp, HostRestarted and HostLost.
class ITrayIconPeer {
public:
    virtual ~ITrayIconPeer() = default;
    // Whether a notification area exists at all right now.
    virtual bool HostAvailable() const = 0;
    // Puts the icon up; false when the platform refuses. Where the platform
    // docks the icon later, the peer reports HostLost if that does not happen.
    virtual bool Add() = 0;
    // Takes the icon down; false when the platform refuses.
    virtual bool Remove() = 0;
};

// A pop-up menu opened at the mouse cursor.
class IPopupMenuPeer {
public:
    virtual ~IPopupMenuPeer() = default;
    // What comes before the menu opens, and also when it is open already: the
    // cursor's place is read for the menu, and the platform may bring the
    // program to the front and dispatch the events waiting (ticks included).
    virtual void Prepare() = 0;
    // Opens a menu of `captions` ("-" is a separator line, "&" marks the access
    // key, shown underlined) at the place Prepare read, kept on the screen, and
    // runs its modal loop. Returns the index of the chosen item, or -1 when the
    // menu closed without a choice. Ticks go on meanwhile.
    virtual int Popup(const std::vector<std::string>& captions) = 0;
};

// The file-open dialog. The peer reads its TOpenDialog's values when it opens.
class IOpenDialogPeer {
public:
    virtual ~IOpenDialogPeer() = default;
    // Runs the dialog modally; returns the confirmed full path, or nothing on
    // Cancel or when the dialog cannot be shown. Ticks go on meanwhile.
    virtual std::optional<std::string> Execute() = 0;
};

} // namespace vostrel
