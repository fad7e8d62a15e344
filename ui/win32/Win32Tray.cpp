#include "ui/win32/Win32Tray.h"

#include "ui/win32/Win32Application.h"
#include "ui/win32/Win32WidgetSet.h"

#include <algorithm>
#include <cstring>

namespace vostrel::win32 {

// ---------------------------------------------------------------- tray icon

// The record's second version, which every shell from Windows 2000 on reads.
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V2_SIZE == 488);

NOTIFYICONDATAA trayIconData(HWND callbackWindow, const std::string& tip) {
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = callbackWindow;
    data.uID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(callbackWindow));
    data.uFlags = NIF_MESSAGE | NIF_ICON | (tip.empty() ? 0 : NIF_TIP);
    data.uCallbackMessage = kTrayCallbackMessage;
    lstrcpynA(data.szTip, tip.c_str(), sizeof data.szTip);
    data.uTimeout = 3000;
    return data;
}

UINT TrayIconPeer::TaskbarCreated() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

TrayIconPeer::TrayIconPeer(TTrayIcon& owner, const ShellCalls& shell)
    : owner_(owner), shell_(shell) {
    TaskbarCreated();
    WNDCLASSA existing;
    if (!GetClassInfoA(GetModuleHandleA(nullptr), "VostrelTrayIcon", &existing)) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ClassProc();
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VostrelTrayIcon";
        RegisterClassA(&wc);
    }
    create(WS_EX_TOOLWINDOW, "VostrelTrayIcon", "", WS_POPUP, 0, 0, 0, 0, nullptr, 0);
    data_ = trayIconData(hwnd_, owner.Hint());
}

bool TrayIconPeer::Add() {
    data_.hIcon = programIcon(GetSystemMetrics(SM_CXSMICON));
    return shell_.notifyIcon(NIM_ADD, data_);
}

bool TrayIconPeer::Remove() {
    data_.hIcon = programIcon(GetSystemMetrics(SM_CXSMICON));
    return shell_.notifyIcon(NIM_DELETE, data_);
}

LRESULT TrayIconPeer::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kTrayCallbackMessage) {
        switch (static_cast<UINT>(lParam)) {
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            owner_.DblClick();
            break;
        case WM_RBUTTONUP:
            owner_.RightButtonUp();
            break;
        }
        return 0;
    }
    if (msg == TaskbarCreated() && msg != 0) {
        owner_.HostRestarted();
        return 0;
    }
    switch (msg) {
    case WM_QUERYENDSESSION:
        return 1;
    case WM_ENDSESSION:
        if (wParam)
            shell_.notifyIcon(NIM_DELETE, data_); // nobody is left to hear of a failure
        return 0;
    }
    return Default(msg, wParam, lParam);
}

// ---------------------------------------------------------------- menu

MenuPlacement placeMenu(POINT cursor, SIZE size, const RECT& monitor, const RECT& workArea) {
    MenuPlacement at;
    if (cursor.x + size.cx <= monitor.right) {
        at.x = std::max<LONG>(cursor.x, monitor.left);
        at.flags |= TPM_LEFTALIGN;
    } else if (monitor.right - size.cx >= monitor.left) {
        at.x = monitor.right;
        at.flags |= TPM_RIGHTALIGN;
    } else {
        at.x = monitor.left;
        at.flags |= TPM_LEFTALIGN;
    }
    if (cursor.y + size.cy <= workArea.bottom) {
        at.y = std::max<LONG>(cursor.y, workArea.top);
        at.flags |= TPM_TOPALIGN;
    } else if (cursor.y - size.cy >= workArea.top) {
        at.y = cursor.y;
        at.flags |= TPM_BOTTOMALIGN;
    } else {
        at.y = workArea.top;
        at.flags |= TPM_TOPALIGN;
    }
    return at;
}

namespace {

// Room beside an item's text, and the height a separator takes.
constexpr int kTextLeft = 22;
constexpr int kTextRight = 22;
constexpr int kTextPadding = 8;
constexpr int kSeparatorHeight = 9;

bool isLine(const std::string& caption) {
    return caption == "-";
}

char upper(char c) {
    CharUpperBuffA(&c, 1);
    return c;
}

// One open menu: its items' captions, font and sizes, and the drawing.
class MenuLook {
public:
    explicit MenuLook(const std::vector<std::string>& captions) : captions_(captions) {
        NONCLIENTMETRICSA metrics;
        std::memset(&metrics, 0, sizeof metrics);
        // The size that every version knows: without the padded border of Windows 6.
        metrics.cbSize = sizeof metrics - sizeof metrics.iPaddedBorderWidth;
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
        font_ = CreateFontIndirectA(&metrics.lfMenuFont);
    }
    ~MenuLook() { DeleteObject(font_); }
    MenuLook(const MenuLook&) = delete;
    MenuLook& operator=(const MenuLook&) = delete;

    size_t count() const { return captions_.size(); }

    SIZE itemSize(size_t index) const {
        if (isLine(captions_[index]))
            return {1, kSeparatorHeight};
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font_);
        RECT r{0, 0, 0, 0};
        DrawTextA(dc, captions_[index].c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return {kTextLeft + r.right + kTextRight, r.bottom + kTextPadding};
    }

    // What the system will most likely make of it, frame included.
    SIZE menuSize() const {
        SIZE total{0, 0};
        for (size_t i = 0; i < captions_.size(); ++i) {
            const SIZE item = itemSize(i);
            total.cx = std::max(total.cx, item.cx);
            total.cy += item.cy;
        }
        const int frame = 2 * GetSystemMetrics(SM_CXFIXEDFRAME);
        return {total.cx + GetSystemMetrics(SM_CXMENUCHECK) + frame, total.cy + frame};
    }

    void draw(const DRAWITEMSTRUCT& item) const {
        const size_t index = item.itemData;
        if (index >= captions_.size())
            return;
        HDC dc = item.hDC;
        RECT r = item.rcItem;
        const bool selected = (item.itemState & ODS_SELECTED) && !isLine(captions_[index]);
        FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_MENUHILIGHT : COLOR_MENU));
        if (isLine(captions_[index])) {
            RECT line{r.left + 4, (r.top + r.bottom) / 2, r.right - 4, (r.top + r.bottom) / 2 + 1};
            FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
            return;
        }
        if (selected)
            FrameRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
        HGDIOBJ old = SelectObject(dc, font_);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
        RECT text{r.left + kTextLeft, r.top, r.right - kTextRight, r.bottom};
        // No DT_HIDEPREFIX: the access keys stay underlined whatever the keyboard did.
        DrawTextA(dc, captions_[index].c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        SelectObject(dc, old);
    }

    // The item whose access key was typed, as WM_MENUCHAR answers it.
    LRESULT menuChar(char typed) const {
        for (size_t i = 0; i < captions_.size(); ++i)
            if (const char key = AccessKeyOf(captions_[i]); key && upper(key) == upper(typed))
                return MAKELRESULT(static_cast<WORD>(i), MNC_EXECUTE);
        return MAKELRESULT(0, MNC_IGNORE);
    }

private:
    const std::vector<std::string>& captions_;
    HFONT font_;
};

} // namespace

void TrayMenuPeer::Prepare() {
    GetCursorPos(&cursor_);
    SetForegroundWindow(static_cast<HWND>(app_.Window()));
    app_.DispatchWaiting(); // ticks included
}

int TrayMenuPeer::Popup(const std::vector<std::string>& captions) {
    const POINT cursor = cursor_;
    HWND owner = static_cast<HWND>(app_.Window());
    MenuLook look(captions);
    HMENU menu = CreatePopupMenu();
    for (size_t i = 0; i < captions.size(); ++i) {
        MENUITEMINFOA item;
        std::memset(&item, 0, sizeof item);
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA | MIIM_STRING;
        item.fType = MFT_OWNERDRAW | (isLine(captions[i]) ? MFT_SEPARATOR : 0);
        item.wID = static_cast<UINT>(i + 1);
        item.dwItemData = i;
        // Kept for the system's own access-key search and for accessibility.
        item.dwTypeData = const_cast<char*>(captions[i].c_str());
        InsertMenuItemA(menu, static_cast<UINT>(i), TRUE, &item);
    }
    MENUINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND;
    info.hbrBack = GetSysColorBrush(COLOR_MENU);
    SetMenuInfo(menu, &info);

    app_.SetMessageHook(
        [&look, menu](unsigned msg, uintptr_t wParam, intptr_t lParam, intptr_t& result) {
            switch (msg) {
            case WM_MEASUREITEM: {
                auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
                if (m->CtlType != ODT_MENU || m->itemData >= look.count())
                    return false;
                const SIZE size = look.itemSize(m->itemData);
                m->itemWidth = static_cast<UINT>(size.cx);
                m->itemHeight = static_cast<UINT>(size.cy);
                result = TRUE;
                return true;
            }
            case WM_DRAWITEM: {
                auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
                if (d->CtlType != ODT_MENU || reinterpret_cast<HMENU>(d->hwndItem) != menu)
                    return false;
                look.draw(*d);
                result = TRUE;
                return true;
            }
            case WM_MENUCHAR:
                if (reinterpret_cast<HMENU>(lParam) != menu)
                    return false;
                result = look.menuChar(static_cast<char>(LOWORD(wParam)));
                return true;
            }
            return false;
        });
    struct Cleanup {
        Win32ApplicationPeer& app;
        HMENU menu;
        ~Cleanup() {
            app.SetMessageHook(nullptr);
            DestroyMenu(menu);
        }
    } cleanup{app_, menu};

    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
    const MenuPlacement at = placeMenu(cursor, look.menuSize(), monitor.rcMonitor, monitor.rcWork);

    sndPlaySoundA(nullptr, 0);
    sndPlaySoundA("MenuPopup", SND_ASYNC | SND_NODEFAULT | SND_NOSTOP);
    const int chosen = static_cast<int>(TrackPopupMenuEx(
        menu, at.flags | TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, owner, nullptr));
    return chosen > 0 ? chosen - 1 : -1;
}

// ---------------------------------------------------------------- widget set

std::unique_ptr<ITrayIconPeer> Win32WidgetSet::CreateTrayIcon(TTrayIcon& icon) {
    return std::make_unique<TrayIconPeer>(icon, *shell_);
}

std::unique_ptr<IPopupMenuPeer> Win32WidgetSet::CreatePopupMenu(TPopupActionBar&) {
    return std::make_unique<TrayMenuPeer>(*app_);
}

} // namespace vostrel::win32
