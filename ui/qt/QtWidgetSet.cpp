#include "ui/qt/QtWidgetSet.h"

#include "engine/HandOver.h"
#include "ui/qt/QtSpinEdit.h"
#include "ui/qt/QtTray.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyleHints>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdint>
#include <glib.h>
#include <qdrawutil.h>
#include <sys/eventfd.h>
#include <unistd.h>

// The icons are compiled into this static library; nothing else refers to
// them, so the linker would drop them unless they are registered by hand.
static void registerResources() {
    Q_INIT_RESOURCE(vostrel);
}

namespace vostrel::qt {

QIcon programIcon() {
    static const bool registered = (registerResources(), true);
    (void)registered;
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 72, 96, 128})
        icon.addFile(QStringLiteral(":/vostrel/icons/vostrel-%1.png").arg(size), QSize(size, size));
    return icon;
}

unsigned rgbOf(TColor c) {
    return qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

namespace {

QString qstr(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
std::string str(const QString& s) {
    return s.toUtf8().toStdString();
}

// "MS Sans Serif" does not exist here; Liberation Sans has the closest metrics.
QFont qtFont(const TFontSpec& spec) {
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"),
                                  QStringLiteral("Liberation Sans"));
        return true;
    }();
    (void)substituted;
    QFont f(qstr(spec.Name));
    f.setPixelSize(spec.Height);
    return f;
}

// The palette role that stands for each system colour here.
QPalette::ColorRole roleOf(TSystemColor c) {
    switch (c) {
    case TSystemColor::Window:
        return QPalette::Base;
    case TSystemColor::WindowText:
    case TSystemColor::MenuText:
    case TSystemColor::CaptionText:
        return QPalette::WindowText;
    case TSystemColor::BtnText:
        return QPalette::ButtonText;
    case TSystemColor::Highlight:
        return QPalette::Highlight;
    case TSystemColor::HighlightText:
        return QPalette::HighlightedText;
    case TSystemColor::BtnShadow:
        return QPalette::Dark;
    case TSystemColor::BtnHighlight:
        return QPalette::Light;
    case TSystemColor::DkShadow3D:
        return QPalette::Shadow;
    case TSystemColor::Light3D:
        return QPalette::Midlight;
    case TSystemColor::GrayText:
        return QPalette::PlaceholderText;
    case TSystemColor::InfoText:
        return QPalette::ToolTipText;
    case TSystemColor::InfoBk:
        return QPalette::ToolTipBase;
    default:
        return QPalette::Window;
    }
}

QColor qtColour(const TColorSpec& c, const QPalette& palette) {
    return c.IsSystem ? palette.color(roleOf(c.System)) : QColor::fromRgb(rgbOf(c.Rgb));
}

// ------------------------------------------------------------ the hand-over in Qt

// Services the hand-over when woken. Under Qt's glib event loop the wake-up is a
// write to an eventfd that a glib source of the main context watches: a tick's
// worker pays one system call for it, and the main thread runs the hand-over
// straight from the loop's dispatch, without an event sent through Qt's
// delivery (filters, notify, a signal), which was most of an idle tick's cost.
// With any other loop, or when no eventfd can be had, it posts an event. Both
// are served in every nested loop (message boxes, dialogs, menus), so ticks go
// on there too.
class HandOverPump final : public QObject {
public:
    HandOverPump() {
        auto* dispatcher = QAbstractEventDispatcher::instance(thread());
        // On the main thread Qt's glib loop iterates the default context.
        if (dispatcher && dispatcher->inherits("QEventDispatcherGlib"))
            source_ = WakeSource::make();
        HandOver::main().setWakeUp([this] { post(); });
        if (dispatcher)
            // Before the loop sleeps: service, and look again if anything ran.
            connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
                if (HandOver::main().service())
                    post();
            });
    }
    ~HandOverPump() override {
        // No wake-up can be under way once this returns, so the source and its
        // descriptor can go.
        HandOver::main().setWakeUp(nullptr);
        if (source_)
            source_->destroy();
    }
    void post() {
        if (!source_) {
            QCoreApplication::postEvent(this, new QEvent(kWake));
            return;
        }
        const uint64_t one = 1;
        ssize_t ignored = ::write(source_->fd, &one, sizeof one);
        (void)ignored;
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() != kWake)
            return QObject::event(e);
        HandOver::main().service();
        return true;
    }

private:
    struct WakeSource {
        GSource base; // first: glib hands the source back as a GSource*
        int fd;

        static WakeSource* make() {
            const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
            if (fd < 0)
                return nullptr;
            static GSourceFuncs funcs = {nullptr, nullptr, &WakeSource::dispatch,
                                         nullptr, nullptr, nullptr};
            auto* s = reinterpret_cast<WakeSource*>(g_source_new(&funcs, sizeof(WakeSource)));
            s->fd = fd;
            g_source_add_unix_fd(&s->base, fd, G_IO_IN);
            g_source_set_can_recurse(&s->base, TRUE); // ticks inside nested loops
            g_source_attach(&s->base, g_main_context_default());
            return s;
        }
        static gboolean dispatch(GSource* base, GSourceFunc, gpointer) {
            uint64_t count = 0;
            ssize_t ignored = ::read(reinterpret_cast<WakeSource*>(base)->fd, &count, sizeof count);
            (void)ignored;
            HandOver::main().service();
            return G_SOURCE_CONTINUE;
        }
        void destroy() {
            const int descriptor = fd;
            g_source_destroy(&base);
            g_source_unref(&base);
            ::close(descriptor);
        }
    };

    static constexpr QEvent::Type kWake = QEvent::User;
    WakeSource* source_ = nullptr;
};

// ------------------------------------------------------------ the text cursor

// The text cursor stops blinking ten seconds after the last key press, click
// or focus change and stays shown, as GTK's and Windows' carets do. Left in
// the number box through a race, a blinking cursor would repaint the window
// twice a second for hours.
class CursorBlinkTimeout final : public QObject {
public:
    CursorBlinkTimeout() : flashTime_(QGuiApplication::styleHints()->cursorFlashTime()) {
        if (flashTime_ <= 0)
            return; // blinking is off on this desktop already
        timer_.setSingleShot(true);
        timer_.setInterval(kTimeoutMs);
        connect(&timer_, &QTimer::timeout, this,
                [] { QGuiApplication::styleHints()->setCursorFlashTime(0); });
        qApp->installEventFilter(this);
        timer_.start();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::FocusIn:
        case QEvent::InputMethod:
            if (!timer_.isActive())
                QGuiApplication::styleHints()->setCursorFlashTime(flashTime_);
            timer_.start();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static constexpr int kTimeoutMs = 10000;
    const int flashTime_;
    QTimer timer_;
};

// ------------------------------------------------------------ controls

// Common to every peer: the widget it drives.
class WidgetPeer : public virtual IControlPeer {
public:
    explicit WidgetPeer(QWidget* w) : widget_(w) {}
    ~WidgetPeer() override { delete widget_.data(); }
    QWidget* widget() const { return widget_.data(); }
    void SetFocus() override {
        if (widget_)
            widget_->setFocus(Qt::OtherFocusReason);
    }
    bool Focused() const override { return widget_ && widget_->hasFocus(); }
    void SetEnabled(bool on) override {
        if (widget_)
            widget_->setEnabled(on);
    }

protected:
    QPointer<QWidget> widget_;
};

void place(QWidget* w, const TControlProps& p) {
    w->setGeometry(p.Bounds.Left, p.Bounds.Top, p.Bounds.Width, p.Bounds.Height);
    // A control that is no tab stop still takes the focus when clicked.
    if (!p.TabStop && w->focusPolicy() != Qt::NoFocus)
        w->setFocusPolicy(Qt::ClickFocus);
}

// A panel: its bevels, its fill and its caption centred on it; the lamps are panels.
class PanelWidget final : public QWidget {
public:
    PanelWidget(QWidget* parent, const TControlProps& p)
        : QWidget(parent), caption_(qstr(p.Caption)), outer_(p.BevelOuter), inner_(p.BevelInner),
          fill_(qtColour(p.Color, parent->palette())),
          text_(qtColour(p.TextColor, parent->palette())) {
        setFocusPolicy(Qt::NoFocus);
    }
    void setFill(QColor c) {
        fill_ = c;
        update();
    }
    QColor fill() const { return fill_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QRect r = rect();
        for (TBevel bevel : {outer_, inner_}) {
            if (bevel == TBevel::None)
                continue;
            if (bevel != TBevel::Space)
                qDrawShadePanel(&p, r, palette(), bevel == TBevel::Lowered, 1);
            r.adjust(1, 1, -1, -1);
        }
        p.fillRect(r, fill_);
        p.setPen(text_);
        p.drawText(r, Qt::AlignCenter, caption_);
    }

private:
    QString caption_;
    TBevel outer_;
    TBevel inner_;
    QColor fill_;
    QColor text_;
};

class PanelPeer final : public WidgetPeer {
public:
    PanelPeer(QWidget* parent, const TControlProps& p) : WidgetPeer(new PanelWidget(parent, p)) {
        place(widget(), p);
    }
    void SetColor(TColor c) override {
        if (widget_)
            static_cast<PanelWidget*>(widget_.data())->setFill(QColor::fromRgb(rgbOf(c)));
    }
};

class LabelPeer final : public WidgetPeer {
public:
    LabelPeer(QWidget* parent, const TControlProps& p)
        : WidgetPeer(new QLabel(qstr(p.Caption), parent)) {
        place(widget(), p);
    }
    std::string Text() const override {
        return widget_ ? str(static_cast<QLabel*>(widget_.data())->text()) : std::string();
    }
};

class ImagePeer final : public WidgetPeer {
public:
    ImagePeer(QWidget* parent, const TControlProps& p) : WidgetPeer(new QLabel(parent)) {
        place(widget(), p);
        auto* l = static_cast<QLabel*>(widget());
        l->setPixmap(programIcon().pixmap(32, 32)); // the one picture the program has
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
};

class EditPeer final : public WidgetPeer {
public:
    EditPeer(QWidget* parent, const TControlProps& p) : WidgetPeer(new QLineEdit(parent)) {
        place(widget(), p);
        edit()->setReadOnly(p.ReadOnly);
        QPalette palette = edit()->palette();
        palette.setColor(QPalette::Base, qtColour(p.Color, palette));
        edit()->setPalette(palette);
    }
    std::string Text() const override { return widget_ ? str(edit()->text()) : std::string(); }
    void SetText(const std::string& s) override {
        if (!widget_)
            return;
        edit()->setText(qstr(s));
        edit()->setCursorPosition(0);
    }

private:
    QLineEdit* edit() const { return static_cast<QLineEdit*>(widget_.data()); }
};

class ButtonPeer final : public WidgetPeer {
public:
    ButtonPeer(QWidget* parent, TControl& control)
        : WidgetPeer(new QPushButton(qstr(control.Props().Caption), parent)) {
        place(widget(), control.Props());
        auto* b = static_cast<QPushButton*>(widget());
        b->setAutoDefault(false);
        b->setDefault(control.Props().Default);
        QObject::connect(b, &QPushButton::clicked, b, [&control] { control.Click(); });
    }
};

// The number box: the widget holds the rules and draws them.
class SpinPeer final : public WidgetPeer {
public:
    SpinPeer(QWidget* parent, const TControlProps& p) : WidgetPeer(new QtSpinEdit(parent)) {
        place(widget(), p);
        spin()->SetErrorDisplay([](const std::exception& e) { Application->ShowException(e); });
    }
    std::string Text() const override { return widget_ ? spin()->Box().Text() : std::string(); }
    void SetText(const std::string& s) override {
        if (widget_)
            spin()->Box().SetText(s);
    }
    TSpinEdit* SpinBox() override { return widget_ ? &spin()->Box() : nullptr; }

private:
    QtSpinEdit* spin() const { return static_cast<QtSpinEdit*>(widget_.data()); }
};

// ------------------------------------------------------------ forms

class FormWidget final : public QWidget {
public:
    explicit FormWidget(TForm& form) : form_(form) {}

protected:
    // What closing means (the end of the program, a modal result, a hide) is
    // the form's to decide.
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        Application->Guard([this] { form_.Close(); });
    }
    // Enter presses the default button wherever the focus is. Escape does
    // nothing: no form here has a cancel button.
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
            for (QPushButton* b : findChildren<QPushButton*>())
                if (b->isDefault() && b->isEnabled() && b->isVisible()) {
                    b->click();
                    return;
                }
        QWidget::keyPressEvent(e);
    }

public:
    TForm& form_;
    QEventLoop* modal_ = nullptr;
};

class FormPeer final : public IFormPeer {
public:
    explicit FormPeer(TForm& form) : widget_(new FormWidget(form)) {
        const TFormProps& p = form.FormProps();
        QWidget* w = widget_;
        w->setFont(qtFont(p.Font));
        QPalette palette = w->palette();
        palette.setColor(QPalette::Window, qtColour(p.Color, palette));
        palette.setColor(QPalette::WindowText, qtColour(p.Font.Color, palette));
        w->setPalette(palette);
        w->setWindowTitle(qstr(p.Caption));
        if (p.HasIcon)
            w->setWindowIcon(programIcon());
        const QSize client(p.ClientWidth, p.ClientHeight);
        if (p.Frame.Sizeable)
            w->resize(client);
        else
            w->setFixedSize(client);
        Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
        if (p.Frame.DialogFrame)
            flags |= Qt::Dialog;
        if (p.Frame.ToolWindow)
            flags |= Qt::Tool;
        if (!p.Frame.Caption)
            flags |= Qt::FramelessWindowHint;
        else
            flags |= Qt::WindowTitleHint;
        if (p.Frame.SystemMenu)
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (p.Frame.MinimizeBox)
            flags |= Qt::WindowMinimizeButtonHint;
        if (p.Frame.MaximizeBox)
            flags |= Qt::WindowMaximizeButtonHint;
        w->setWindowFlags(flags);
        w->move(p.Left, p.Top);
    }
    ~FormPeer() override { delete widget_.data(); }

    QWidget* widget() const { return widget_.data(); }
    void Show() override {
        widget_->show();
        widget_->raise();
        widget_->activateWindow();
    }
    void Hide() override { widget_->hide(); }
    bool Visible() const override { return widget_ && widget_->isVisible(); }
    int ShowModal() override {
        QEventLoop loop;
        widget_->modal_ = &loop;
        Show();
        const int result = loop.exec(); // 0, no result, when the quit request ends it
        if (widget_) {
            widget_->modal_ = nullptr;
            widget_->hide();
        }
        return result;
    }
    void EndModal(int result) override {
        if (widget_ && widget_->modal_)
            widget_->modal_->exit(result);
    }
    TControl* ActiveControl() const override { return nullptr; }
    TBounds FrameBounds() const override {
        QRect r = widget_->frameGeometry();
        // Before its first showing a window has no frame yet: assume the main window's.
        QWidget* main = Application && Application->MainForm()
                            ? QtWidgetSet::widgetOf(&Application->MainForm()->FormPeer())
                            : nullptr;
        if (r == widget_->geometry() && main && main != widget_) {
            const QRect f = main->frameGeometry();
            const QRect g = main->geometry();
            r.adjust(f.left() - g.left(), f.top() - g.top(), f.right() - g.right(),
                     f.bottom() - g.bottom());
        }
        return {r.x(), r.y(), r.width(), r.height()};
    }
    TBounds ScreenBounds() const override {
        QScreen* screen = widget_->screen() ? widget_->screen() : QGuiApplication::primaryScreen();
        const QRect r = screen ? screen->geometry() : QRect();
        return {r.x(), r.y(), r.width(), r.height()};
    }
    void MoveTo(int left, int top) override { widget_->move(left, top); }
    void SetTabOrder(const std::vector<TControl*>& stops) override {
        QWidget* previous = nullptr;
        for (TControl* c : stops) {
            QWidget* w = QtWidgetSet::widgetOf(c->Peer());
            if (!w)
                continue;
            if (previous)
                QWidget::setTabOrder(previous, w);
            else
                w->setFocus(Qt::OtherFocusReason); // focus on first activation
            previous = w;
        }
    }

private:
    QPointer<FormWidget> widget_;
};

// The windows of the program's forms.
std::vector<QWidget*> formWindows() {
    std::vector<QWidget*> windows;
    if (!Application || Application->IsDestroying())
        return windows;
    for (TComponent* c : Application->Components())
        if (auto* form = dynamic_cast<TForm*>(c))
            if (QWidget* w = QtWidgetSet::widgetOf(&form->FormPeer()))
                windows.push_back(w);
    return windows;
}

bool isFormWindow(TNativeWindow window) {
    const std::vector<QWidget*> windows = formWindows();
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

} // namespace

// ------------------------------------------------------------ application

class QtApplicationPeer final : public IApplicationPeer {
public:
    // The box is no child of its owner, which is disabled while it is up (a
    // disabled window disables its child windows): it is only kept above it.
    void MessageBox(TNativeWindow owner, const std::string& text, const std::string& caption,
                    unsigned) override {
        QMessageBox box(QMessageBox::Critical, qstr(caption), qstr(text), QMessageBox::Ok);
        if (auto* parent = static_cast<QWidget*>(owner); parent && isFormWindow(owner)) {
            box.winId();
            box.windowHandle()->setTransientParent(parent->windowHandle());
        }
        // Not application-modal: the tray icon stays usable, as on Windows.
        box.setWindowModality(Qt::WindowModal);
        box.exec();
    }
    void PostQuit() override { QCoreApplication::exit(0); }
    void Run(TForm& mainForm) override {
        mainForm.Show();
        QApplication::exec();
    }
    // The title is the caption of the taskbar entry; here the main window
    // carries that entry and its caption is the title already. (As Qt's
    // display name it would be appended to every other caption: "About — ...")
    void SetTitle(const std::string&) override {}

    std::vector<TNativeWindow> UsableWindows() override {
        std::vector<TNativeWindow> usable;
        for (QWidget* w : formWindows())
            if (w->isVisible() && w->isEnabled())
                usable.push_back(w);
        return usable;
    }
    void SetWindowEnabled(TNativeWindow window, bool enabled) override {
        if (isFormWindow(window))
            static_cast<QWidget*>(window)->setEnabled(enabled);
    }
    TActivation Activation() override {
        return {QApplication::activeWindow(), QApplication::focusWidget()};
    }
    void SetActivation(const TActivation& a) override {
        if (!isFormWindow(a.Window) || !static_cast<QWidget*>(a.Window)->isVisible())
            return;
        static_cast<QWidget*>(a.Window)->activateWindow();
        if (a.Focus && QApplication::allWidgets().contains(static_cast<QWidget*>(a.Focus)))
            static_cast<QWidget*>(a.Focus)->setFocus(Qt::OtherFocusReason);
    }
    TNativeWindow DefaultOwner() override {
        if (Application && Application->MainForm() && Application->MainForm()->Visible())
            return QtWidgetSet::widgetOf(&Application->MainForm()->FormPeer());
        return nullptr;
    }

    HandOverPump pump;
    CursorBlinkTimeout cursorBlink;
};

QtWidgetSet::QtWidgetSet()
    : app_(std::make_unique<QtApplicationPeer>()),
      window_(std::make_unique<QtApplicationWindow>()) {}
QtWidgetSet::~QtWidgetSet() = default;

IApplicationPeer& QtWidgetSet::Application() {
    return *app_;
}

std::unique_ptr<IFormPeer> QtWidgetSet::CreateForm(TForm& form) {
    return std::make_unique<FormPeer>(form);
}

std::unique_ptr<IControlPeer> QtWidgetSet::CreatePanel(TPanel& panel, IControlPeer& parent) {
    return std::make_unique<PanelPeer>(widgetOf(&parent), panel.Props());
}
std::unique_ptr<IControlPeer> QtWidgetSet::CreateLabel(TLabel& label, IControlPeer& parent) {
    return std::make_unique<LabelPeer>(widgetOf(&parent), label.Props());
}
std::unique_ptr<IControlPeer> QtWidgetSet::CreateEdit(TEdit& edit, IControlPeer& parent) {
    return std::make_unique<EditPeer>(widgetOf(&parent), edit.Props());
}
std::unique_ptr<IControlPeer> QtWidgetSet::CreateButton(TButton& button, IControlPeer& parent) {
    return std::make_unique<ButtonPeer>(widgetOf(&parent), button);
}
std::unique_ptr<IControlPeer> QtWidgetSet::CreateImage(TImage& image, IControlPeer& parent) {
    return std::make_unique<ImagePeer>(widgetOf(&parent), image.Props());
}
std::unique_ptr<IControlPeer> QtWidgetSet::CreateSpinEdit(TSpinEditBox& box, IControlPeer& parent) {
    return std::make_unique<SpinPeer>(widgetOf(&parent), box.Props());
}

int QtWidgetSet::TextWidth(const TFontSpec& font, const std::string& text) {
    return QFontMetrics(qtFont(font)).horizontalAdvance(qstr(text));
}

QWidget* QtWidgetSet::widgetOf(IControlPeer* peer) {
    if (auto* f = dynamic_cast<FormPeer*>(peer))
        return f->widget();
    if (auto* w = dynamic_cast<WidgetPeer*>(peer))
        return w->widget();
    return nullptr;
}

} // namespace vostrel::qt
