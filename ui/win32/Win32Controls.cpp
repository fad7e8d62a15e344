#include "ui/win32/Win32Controls.h"

#include "engine/Errors.h"
#include "ui/win32/Win32Application.h"
#include "ui/win32/Win32SpinEdit.h"
#include "ui/win32/Win32WidgetSet.h"

#include <algorithm>
#include <map>
#include <utility>

namespace vostrel::win32 {

namespace {

constexpr const char* kPeerProperty = "VostrelWindow";

HINSTANCE instance() {
    return GetModuleHandleA(nullptr);
}

FormPeer& formPeerOf(TControl& control) {
    return static_cast<FormPeer&>(control.Form().FormPeer());
}

} // namespace

COLORREF colourOf(const TColorSpec& c) {
    return c.IsSystem ? GetSysColor(static_cast<int>(c.System)) : static_cast<COLORREF>(c.Rgb);
}

HBRUSH brushOf(const TColorSpec& c) {
    if (c.IsSystem)
        return GetSysColorBrush(static_cast<int>(c.System));
    // A handful of colours over the program's life: kept, never deleted.
    static std::map<COLORREF, HBRUSH> brushes;
    HBRUSH& brush = brushes[static_cast<COLORREF>(c.Rgb)];
    if (!brush)
        brush = CreateSolidBrush(static_cast<COLORREF>(c.Rgb));
    return brush;
}

HFONT createFont(const TFontSpec& font) {
    return CreateFontA(-font.Height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, font.Name.c_str());
}

static int textWidth(HFONT font, const std::string& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return r.right;
}

namespace {} // namespace

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
    const TBounds& b = control_.Props().Bounds;
    if (control_.Props().TabStop)
        style |= WS_TABSTOP;
    create(exStyle, className, text, style | WS_CHILD | WS_VISIBLE, b.Left, b.Top, b.Width,
           b.Height, parent, id);
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

// A label: static text on its colour.
class LabelPeer final : public ControlPeer {
public:
    LabelPeer(TControl& control, HWND parent) : ControlPeer(control) {
        createChild(0, "STATIC", control.Props().Caption, SS_LEFT, parent);
    }
    HBRUSH ControlColor(HDC dc) override {
        SetBkMode(dc, TRANSPARENT);
        return brushOf(control_.Props().Color);
    }
};

// A panel: fill, bevels and a centred caption; the lamps are panels.
class PanelPeer final : public ControlPeer {
public:
    PanelPeer(TControl& control, HWND parent) : ControlPeer(control) {
        fill_ = colourOf(control.Props().Color);
        ensureClass("VostrelPanel", NativeWindow::ClassProc(), CS_HREDRAW | CS_VREDRAW, nullptr);
        createChild(WS_EX_CONTROLPARENT, "VostrelPanel", control.Props().Caption,
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
    static UINT edgeOf(TBevel bevel, bool outer) {
        if (bevel == TBevel::Lowered)
            return outer ? BDR_SUNKENOUTER : BDR_SUNKENINNER;
        if (bevel == TBevel::Raised)
            return outer ? BDR_RAISEDOUTER : BDR_RAISEDINNER;
        return 0;
    }
    static void drawBevel(HDC dc, RECT& r, TBevel bevel, bool outer) {
        if (UINT edge = edgeOf(bevel, outer))
            DrawEdge(dc, &r, edge, BF_RECT | BF_ADJUST);
        else if (bevel == TBevel::Space)
            InflateRect(&r, -1, -1);
    }
    void paint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        RECT r;
        GetClientRect(hwnd_, &r);
        drawBevel(dc, r, control_.Props().BevelOuter, true);
        drawBevel(dc, r, control_.Props().BevelInner, false);
        HBRUSH brush = CreateSolidBrush(fill_);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        const std::string caption = Text();
        if (!caption.empty()) {
            HGDIOBJ old = SelectObject(dc, font_);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, colourOf(control_.Props().TextColor));
            DrawTextA(dc, caption.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            SelectObject(dc, old);
        }
        EndPaint(hwnd_, &ps);
    }

    COLORREF fill_;
    HFONT font_ = nullptr;
};

// A picture: the program icon at its natural size, at the top left.
class ImagePeer final : public ControlPeer {
public:
    ImagePeer(TControl& control, HWND parent) : ControlPeer(control) {
        ensureClass("VostrelImage", NativeWindow::ClassProc(), 0, nullptr);
        createChild(0, "VostrelImage", "", 0, parent);
    }

protected:
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            RECT r;
            GetClientRect(hwnd_, &r);
            FillRect(dc, &r, brushOf(control_.Props().Color));
            DrawIconEx(dc, 0, 0, programIcon(32), 32, 32, 0, nullptr, DI_NORMAL);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        return Default(msg, wParam, lParam);
    }
};

// A one-line edit field on its colour, also when read-only.
class EditPeer final : public ControlPeer {
public:
    EditPeer(TControl& control, HWND parent) : ControlPeer(control) {
        createChild(WS_EX_CLIENTEDGE, "EDIT", "",
                    ES_AUTOHSCROLL | (control.Props().ReadOnly ? ES_READONLY : 0), parent);
    }
    HBRUSH ControlColor(HDC dc) override {
        SetBkColor(dc, colourOf(control_.Props().Color));
        return brushOf(control_.Props().Color);
    }
};

class ButtonPeer final : public ControlPeer {
public:
    ButtonPeer(TControl& control, HWND parent) : ControlPeer(control) {
        FormPeer& form = formPeerOf(control);
        const UINT id = form.NextControlId();
        const bool isDefault = control.Props().Default;
        createChild(0, "BUTTON", control.Props().Caption,
                    isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, parent, id);
        if (isDefault)
            form.SetDefaultButton(id);
    }
    void Command(WORD code) override {
        if (code == BN_CLICKED)
            control_.Click();
    }
};

} // namespace

// ---------------------------------------------------------------- forms

FormPeer::FormPeer(TForm& form, Win32ApplicationPeer& app) : form_(form), app_(app) {
    const TFormProps& p = form.FormProps();
    const TWindowFrame& f = p.Frame;
    DWORD style = WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (f.Caption ? WS_CAPTION : WS_POPUP);
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (f.DialogFrame)
        exStyle |= WS_EX_DLGMODALFRAME;
    if (f.ToolWindow)
        exStyle |= WS_EX_TOOLWINDOW;
    if (f.Sizeable)
        style |= WS_THICKFRAME;
    if (f.SystemMenu)
        style |= WS_SYSMENU;
    if (f.MinimizeBox)
        style |= WS_MINIMIZEBOX;
    if (f.MaximizeBox)
        style |= WS_MAXIMIZEBOX;
    RECT r{0, 0, p.ClientWidth, p.ClientHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);

    font_ = createFont(p.Font);
    const std::string className = form.ClassName().empty() ? "VostrelForm" : form.ClassName();
    ensureClass(className.c_str(), NativeWindow::ClassProc(), CS_DBLCLKS, nullptr);
    create(exStyle, className.c_str(), p.Caption, style, p.Left, p.Top, r.right - r.left,
           r.bottom - r.top, static_cast<HWND>(app.Window()), 0);
    if (p.HasIcon) {
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
    visible_ = true;
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    app_.UpdateVisible();
}

void FormPeer::Hide() {
    visible_ = false;
    ShowWindow(hwnd_, SW_HIDE);
    app_.UpdateVisible();
}

int FormPeer::ShowModal() {
    modal_ = true;
    modalResult_ = mrNone;
    Show();
    while (modalResult_ == mrNone && app_.HandleMessage()) {
    }
    if (modalResult_ == mrNone)
        PostQuitMessage(app_.QuitCode()); // the quit message stays for the main loop
    modal_ = false;
    Hide();
    return modalResult_;
}

void FormPeer::EndModal(int result) {
    if (modal_)
        modalResult_ = result;
}

TBounds FormPeer::FrameBounds() const {
    RECT r;
    GetWindowRect(hwnd_, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

TBounds FormPeer::ScreenBounds() const {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void FormPeer::MoveTo(int left, int top) {
    SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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

void FormPeer::SetTabOrder(const std::vector<TControl*>& stops) {
    HWND previous = nullptr;
    for (TControl* c : stops) {
        HWND h = static_cast<HWND>(Win32WidgetSet::HandleOf(c->Peer()));
        if (!h)
            continue;
        // Tab order is z-order within a parent; the stops carry WS_TABSTOP already.
        const bool sameParent = previous && GetParent(previous) == GetParent(h);
        SetWindowPos(h, sameParent ? previous : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = h;
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
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(hwnd_, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, brushOf(form_.FormProps().Color));
        return 1;
    }
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

// ---------------------------------------------------------------- widget set

std::unique_ptr<IControlPeer> Win32WidgetSet::CreatePanel(TPanel& panel, IControlPeer& parent) {
    return std::make_unique<PanelPeer>(panel, static_cast<HWND>(HandleOf(&parent)));
}
std::unique_ptr<IControlPeer> Win32WidgetSet::CreateLabel(TLabel& label, IControlPeer& parent) {
    return std::make_unique<LabelPeer>(label, static_cast<HWND>(HandleOf(&parent)));
}
std::unique_ptr<IControlPeer> Win32WidgetSet::CreateEdit(TEdit& edit, IControlPeer& parent) {
    return std::make_unique<EditPeer>(edit, static_cast<HWND>(HandleOf(&parent)));
}
std::unique_ptr<IControlPeer> Win32WidgetSet::CreateButton(TButton& button, IControlPeer& parent) {
    return std::make_unique<ButtonPeer>(button, static_cast<HWND>(HandleOf(&parent)));
}
std::unique_ptr<IControlPeer> Win32WidgetSet::CreateImage(TImage& image, IControlPeer& parent) {
    return std::make_unique<ImagePeer>(image, static_cast<HWND>(HandleOf(&parent)));
}
std::unique_ptr<IControlPeer> Win32WidgetSet::CreateSpinEdit(TSpinEditBox& box,
                                                             IControlPeer& parent) {
    return std::make_unique<SpinPeer>(box, static_cast<HWND>(HandleOf(&parent)), formPeerOf(box),
                                      *beeper_, *timers_);
}

int Win32WidgetSet::TextWidth(const TFontSpec& font, const std::string& text) {
    HFONT f = createFont(font);
    const int width = textWidth(f, text);
    DeleteObject(f);
    return width;
}

} // namespace vostrel::win32
