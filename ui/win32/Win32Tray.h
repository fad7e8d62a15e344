#pragma once
// The notification-area icon with its callback window, and the tray menu drawn
// by the program: the Win32 peers of the portable tray cycle.

#include "ui/Tray.h"
#include "ui/win32/Win32Controls.h"
#include "ui/win32/Win32Shell.h"

#include <string>
#include <vector>

namespace vostrel::win32 {

class Win32ApplicationPeer;

// The message the icon's clicks come with.
inline constexpr UINT kTrayCallbackMessage = WM_USER + 1;

// The icon's data record, Shell_NotifyIconA's only argument. Its size is the
// second version's (488 bytes in the 32-bit program), whatever the headers know.
NOTIFYICONDATAA trayIconData(HWND callbackWindow, const std::string& tip);

// A hidden tool window receives the icon's clicks, the shell's "TaskbarCreated"
// and the session's end, and reports them to its TTrayIcon.
class TrayIconPeer final : public NativeWindow, public ITrayIconPeer {
public:
    TrayIconPeer(TTrayIcon& owner, const ShellCalls& shell);

    // The Windows shell is always there to be asked; a refusal is Add's result.
    bool HostAvailable() const override { return true; }
    bool Add() override;
    bool Remove() override;

    const NOTIFYICONDATAA& Data() const { return data_; }
    // The shell's "TaskbarCreated", registered once.
    static UINT TaskbarCreated();

protected:
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    TTrayIcon& owner_;
    const ShellCalls& shell_;
    NOTIFYICONDATAA data_;
};

// Where the menu goes: its top-left corner at the cursor, kept on the monitor
// under the cursor; to the left against the monitor's right edge, and upwards,
// ending at the cursor, where it would pass the bottom of the work area, never
// above its top. `size` is the menu's expected size: the system places the menu
// by its real one at the corner that `flags` (TPM_*ALIGN) names.
struct MenuPlacement {
    int x = 0;
    int y = 0;
    UINT flags = 0;
};
MenuPlacement placeMenu(POINT cursor, SIZE size, const RECT& monitor, const RECT& workArea);

// The tray menu: a pop-up menu owned by the application window, its items drawn
// by the program in a flat style with the access keys always underlined.
class TrayMenuPeer final : public IPopupMenuPeer {
public:
    explicit TrayMenuPeer(Win32ApplicationPeer& app) : app_(app) {}
    // The cursor's place; the application window to the foreground; the
    // messages waiting dispatched.
    void Prepare() override;
    int Popup(const std::vector<std::string>& captions) override;

private:
    Win32ApplicationPeer& app_;
    POINT cursor_{0, 0};
};

} // namespace vostrel::win32
