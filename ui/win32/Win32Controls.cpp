#include "ui/win32/Win32Controls.h"

#include "engine/Errors.h"
#include "ui/win32/Win32Application.h"
#include "ui/win32/Win32SpinEdit.h"
#include "ui/win32/Win32WidgetSet.h"

#include <algorithm>
#include <utility>

namespace vostrel::win32 {

namespace {

constexpr const char* kPeerProperty = "VostrelWindow";

HINSTANCE instance() {
    return GetModuleHandleA(nullptr);
}

int number(const TObjectDesc& d, const char* prop, int fallback = 0) {
    return static_cast<int>(d.number(prop, fallback));
}

FormPeer& formPeerOf(TControl& control) {
    return static_cast<FormPeer&>(control.Form().FormPeer());
}

COLORREF colourOf(const TObjectDesc& d, const char* prop, COLORREF fallback) {
    const TValue* v = d.find(prop);
    if (!v)
        return fallback;
    if (v->kind == TValue::Kind::Number)
        return static_cast<COLORREF>(v->number);
    if (v->text == "clWhite")
        return RGB(255, 255, 255);
    if (v->text == "clRed")
        return RGB(255, 0, 0);
    if (v->text == "clBlack")
        return RGB(0, 0, 0);
    if (v->text == "clWindow")
        return GetSysColor(COLOR_WINDOW);
    return GetSysColor(COLOR_BTNFACE);
}

} // namespace

void ensureClass(const char* name, WNDPROC proc, UINT style, HBRUSH background, HICON icon) {
    WNDCLASSA existing;
    if (GetClassInfoA(instance(), name, &existing))
        return;
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance();
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

// ---------------------------------------------------------------- errors

LRESULT guarded(const std::function<LRESULT()>& work) {
    try {
        return work();
    } catch (const std::exception& e) {
        if (HWND capture = GetCapture())
            SendMessageA(capture, WM_CANCELMODE, 0, 0);
        if (Application)
            Application->ShowException(e);
    } catch (...) {
        // Nothing else is thrown by the program; this only keeps the frames safe.
    }
    return 0;
}

HICON programIcon(int size) {
    static HICON icons[257] = {};
    size = std::clamp(size, 1, 256);
    if (!icons[size])
        icons[size] = static_cast<HICON>(
            LoadImageA(instance(), "MAINICON", IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    return icons[size];
}

// ---------------------------------------------------------------- windows

NativeWindow::~NativeWindow() {
    if (hwnd_ && IsWindow(hwnd_)) {
        RemovePropA(hwnd_, kPeerProperty);
        if (classProc_)
            SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(classProc_));
        DestroyWindow(hwnd_);
    }
}

NativeWindow* NativeWindow::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<NativeWindow*>(GetPropA(hwnd, kPeerProperty)) : nullptr;
}

void NativeWindow::create(DWORD exStyle, const char* className, const std::string& text,
                          DWORD style, int x, int y, int w, int h, HWND parent, UINT id) {
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    hwnd_ = CreateWindowExA(exStyle, className, text.c_str(), style, x, y, w, h, parent, menu,
                            instance(), this);
    if (!hwnd_)
        throw Exception(std::string("Cannot create a window of class ") + className);
    // Windows of our own classes were attached at WM_NCCREATE.
    SetPropA(hwnd_, kPeerProperty, this);
}

void NativeWindow::subclass() {
    classProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
}

LRESULT NativeWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    return Default(msg, wParam, lParam);
}

LRESULT NativeWindow::Default(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (classProc_)
        return CallWindowProcA(classProc_, hwnd_, msg, wParam, lParam);
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK NativeWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        if (auto* self = static_cast<NativeWindow*>(cs->lpCreateParams)) {
            self->hwnd_ = hwnd;
            SetPropA(hwnd, kPeerProperty, self);
        }
    }
    NativeWindow* self = FromHandle(hwnd);
    if (!self)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        RemovePropA(hwnd, kPeerProperty);
        const LRESULT result = self->Default(msg, wParam, lParam);
        self->hwnd_ = nullptr;
        return result;
    }
    return guarded([&] { return self->Handle(msg, wParam, lParam); });
}

// ---------------------------------------------------------------- controls

void ControlPeer::createChild(DWORD exStyle, const char* className, const std::string& text,
                              DWORD style, HWND parent, UINT id) {
    const TObjectDesc& d = control_.Desc();
    create(exStyle, className, text, style | WS_CHILD | WS_VISIBLE, number(d, "Left"),
           number(d, "Top"), number(d, "Width"), number(d, "Height"), parent, id);
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(formPeerOf(control_).Font()), FALSE);
}

std::string ControlPeer::Text() const {
    const int n = GetWindowTextLengthA(hwnd_);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(hwnd_, text.data(), n + 1)));
    return text;
}

void ControlPeer::SetText(const std::string& text) {
    SetWindowTextA(hwnd_, text.c_str());
}

void ControlPeer::SetFocus() {
    ::SetFocus(hwnd_);
}

bool ControlPeer::Focused() const {
    return hwnd_ && GetFocus() == hwnd_;
}

void ControlPeer::SetEnabled(bool on) {
    EnableWindow(hwnd_, on);
}

namespace {

// A label: static text as wide as its text in the form's font.
class LabelPeer final : public ControlPeer {
public:
    LabelPeer(TControl& control, HWND parent) : ControlPeer(control) {
        const std::string caption = control.Desc().text("Caption");
        createChild(0, "STATIC", caption, SS_LEFT, parent);
        HDC dc = GetDC(hwnd_);
        HGDIOBJ old = SelectObject(dc, formPeerOf(control).Font());
        RECT r{0, 0, 0, 0};
        DrawTextA(dc, caption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, old);
        ReleaseDC(hwnd_, dc);
        SetWindowPos(hwnd_, nullptr, 0, 0, r.right, number(control.Desc(), "Height"),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    HBRUSH ControlColor(HDC dc) override {
        SetBkMode(dc, TRANSPARENT);
        return GetSysColorBrush(COLOR_BTNFACE);
    }
};

// A panel: fill, bevels and a centred caption; the lamps are panels.
class PanelPeer final : public ControlPeer {
public:
    PanelPeer(TControl& control, HWND parent) : ControlPeer(control) {
        const TObjectDesc& d = control.Desc();
        fill_ = d.flag("ParentColor") ? GetSysColor(COLOR_BTNFACE)
                                      : colourOf(d, "Color", GetSysColor(COLOR_BTNFACE));
        outer_ = d.text("BevelOuter", "bvRaised");
        inner_ = d.text("BevelInner", "bvNone");
        ensureClass("VostrelPanel", NativeWindow::ClassProc(), CS_HREDRAW | CS_VREDRAW, nullptr);
        createChild(WS_EX_CONTROLPARENT, "VostrelPanel", d.text("Caption"),
                    WS_CLIPSIBLINGS | WS_CLIPCHILDREN, parent);
    }
    void SetColor(TColor colour) override {
        fill_ = colour;
        InvalidateRect(hwnd_, nullptr, FALSE);
    }

protected:
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (formPeerOf(control_).ChildMessage(msg, wParam, lParam, result))
            return result;
        switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            paint();
            return 0;
        case WM_SETFONT:
            font_ = reinterpret_cast<HFONT>(wParam);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_);
        }
        return Default(msg, wParam, lParam);
    }

private:
    static UINT edgeOf(const std::string& bevel, bool outer) {
        if (bevel == "bvLowered")
            return outer ? BDR_SUNKENOUTER : BDR_SUNKENINNER;
        if (bevel == "bvRaised")
            return outer ? BDR_RAISEDOUTER : BDR_RAISEDINNER;
        return 0;
    }
    void paint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        RECT r;
        GetClientRect(hwnd_, &r);
        if (UINT edge = edgeOf(outer_, true))
            DrawEdge(dc, &r, edge, BF_RECT | BF_ADJUST);
        if (UINT edge = edgeOf(inner_, false))
            DrawEdge(dc, &r, edge, BF_RECT | BF_ADJUST);
        HBRUSH brush = CreateSolidBrush(fill_);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        const std::string caption = Text();
        if (!caption.empty()) {
            HGDIOBJ old = SelectObject(dc, font_);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            DrawTextA(dc, caption.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            SelectObject(dc, old);
        }
        EndPaint(hwnd_, &ps);
    }

    COLORREF fill_;
    std::string outer_;
    std::string inner_;
    HFONT font_ = nullptr;
};

// A picture: the program icon at its natural size, at the top left.
class ImagePeer final : public ControlPeer {
public:
    ImagePeer(TControl& control, HWND parent) : ControlPeer(control) {
        createChild(0, "VostrelImage", "", 0, parent);
    }

protected:
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            RECT r;
            GetClientRect(hwnd_, &r);
            FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
            DrawIconEx(dc, 0, 0, programIcon(32), 32, 32, 0, nullptr, DI_NORMAL);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        return Default(msg, wParam, lParam);
    }
};

// A one-line edit field; a read-only one keeps the window colour.
class EditPeer final : public ControlPeer {
public:
    EditPeer(TControl& control, HWND parent) : ControlPeer(control) {
        readOnly_ = control.Desc().flag("ReadOnly");
        createChild(WS_EX_CLIENTEDGE, "EDIT", "", ES_AUTOHSCROLL | (readOnly_ ? ES_READONLY : 0),
                    parent);
    }
    HBRUSH ControlColor(HDC dc) override {
        if (!readOnly_)
            return nullptr;
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return GetSysColorBrush(COLOR_WINDOW);
    }

private:
    bool readOnly_ = false;
};

// A push button; its modal result ends a modal form before its click handler runs.
class ButtonPeer final : public ControlPeer {
public:
    ButtonPeer(TControl& control, HWND parent) : ControlPeer(control) {
        FormPeer& form = formPeerOf(control);
        const UINT id = form.NextControlId();
        const bool isDefault = control.Desc().flag("Default");
        createChild(0, "BUTTON", control.Desc().text("Caption"),
                    isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, parent, id);
        if (isDefault)
            form.SetDefaultButton(id);
    }
    void Command(WORD code) override {
        if (code != BN_CLICKED)
            return;
        if (const int result = number(control_.Desc(), "ModalResult"))
            control_.Form().SetModalResult(result);
        control_.Click();
    }
};

} // namespace

// ---------------------------------------------------------------- forms

FormPeer::FormPeer(TForm& form, Win32ApplicationPeer& app) : form_(form), app_(app) {
    const TObjectDesc& d = form.Desc();
    const std::string border = d.text("BorderStyle", "bsSizeable");
    const TValue* iconsValue = d.find("BorderIcons");
    std::vector<std::string> icons =
        iconsValue ? iconsValue->items
                   : std::vector<std::string>{"biSystemMenu", "biMinimize", "biMaximize"};
    auto has = [&](const char* icon) {
        return std::find(icons.begin(), icons.end(), icon) != icons.end();
    };
    DWORD style = WS_CAPTION | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (border == "bsDialog") {
        exStyle |= WS_EX_DLGMODALFRAME;
        if (has("biSystemMenu"))
            style |= WS_SYSMENU;
    } else {
        if (border == "bsSizeable")
            style |= WS_THICKFRAME;
        if (has("biSystemMenu"))
            style |= WS_SYSMENU;
        if (has("biMinimize"))
            style |= WS_MINIMIZEBOX;
        if (has("biMaximize"))
            style |= WS_MAXIMIZEBOX;
    }
    RECT r{0, 0, number(d, "ClientWidth"), number(d, "ClientHeight")};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);

    font_ = CreateFontA(number(d, "Font.Height", -11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, d.text("Font.Name", "MS Sans Serif").c_str());
    const std::string className = d.className.empty() ? "VostrelForm" : d.className;
    ensureClass(className.c_str(), NativeWindow::ClassProc(), CS_DBLCLKS,
                reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    create(exStyle, className.c_str(), d.text("Caption"), style, number(d, "Left"),
           number(d, "Top"), r.right - r.left, r.bottom - r.top, static_cast<HWND>(app.Window()),
           0);
    if (d.find("Icon")) {
        SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(programIcon(32)));
        SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(programIcon(16)));
    }
    app_.AddForm(this);
}

FormPeer::~FormPeer() {
    app_.RemoveForm(this);
    if (hwnd_ && IsWindow(hwnd_)) {
        RemovePropA(hwnd_, "VostrelWindow");
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
    DeleteObject(font_);
    app_.UpdateVisible();
}

std::string FormPeer::Text() const {
    char buffer[512];
    return std::string(buffer, static_cast<size_t>(GetWindowTextA(hwnd_, buffer, sizeof buffer)));
}

void FormPeer::SetText(const std::string& text) {
    SetWindowTextA(hwnd_, text.c_str());
}

void FormPeer::SetFocus() {
    ::SetFocus(hwnd_);
}

bool FormPeer::Focused() const {
    return GetActiveWindow() == hwnd_;
}

void FormPeer::SetEnabled(bool on) {
    EnableWindow(hwnd_, on);
}

void FormPeer::Show() {
    if (Application && Application->MainForm() == &form_)
        app_.MainFormShowing();
    if (!shownBefore_) {
        shownBefore_ = true;
        if (form_.Desc().text("Position") == "poScreenCenter") {
            RECT r;
            GetWindowRect(hwnd_, &r);
            const int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
            const int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
            SetWindowPos(hwnd_, nullptr, std::max(0, x), std::max(0, y), 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    visible_ = true;
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    app_.UpdateVisible();
}

void FormPeer::Hide() {
    visible_ = false;
    if (modal_ && modalResult_ == mrNone)
        modalResult_ = mrCancel;
    ShowWindow(hwnd_, SW_HIDE);
    app_.UpdateVisible();
}

int FormPeer::ShowModal() {
    if (visible_ || modal_)
        throw Exception("Cannot make a visible window modal");
    HWND active = GetActiveWindow();
    const std::vector<void*> disabled = app_.DisableTaskWindows(hwnd_);
    modal_ = true;
    modalResult_ = mrNone;
    Show();
    while (modalResult_ == mrNone) {
        if (!app_.HandleMessage()) {
            // The quit message ends the dialog with Cancel and stays for the main loop.
            PostQuitMessage(app_.QuitCode());
            modalResult_ = mrCancel;
        }
    }
    modal_ = false;
    const int result = modalResult_;
    Hide();
    app_.EnableTaskWindows(disabled);
    if (active && IsWindow(active))
        SetActiveWindow(active);
    return result;
}

void FormPeer::EndModal(int result) {
    if (modal_)
        modalResult_ = result;
}

TControl* FormPeer::ActiveControl() const {
    NativeWindow* w = FromHandle(focusTarget());
    return w ? w->Control() : nullptr;
}

HWND FormPeer::focusTarget() const {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus))
        return focus;
    if (savedFocus_ && IsWindow(savedFocus_))
        return savedFocus_;
    return firstStop_;
}

void FormPeer::RestoreFocus() {
    HWND target = focusTarget();
    if (target && IsWindowVisible(target) && IsWindowEnabled(target))
        ::SetFocus(target);
}

void FormPeer::SetTabOrder(const std::vector<TControl*>& order) {
    HWND previous = nullptr;
    for (TControl* c : order) {
        HWND h = static_cast<HWND>(Win32WidgetSet::HandleOf(c->Peer()));
        if (!h)
            continue;
        // Tab order is z-order within a parent; only fields and buttons are stops.
        const bool sameParent = previous && GetParent(previous) == GetParent(h);
        SetWindowPos(h, sameParent ? previous : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = h;
        char className[16] = {};
        GetClassNameA(h, className, sizeof className);
        if (lstrcmpiA(className, "EDIT") != 0 && lstrcmpiA(className, "BUTTON") != 0)
            continue;
        SetWindowLongPtrA(h, GWL_STYLE, GetWindowLongPtrA(h, GWL_STYLE) | WS_TABSTOP);
        if (!firstStop_)
            firstStop_ = h;
    }
}

bool FormPeer::ChildMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        if (NativeWindow* child = FromHandle(reinterpret_cast<HWND>(lParam)))
            child->Command(HIWORD(wParam));
        result = 0; // Enter without a default button and Escape end nothing here
        return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        if (NativeWindow* child = FromHandle(reinterpret_cast<HWND>(lParam)))
            if (HBRUSH brush = child->ControlColor(reinterpret_cast<HDC>(wParam))) {
                result = reinterpret_cast<LRESULT>(brush);
                return true;
            }
        return false;
    }
    return false;
}

LRESULT FormPeer::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ChildMessage(msg, wParam, lParam, result))
        return result;
    switch (msg) {
    case WM_CLOSE:
        form_.Close();
        return 0;
    case WM_SYSCOMMAND:
        // The main window minimises the whole application, not itself.
        if ((wParam & 0xFFF0) == SC_MINIMIZE && Application && Application->MainForm() == &form_) {
            Application->Minimize();
            return 0;
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd_, focus))
                savedFocus_ = focus;
            return 0;
        }
        if (!HIWORD(wParam)) {
            RestoreFocus();
            return 0;
        }
        break;
    case WM_SETFOCUS:
        RestoreFocus();
        return 0;
    case DM_GETDEFID:
        return defaultId_ ? MAKELRESULT(defaultId_, DC_HASDEFID) : 0;
    }
    return Default(msg, wParam, lParam);
}

// ---------------------------------------------------------------- factory

std::unique_ptr<IControlPeer> createControlPeer(TControl& control, IControlPeer& parent,
                                                IBeeper& beeper, ITimerFactory& timers) {
    ensureClass("VostrelImage", NativeWindow::ClassProc(), 0, nullptr);
    HWND host = static_cast<HWND>(Win32WidgetSet::HandleOf(&parent));
    const std::string& kind = control.ClassName();
    if (kind == "TPanel")
        return std::make_unique<PanelPeer>(control, host);
    if (kind == "TLabel")
        return std::make_unique<LabelPeer>(control, host);
    if (kind == "TImage")
        return std::make_unique<ImagePeer>(control, host);
    if (kind == "TButton")
        return std::make_unique<ButtonPeer>(control, host);
    if (kind == "TEdit")
        return std::make_unique<EditPeer>(control, host);
    if (kind == "TSpinEdit")
        return std::make_unique<SpinPeer>(control, host, formPeerOf(control), beeper, timers);
    throw ELayoutError("the Win32 widget set has no control for " + kind);
}

} // namespace vostrel::win32
