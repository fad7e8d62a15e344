#include "ui/qt/QtWidgetSet.h"

#include "engine/HandOver.h"
#include "ui/qt/QtSpinEdit.h"
#include "ui/qt/QtTray.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <map>

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

// "MS Sans Serif" at 8 points (11 pixels); Liberation Sans has the closest metrics.
QFont formFont(const TObjectDesc& d) {
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"),
                                  QStringLiteral("Liberation Sans"));
        return true;
    }();
    (void)substituted;
    QFont f(qstr(d.text("Font.Name", "MS Sans Serif")));
    f.setPixelSize(static_cast<int>(std::abs(d.number("Font.Height", -11))));
    return f;
}

// ------------------------------------------------------------ the hand-over in Qt

// Receives the wake-up events and services the hand-over. Posted events run in
// every nested loop (message boxes, dialogs, menus), so ticks go on there too.
class HandOverPump final : public QObject {
public:
    HandOverPump() {
        HandOver::main().setWakeUp([this] { post(); });
        if (auto* d = QAbstractEventDispatcher::instance(thread()))
            // Before the loop sleeps: service, and look again if anything ran.
            connect(d, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
                if (HandOver::main().service())
                    post();
            });
    }
    ~HandOverPump() override { HandOver::main().setWakeUp(nullptr); }
    void post() { QCoreApplication::postEvent(this, new QEvent(kWake)); }

protected:
    bool event(QEvent* e) override {
        if (e->type() != kWake)
            return QObject::event(e);
        HandOver::main().service();
        return true;
    }

private:
    static constexpr QEvent::Type kWake = QEvent::User;
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

void place(QWidget* w, const TObjectDesc& d) {
    w->setGeometry(static_cast<int>(d.number("Left")), static_cast<int>(d.number("Top")),
                   static_cast<int>(d.number("Width")), static_cast<int>(d.number("Height")));
}

// A lamp: a panel with a lowered bevel, its number centred on the fill.
class LampWidget final : public QFrame {
public:
    LampWidget(QWidget* parent, QString caption) : QFrame(parent), caption_(std::move(caption)) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(1);
        setFocusPolicy(Qt::NoFocus);
    }
    void setFill(QColor c) {
        fill_ = c;
        update();
    }
    QColor fill() const { return fill_; }

protected:
    void paintEvent(QPaintEvent* e) override {
        {
            QPainter p(this);
            p.fillRect(contentsRect(), fill_);
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(contentsRect(), Qt::AlignCenter, caption_);
        }
        QFrame::paintEvent(e); // the bevel on top
    }

private:
    QString caption_;
    QColor fill_ = Qt::white;
};

class PanelPeer final : public WidgetPeer {
public:
    PanelPeer(QWidget* parent, const TObjectDesc& d)
        : WidgetPeer(new LampWidget(parent, qstr(d.text("Caption")))) {
        place(widget(), d);
        // A lowered outer bevel around a raised inner one: the About box's groove.
        if (d.text("BevelInner") == "bvRaised" && d.text("BevelOuter") == "bvLowered")
            lamp()->setFrameStyle(QFrame::Box | QFrame::Sunken);
        if (d.text("Color") == "clWhite")
            lamp()->setFill(Qt::white);
        else
            lamp()->setFill(parent->palette().color(QPalette::Window));
    }
    void SetColor(TColor c) override {
        if (widget_)
            lamp()->setFill(QColor::fromRgb(rgbOf(c)));
    }

private:
    LampWidget* lamp() const { return static_cast<LampWidget*>(widget_.data()); }
};

class LabelPeer final : public WidgetPeer {
public:
    LabelPeer(QWidget* parent, const TObjectDesc& d)
        : WidgetPeer(new QLabel(qstr(d.text("Caption")), parent)) {
        place(widget(), d);
        // Labels take their text's width, as the original font's metrics did.
        widget()->adjustSize();
        widget()->move(static_cast<int>(d.number("Left")), static_cast<int>(d.number("Top")));
    }
    std::string Text() const override {
        return widget_ ? str(static_cast<QLabel*>(widget_.data())->text()) : std::string();
    }
};

class ImagePeer final : public WidgetPeer {
public:
    ImagePeer(QWidget* parent, const TObjectDesc& d) : WidgetPeer(new QLabel(parent)) {
        place(widget(), d);
        auto* l = static_cast<QLabel*>(widget());
        l->setPixmap(programIcon().pixmap(32, 32));
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
};

class EditPeer final : public WidgetPeer {
public:
    EditPeer(QWidget* parent, const TObjectDesc& d) : WidgetPeer(new QLineEdit(parent)) {
        place(widget(), d);
        edit()->setReadOnly(d.flag("ReadOnly"));
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
    ButtonPeer(QWidget* parent, const TObjectDesc& d, TControl& control)
        : WidgetPeer(new QPushButton(qstr(d.text("Caption")), parent)) {
        place(widget(), d);
        auto* b = static_cast<QPushButton*>(widget());
        b->setAutoDefault(false);
        b->setDefault(d.flag("Default"));
        QObject::connect(b, &QPushButton::clicked, b, [&control] { control.Click(); });
    }
};

// The number box: the widget holds the rules and draws them.
class SpinPeer final : public WidgetPeer {
public:
    SpinPeer(QWidget* parent, const TObjectDesc& d) : WidgetPeer(new QtSpinEdit(parent)) {
        place(widget(), d);
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
    void closeEvent(QCloseEvent* e) override {
        e->accept();
        Application->Guard([this] { form_.Close(); });
        if (modal_)
            modal_->exit(mrCancel);
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
        const TObjectDesc& d = form.Desc();
        QWidget* w = widget_;
        w->setFont(formFont(d));
        w->setWindowTitle(qstr(d.text("Caption")));
        w->setWindowIcon(programIcon());
        const QSize client(static_cast<int>(d.number("ClientWidth")),
                           static_cast<int>(d.number("ClientHeight")));
        w->setFixedSize(client);
        Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (d.text("BorderStyle") == "bsSingle")
            flags |= Qt::WindowMinimizeButtonHint;
        else
            flags |= Qt::Dialog;
        w->setWindowFlags(flags);
        if (d.text("Position") != "poScreenCenter")
            w->move(static_cast<int>(d.number("Left")), static_cast<int>(d.number("Top")));
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
        // As on Windows, the program's windows shown now are disabled, and no
        // others: the main window hidden in the tray comes back usable, and
        // the tray icon keeps working.
        QPointer<QWidget> active = QApplication::activeWindow();
        std::vector<QPointer<QWidget>> disabled;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != widget_ && dynamic_cast<FormWidget*>(w) && w->isVisible() && w->isEnabled()) {
                w->setEnabled(false);
                disabled.emplace_back(w);
            }
        QEventLoop loop;
        widget_->modal_ = &loop;
        Show();
        const int result = loop.exec();
        if (widget_) {
            widget_->modal_ = nullptr;
            widget_->hide();
        }
        for (const QPointer<QWidget>& w : disabled)
            if (w)
                w->setEnabled(true);
        if (active && active->isVisible())
            active->activateWindow();
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
    void SetTabOrder(const std::vector<TControl*>& order) override {
        QWidget* previous = nullptr;
        for (TControl* c : order) {
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

} // namespace

// ------------------------------------------------------------ application

class QtApplicationPeer final : public IApplicationPeer {
public:
    void MessageBox(const std::string& text, const std::string& caption, unsigned) override {
        QWidget* owner = QApplication::activeWindow();
        QMessageBox box(QMessageBox::Critical, qstr(caption), qstr(text), QMessageBox::Ok, owner);
        // Modal to its owner, not to the whole program: the tray icon keeps
        // answering when the program is minimised into it behind the box.
        box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
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

    HandOverPump pump;
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

std::unique_ptr<IControlPeer> QtWidgetSet::CreateControl(TControl& control, IControlPeer& parent) {
    QWidget* host = widgetOf(&parent);
    const TObjectDesc& d = control.Desc();
    const std::string& kind = d.className;
    if (kind == "TPanel")
        return std::make_unique<PanelPeer>(host, d);
    if (kind == "TLabel")
        return std::make_unique<LabelPeer>(host, d);
    if (kind == "TImage")
        return std::make_unique<ImagePeer>(host, d);
    if (kind == "TButton")
        return std::make_unique<ButtonPeer>(host, d, control);
    if (kind == "TEdit")
        return std::make_unique<EditPeer>(host, d);
    if (kind == "TSpinEdit")
        return std::make_unique<SpinPeer>(host, d);
    throw ELayoutError("the Qt widget set has no control for " + kind);
}

QWidget* QtWidgetSet::widgetOf(IControlPeer* peer) {
    if (auto* f = dynamic_cast<FormPeer*>(peer))
        return f->widget();
    if (auto* w = dynamic_cast<WidgetPeer*>(peer))
        return w->widget();
    return nullptr;
}

} // namespace vostrel::qt
