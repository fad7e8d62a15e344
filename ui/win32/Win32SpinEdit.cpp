#include "ui/win32/Win32SpinEdit.h"

#include <algorithm>
#include <optional>
#include <utility>

#include <vssym32.h>

namespace vostrel::win32 {

namespace {

constexpr const char* kPairClass = "VostrelSpinPair";
constexpr const char* kArrowClass = "VostrelSpinArrow";
constexpr COLORREF kGlyphTransparent = RGB(128, 128, 0); // olive

void place(HWND w, const TRect& r) {
    SetWindowPos(w, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

// The pair: a plain child of the field that holds the two arrows.
class SpinPairWindow final : public NativeWindow {
public:
    explicit SpinPairWindow(HWND field) {
        ensureClass(kPairClass, NativeWindow::ClassProc(), 0,
                    reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
        create(0, kPairClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, SpinPairWidth, 17,
               field, 0);
    }
};

} // namespace

// ---------------------------------------------------------------- an arrow

SpinArrowWindow::SpinArrowWindow(TArrow& arrow, const char* glyph, HWND pair) : arrow_(arrow) {
    ensureClass(kArrowClass, NativeWindow::ClassProc(), 0, nullptr);
    create(0, kArrowClass, "", WS_CHILD | WS_VISIBLE, 0, 0, SpinPairWidth, 8, pair, 0);
    if (auto* bitmap = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), glyph,
                                                       IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))) {
        BITMAP size{};
        GetObjectA(bitmap, sizeof size, &size);
        glyph_ = ImageList_Create(size.bmWidth, size.bmHeight, ILC_COLOR24 | ILC_MASK, 1, 0);
        ImageList_AddMasked(glyph_, bitmap, kGlyphTransparent);
        DeleteObject(bitmap);
    }
    openTheme();
    arrow_.SetView(this);
}

SpinArrowWindow::~SpinArrowWindow() {
    arrow_.SetView(nullptr);
    // A press in progress ends with its window, or its timer would go on stepping.
    arrow_.CancelMode();
    if (theme_)
        CloseThemeData(theme_);
    if (glyph_)
        ImageList_Destroy(glyph_);
}

void SpinArrowWindow::openTheme() {
    if (theme_)
        CloseThemeData(theme_);
    theme_ = OpenThemeData(hwnd_, L"BUTTON"); // null while visual themes are off
}

void SpinArrowWindow::Invalidate() {
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void SpinArrowWindow::SetCapture(bool on) {
    if (on)
        ::SetCapture(hwnd_);
    else if (GetCapture() == hwnd_)
        ReleaseCapture();
}

bool SpinArrowWindow::HasCapture() const {
    return GetCapture() == hwnd_;
}

bool SpinArrowWindow::over(LPARAM lParam) const {
    // Client coordinates; negative ones come while the pointer is captured.
    const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RECT r;
    GetClientRect(hwnd_, &r);
    return PtInRect(&r, p) != FALSE;
}

void SpinArrowWindow::Paint(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    const bool pressed = arrow_.Pressed();
    if (theme_) {
        const int state = pressed ? PBS_PRESSED : PBS_NORMAL;
        if (IsThemeBackgroundPartiallyTransparent(theme_, BP_PUSHBUTTON, state))
            DrawThemeParentBackground(hwnd_, dc, &r);
        DrawThemeBackground(theme_, dc, BP_PUSHBUTTON, state, &r, nullptr);
    } else {
        DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    }
    if (!glyph_)
        return;
    int w = 0, h = 0;
    ImageList_GetIconSize(glyph_, &w, &h);
    const int shift = pressed ? 1 : 0;
    ImageList_Draw(glyph_, 0, dc, (r.right - w) / 2 + shift, (r.bottom - h) / 2 + shift,
                   ILD_TRANSPARENT);
}

LRESULT SpinArrowWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: // each press of a double-click is a press
        arrow_.MouseDown(TMouseButton::Left);
        return 0;
    case WM_RBUTTONDOWN:
        arrow_.MouseDown(TMouseButton::Right);
        return 0;
    case WM_MBUTTONDOWN:
        arrow_.MouseDown(TMouseButton::Middle);
        return 0;
    case WM_MOUSEMOVE:
        arrow_.MouseMove(over(lParam));
        return 0;
    case WM_LBUTTONUP:
        arrow_.MouseUp(TMouseButton::Left, over(lParam));
        return 0;
    case WM_RBUTTONUP: // and no context menu of the field
        arrow_.MouseUp(TMouseButton::Right, over(lParam));
        return 0;
    case WM_MBUTTONUP:
        arrow_.MouseUp(TMouseButton::Middle, over(lParam));
        return 0;
    case WM_CANCELMODE:
        arrow_.CancelMode();
        break;
    case WM_CAPTURECHANGED:
        // A window that took the pointer (a message box, a menu) ends the press.
        if (reinterpret_cast<HWND>(lParam) != hwnd_)
            arrow_.CancelMode();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        Paint(dc);
        EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_THEMECHANGED:
        openTheme();
        Invalidate();
        return 0;
    }
    return Default(msg, wParam, lParam);
}

// ---------------------------------------------------------------- the box

SpinPeer::SpinPeer(TControl& control, HWND parent, FormPeer& form, IBeeper& beeper,
                   ITimerFactory& timers)
    : ControlPeer(control), box_(beeper, timers, localeDecimalSeparator()) {
    // Multi-line for the formatting rectangle; it clips the arrows, its children.
    createChild(WS_EX_CLIENTEDGE, "EDIT", box_.Text(),
                ES_MULTILINE | ES_AUTOHSCROLL | WS_CLIPCHILDREN, parent, form.NextControlId());
    subclass();
    pair_ = std::make_unique<SpinPairWindow>(hwnd_);
    up_ = std::make_unique<SpinArrowWindow>(box_.UpArrow(), "SpinUp", pair_->Hwnd());
    down_ = std::make_unique<SpinArrowWindow>(box_.DownArrow(), "SpinDown", pair_->Hwnd());
    // In the row the two share, the down arrow lies on top and takes the pointer.
    SetWindowPos(down_->Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    box_.SetView(&view_);
    fitToFont();
}

SpinPeer::~SpinPeer() {
    box_.SetView(nullptr);
}

void SpinPeer::Command(WORD code) {
    if (code == EN_CHANGE && !settingText_)
        box_.TextEdited(ControlPeer::Text());
}

TFontMetrics SpinPeer::metrics() const {
    TFontMetrics m;
    m.CyBorder = GetSystemMetrics(SM_CYBORDER);
    HDC dc = GetDC(nullptr);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm); // the screen's default font
    m.ScreenTextHeight = tm.tmHeight;
    auto font = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    GetTextMetricsA(dc, &tm);
    m.TextHeight = tm.tmHeight;
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return m;
}

void SpinPeer::fitToFont() {
    RECT r;
    GetWindowRect(hwnd_, &r);
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, SpinFontHeight(metrics()),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Also when the height stayed: a new font resets the formatting rectangle.
    layOut();
}

void SpinPeer::layOut() {
    if (!down_)
        return; // still being made
    RECT r;
    GetWindowRect(hwnd_, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const TSpinEditLayout layout = SpinLayout(width, height, metrics());
    if (layout.Height != height && !raising_) {
        raising_ = true;
        SetWindowPos(hwnd_, nullptr, 0, 0, width, layout.Height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        raising_ = false;
        return; // laid out by the resize this caused
    }
    place(pair_->Hwnd(), layout.Pair);
    place(up_->Hwnd(), layout.UpArrow);
    place(down_->Hwnd(), layout.DownArrow);
    RECT text{layout.Text.Left, layout.Text.Top, layout.Text.Right, layout.Text.Bottom};
    SendMessageA(hwnd_, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&text));
}

void SpinPeer::View::SetText(const std::string& text) {
    peer_.settingText_ = true;
    SetWindowTextA(peer_.hwnd_, text.c_str());
    peer_.settingText_ = false;
}

void SpinPeer::View::SelectAll() {
    SendMessageA(peer_.hwnd_, EM_SETSEL, 0, -1);
}

bool SpinPeer::View::CanFocus() const {
    HWND form = GetAncestor(peer_.hwnd_, GA_ROOT);
    return IsWindowVisible(peer_.hwnd_) && IsWindowEnabled(peer_.hwnd_) && IsWindowEnabled(form);
}

void SpinPeer::View::SetReadOnly(bool readOnly) {
    SendMessageA(peer_.hwnd_, EM_SETREADONLY, readOnly, 0);
}

void SpinPeer::View::SetMaxLength(int maxLength) {
    // The edit's own limit holds back typing and pasting, not WM_SETTEXT; 0 is none.
    SendMessageA(peer_.hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(std::max(maxLength, 0)), 0);
}

void SpinPeer::paste() {
    std::optional<std::string> clip;
    if (box_.CutPasteAllowed() && OpenClipboard(hwnd_)) {
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            if (const char* text = static_cast<const char*>(GlobalLock(data))) {
                clip = text;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
    }
    DWORD start = 0, end = 0;
    SendMessageA(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    if (const auto pasted = box_.PasteText(clip, GetWindowTextLengthA(hwnd_), int(end - start)))
        SendMessageA(hwnd_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pasted->c_str()));
}

LRESULT SpinPeer::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETDLGCODE: {
        // Unlike other multi-line edits the box leaves Tab and Escape to the window;
        // Enter reaches it, where the typing filter refuses it with the sound.
        LRESULT code = Default(msg, wParam, lParam) & ~LRESULT(DLGC_WANTALLKEYS);
        if (auto* m = reinterpret_cast<const MSG*>(lParam);
            m && (m->message == WM_KEYDOWN || m->message == WM_CHAR) && m->wParam == VK_RETURN)
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_CHAR: {
        char ansi = static_cast<char>(wParam);
        wchar_t wide = 0;
        MultiByteToWideChar(CP_ACP, 0, &ansi, 1, &wide, 1);
        const auto ch = static_cast<char32_t>(wide);
        if (!box_.KeyPress(ch))
            return 0;
        // Line feed (Ctrl+Enter) and Tab would start a line or a tab in the
        // multi-line edit; a one-line field ignores them.
        if (ch == U'\n' || ch == U'\t')
            return 0;
        break;
    }
    case WM_KEYDOWN: {
        if (wParam == VK_UP || wParam == VK_DOWN)
            box_.KeyDown(wParam == VK_UP ? TKey::Up : TKey::Down);
        // Shift+Insert and Shift+Delete paste and cut without WM_PASTE and WM_CUT:
        // they take the same way as those.
        const bool shiftOnly =
            GetKeyState(VK_SHIFT) < 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
        if (shiftOnly && wParam == VK_INSERT) {
            paste();
            return 0;
        }
        if (shiftOnly && wParam == VK_DELETE && !box_.CutPasteAllowed())
            return 0;
        break;
    }
    case WM_PASTE:
        paste();
        return 0;
    case WM_CUT:
        if (!box_.CutPasteAllowed())
            return 0;
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        // Which button gave the focus decides whether entering selects the text.
        pressEntry_ = GetFocus() != hwnd_;
        const LRESULT result = Default(msg, wParam, lParam);
        pressEntry_ = false;
        return result;
    }
    case WM_SETFOCUS: {
        const LRESULT result = Default(msg, wParam, lParam);
        box_.FocusIn(pressEntry_);
        return result;
    }
    case WM_KILLFOCUS: {
        const LRESULT result = Default(msg, wParam, lParam);
        HWND next = reinterpret_cast<HWND>(wParam);
        box_.FocusOut(next && GetAncestor(next, GA_ROOT) == GetAncestor(hwnd_, GA_ROOT));
        return result;
    }
    case WM_SIZE: {
        // The edit resets its formatting rectangle on every resize.
        const LRESULT result = Default(msg, wParam, lParam);
        layOut();
        return result;
    }
    case WM_SETFONT: {
        const LRESULT result = Default(msg, wParam, lParam);
        fitToFont();
        return result;
    }
    }
    return Default(msg, wParam, lParam);
}

} // namespace vostrel::win32
