#include "ui/qt/QtSpinEdit.h"

#include "ui/qt/QtWidgetServices.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtGlobal>

#include <utility>

#include "resources/SpinDown.xpm"
#include "resources/SpinUp.xpm"

namespace vostrel {

namespace {

char32_t localeDecimalSeparator() {
    const QList<uint> point = QLocale().decimalPoint().toUcs4();
    return point.isEmpty() ? U'.' : char32_t(point.front());
}

QRect toQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

TMouseButton toButton(Qt::MouseButton b) {
    if (b == Qt::LeftButton)
        return TMouseButton::Left;
    return b == Qt::MiddleButton ? TMouseButton::Middle : TMouseButton::Right;
}

QPixmap glyph(const char* const* xpm) {
    QPixmap pixmap(xpm);
    pixmap.setMask(pixmap.createMaskFromColor(QColor(128, 128, 0))); // olive is transparent
    return pixmap;
}

} // namespace

// ---------------------------------------------------------------- the text field

class QtSpinField : public QLineEdit {
public:
    QtSpinField(QtSpinEdit& owner, TSpinEdit& box) : QLineEdit(&owner), box_(box) {
        // Everything typed must reach the filter as a key press, and every change
        // of the text go through the box's rules: no input method, no dragging
        // text in or out.
        setAttribute(Qt::WA_InputMethodEnabled, false);
        setAcceptDrops(false);
        setDragEnabled(false);
        connect(this, &QLineEdit::textChanged, this,
                [this](const QString& text) { box_.TextEdited(text.toStdString()); });
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) {
            box_.KeyDown(e->key() == Qt::Key_Up ? TKey::Up : TKey::Down);
            QLineEdit::keyPressEvent(e);
            return;
        }
        if (e->matches(QKeySequence::Paste))
            return paste(QClipboard::Clipboard);
        if (e->matches(QKeySequence::Cut))
            return cutIfAllowed();
        if (e->matches(QKeySequence::Copy))
            return copy();
        if (const char32_t ch = typedCharacter(e)) {
            if (!box_.KeyPress(ch))
                return;
            switch (TSpinEdit::CharCommand(ch)) {
            case TCharCommand::Type:
                if (box_.InsertRoom(int(text().size()), int(selectedText().size())) > 0)
                    insert(QString::fromUcs4(&ch, 1));
                return;
            case TCharCommand::Backspace:
                return backspace();
            case TCharCommand::Copy:
                return copy();
            case TCharCommand::Cut:
                return cutIfAllowed();
            case TCharCommand::Paste:
                return paste(QClipboard::Clipboard);
            case TCharCommand::Undo:
                return undo();
            case TCharCommand::SelectAll:
                return selectAll();
            case TCharCommand::None:
                return;
            }
        }
        // Keys that type nothing: moving the caret, selecting, Delete. Their
        // Ctrl and Alt forms that edit (a word, the rest of the line) are not
        // the box's, and nor is anything else.
        if (movesCaret(e) || (e->key() == Qt::Key_Delete && e->modifiers() == Qt::NoModifier))
            QLineEdit::keyPressEvent(e);
        else
            e->ignore();
    }

    void mousePressEvent(QMouseEvent* e) override {
        if (mouseEntryPending_) {
            mouseEntryPending_ = false;
            box_.FocusIn(e->button() == Qt::LeftButton);
        }
        QLineEdit::mousePressEvent(e);
    }

    void mouseReleaseEvent(QMouseEvent* e) override {
        // The middle button pastes the selection on X11: the same rules as any paste.
        if (e->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
            if (box_.CutPasteAllowed()) {
                deselect();
                paste(QClipboard::Selection);
            }
            return;
        }
        QLineEdit::mouseReleaseEvent(e);
    }

    void contextMenuEvent(QContextMenuEvent* e) override {
        std::unique_ptr<QMenu> menu(createStandardContextMenu());
        for (QAction* action : menu->actions()) {
            if (action->objectName() == QLatin1String("edit-paste")) {
                disconnect(action, &QAction::triggered, nullptr, nullptr);
                connect(action, &QAction::triggered, this,
                        [this] { paste(QClipboard::Clipboard); });
            } else if (action->objectName() == QLatin1String("edit-cut")) {
                disconnect(action, &QAction::triggered, nullptr, nullptr);
                connect(action, &QAction::triggered, this, [this] { cutIfAllowed(); });
            }
        }
        menu->exec(e->globalPos());
    }

    void focusInEvent(QFocusEvent* e) override {
        QLineEdit::focusInEvent(e);
        if (e->reason() == Qt::MouseFocusReason)
            mouseEntryPending_ = true; // which button gave the focus is known at the press
        else
            box_.FocusIn(false);
    }

    void focusOutEvent(QFocusEvent* e) override {
        QLineEdit::focusOutEvent(e);
        mouseEntryPending_ = false;
        const QWidget* next = QApplication::focusWidget();
        const bool popup = e->reason() == Qt::PopupFocusReason;
        box_.FocusOut(!popup && next && next != this && next->window() == window());
    }

private:
    // The character the key types as the Windows keyboard types it, or 0 for a
    // key that types none: Ctrl with a letter types that letter's control code,
    // and Ctrl+Backspace the character 127. With Alt a key types nothing here.
    static char32_t typedCharacter(const QKeyEvent* e) {
        const Qt::KeyboardModifiers held =
            e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        const bool altGr = held == (Qt::ControlModifier | Qt::AltModifier);
        if (held == Qt::ControlModifier) {
            const int key = e->key();
            if (key >= Qt::Key_A && key <= Qt::Key_Z)
                return char32_t(key - Qt::Key_A + 1);
            if (key == Qt::Key_Backspace)
                return 127;
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                return U'\n';
            return 0;
        }
        if (held != Qt::NoModifier && !altGr)
            return 0;
        if (e->key() == Qt::Key_Delete || e->text().isEmpty())
            return 0;
        return e->text().toUcs4().value(0);
    }

    static bool movesCaret(const QKeyEvent* e) {
        switch (e->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
            return !(e->modifiers() & (Qt::AltModifier | Qt::MetaModifier));
        default:
            return false;
        }
    }

    void cutIfAllowed() {
        if (box_.CutPasteAllowed())
            cut();
    }

    void paste(QClipboard::Mode mode) {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData(mode);
        std::optional<std::string> clip;
        if (data && data->hasText())
            clip = data->text().toStdString();
        if (const auto pasted =
                box_.PasteText(clip, int(text().size()), int(selectedText().size())))
            insert(QString::fromStdString(*pasted));
    }

    TSpinEdit& box_;
    bool mouseEntryPending_ = false;
};

// ---------------------------------------------------------------- an arrow

class QtSpinArrow : public QWidget, private IArrowView {
public:
    QtSpinArrow(QtSpinEdit& owner, TArrow& arrow, const char* const* xpm, QWidget* parent)
        : QWidget(parent), owner_(owner), arrow_(arrow), glyph_(glyph(xpm)) {
        setFocusPolicy(Qt::NoFocus);
        arrow_.SetView(this);
    }
    ~QtSpinArrow() override { arrow_.SetView(nullptr); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QStyleOptionButton option;
        option.initFrom(this);
        const bool pressed = arrow_.Pressed();
        option.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
        const int shift = pressed ? 1 : 0;
        painter.drawPixmap((width() - glyph_.width()) / 2 + shift,
                           (height() - glyph_.height()) / 2 + shift, glyph_);
    }

    // A double-click's second press arrives here too (QWidget's default), so each
    // press of it counts.
    void mousePressEvent(QMouseEvent* e) override {
        guarded([&] { arrow_.MouseDown(toButton(e->button())); });
    }
    void mouseMoveEvent(QMouseEvent* e) override { arrow_.MouseMove(over(e)); }
    void mouseReleaseEvent(QMouseEvent* e) override {
        guarded([&] { arrow_.MouseUp(toButton(e->button()), over(e)); });
    }
    void hideEvent(QHideEvent*) override { arrow_.CancelMode(); }

private:
    // IArrowView. Qt keeps the pointer with the pressed widget by itself; the press
    // has lost it when a modal window or a pop-up came up meanwhile.
    void Invalidate() override { update(); }
    void SetCapture(bool) override {}
    bool HasCapture() const override {
        if (QApplication::activePopupWidget())
            return false;
        const QWidget* modal = QApplication::activeModalWidget();
        return !modal || modal == window();
    }

    bool over(const QMouseEvent* e) const { return rect().contains(e->position().toPoint()); }

    template <class F> void guarded(F&& f) {
        try {
            f();
        } catch (const std::exception& error) {
            owner_.showError(error);
        }
    }

    QtSpinEdit& owner_;
    TArrow& arrow_;
    QPixmap glyph_;
};

// ---------------------------------------------------------------- the box

QtSpinEdit::QtSpinEdit(QWidget* parent, IBeeper* beeper, ITimerFactory* timers)
    : QWidget(parent), ownBeeper_(beeper ? nullptr : std::make_unique<QtBeeper>()),
      ownTimers_(timers ? nullptr
                        : std::make_unique<QtTimerFactory>(
                              [this](const std::exception& e) { showError(e); })),
      box_(beeper ? *beeper : *ownBeeper_, timers ? *timers : *ownTimers_,
           localeDecimalSeparator()) {
    field_ = new QtSpinField(*this, box_);
    // The pair is the field's sibling, above it, so that a press on an arrow never
    // hands the focus to the field by itself: the arrow decides.
    pair_ = new QWidget(this);
    pair_->setFocusPolicy(Qt::NoFocus);
    pair_->setCursor(Qt::ArrowCursor);
    up_ = new QtSpinArrow(*this, box_.UpArrow(), SpinUp, pair_);
    down_ = new QtSpinArrow(*this, box_.DownArrow(), SpinDown, pair_); // on top in the shared row
    // The box itself stays NoFocus, so a press on an arrow does not pass the focus up
    // to it; the field stands in for it in the tab order.
    setFocusProxy(field_);
    box_.SetView(this);
    resize(57, SpinFontHeight(metrics()));
}

QtSpinEdit::~QtSpinEdit() {
    box_.SetView(nullptr);
    // The field and the arrows refer to the box's rules, which go before QWidget
    // deletes its children.
    delete pair_;
    delete field_;
}

void QtSpinEdit::SetErrorDisplay(std::function<void(const std::exception&)> display) {
    errorDisplay_ = std::move(display);
}

QLineEdit* QtSpinEdit::Field() const {
    return field_;
}

QWidget* QtSpinEdit::UpArrow() const {
    return up_;
}

QWidget* QtSpinEdit::DownArrow() const {
    return down_;
}

void QtSpinEdit::showError(const std::exception& error) {
    // As the error display cancels mouse modes, an arrow press in progress ends here.
    box_.UpArrow().CancelMode();
    box_.DownArrow().CancelMode();
    if (errorDisplay_)
        errorDisplay_(error);
    else
        qWarning("%s", error.what());
}

TFontMetrics QtSpinEdit::metrics() const {
    const QFont screenFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    return TFontMetrics{QFontMetrics(font()).height(), QFontMetrics(screenFont).height(), 1};
}

void QtSpinEdit::resizeEvent(QResizeEvent*) {
    const TSpinEditLayout layout = SpinLayout(width(), height(), metrics());
    if (layout.Height != height())
        resize(width(), layout.Height);
    field_->setGeometry(0, 0, width(), layout.Height);
    pair_->setGeometry(toQRect(layout.Pair).translated(SpinEdgeWidth, SpinEdgeWidth));
    up_->setGeometry(toQRect(layout.UpArrow));
    down_->setGeometry(toQRect(layout.DownArrow));
    const int clientWidth = width() - 2 * SpinEdgeWidth;
    field_->setTextMargins(0, 0, clientWidth - layout.Text.Right, 0);
}

void QtSpinEdit::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The field takes its font's height; the minimum then raises it if need be.
    if (event->type() == QEvent::FontChange)
        resize(width(), SpinFontHeight(metrics()));
}

void QtSpinEdit::SetText(const std::string& text) {
    field_->setText(QString::fromStdString(text));
}

void QtSpinEdit::SelectAll() {
    field_->selectAll();
}

bool QtSpinEdit::Focused() const {
    return field_->hasFocus();
}

bool QtSpinEdit::CanFocus() const {
    return field_->isVisible() && field_->isEnabled();
}

void QtSpinEdit::SetFocus() {
    field_->setFocus(Qt::OtherFocusReason);
}

void QtSpinEdit::SetReadOnly(bool readOnly) {
    field_->setReadOnly(readOnly);
}

} // namespace vostrel
