#include "ui/qt/QtTray.h"

#include "ui/qt/QtWidgetSet.h"

#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDialog>
#include <QGuiApplication>
#include <QHash>
#include <QMenu>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindowStateChangeEvent>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace vostrel::qt {

namespace {

QString qstr(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QWidget* windowOf(TForm* form) {
    return form ? QtWidgetSet::widgetOf(&form->FormPeer()) : nullptr;
}

// While the application takes its forms down, they are no longer asked about.
bool formsAlive() {
    return Application && !Application->IsDestroying();
}

bool isProgramWindow(QObject* object) {
    if (!formsAlive())
        return false;
    for (TComponent* c : Application->Components())
        if (auto* form = dynamic_cast<TForm*>(c); form && windowOf(form) == object)
            return true;
    return false;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return a;
}

// On Windows the program's dialogs are owned by the application window and
// have no taskbar entries of their own. On X11 a dialog gets one unless it asks
// the window manager not to, which it must do afresh before each mapping (the
// manager drops the state of a withdrawn window; Qt adds its own states to it).
void keepOffTaskbar(QWidget* window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return; // not on X11
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    const xcb_atom_t skip = atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, id, state, XCB_ATOM_ATOM, 0, 64), nullptr);
    bool present = false;
    if (reply && reply->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        present = std::find(atoms, atoms + reply->value_len, skip) != atoms + reply->value_len;
    }
    free(reply);
    if (!present)
        xcb_change_property(c, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 1, &skip);
}

} // namespace

// ------------------------------------------------------------ application window

QtApplicationWindow::QtApplicationWindow() {
    // Closing the About box while the main window sits in the tray closes the
    // last visible window; that must not end the program. Closing the main
    // window ends it through the application's termination request instead.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    qApp->installEventFilter(this);
}

QtApplicationWindow::~QtApplicationWindow() {
    if (qApp)
        qApp->removeEventFilter(this);
}

QWidget* QtApplicationWindow::mainWindow() {
    return formsAlive() ? windowOf(Application->MainForm()) : nullptr;
}

std::vector<QWidget*> QtApplicationWindow::shownWindows() {
    std::vector<QWidget*> shown;
    if (!formsAlive())
        return shown;
    if (QWidget* main = mainWindow(); main && main->isVisible())
        shown.push_back(main);
    for (TComponent* c : Application->Components())
        if (QWidget* w = windowOf(dynamic_cast<TForm*>(c));
            w && w != mainWindow() && w->isVisible())
            shown.push_back(w);
    // The chooser and message boxes, last: they come back on top of their owner.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QDialog*>(w) && w->isVisible())
            shown.push_back(w);
    return shown;
}

void QtApplicationWindow::Minimize() {
    minimized_ = true;
    minimizedWindows_.clear();
    ++changing_;
    for (QWidget* w : shownWindows()) {
        minimizedWindows_.emplace_back(w);
        if (!w->isMinimized()) // the window manager minimised the main window already
            w->showMinimized();
    }
    --changing_;
}

void QtApplicationWindow::ShowTaskbarEntry(bool show) {
    entryHidden_ = !show;
    if (show) {
        // A restore normally follows at once; mapping the windows minimised
        // first would only race it. Only a minimise left standing gets its
        // taskbar entries back.
        QTimer::singleShot(0, this, [this] { putEntriesBack(); });
        return;
    }
    ++changing_;
    // Withdrawn: off the taskbar. A dialog stays minimised instead (hiding it
    // would end it), and is kept off the taskbar anyway.
    for (const QPointer<QWidget>& w : minimizedWindows_)
        if (w && !qobject_cast<QDialog*>(w))
            w->hide();
    --changing_;
}

void QtApplicationWindow::putEntriesBack() {
    if (!minimized_ || entryHidden_)
        return;
    ++changing_;
    for (const QPointer<QWidget>& w : minimizedWindows_)
        if (w && !w->isVisible()) {
            w->setWindowState(w->windowState() | Qt::WindowMinimized);
            w->show();
        }
    --changing_;
}

void QtApplicationWindow::Restore() {
    minimized_ = false;
    entryHidden_ = false;
    ++changing_;
    for (const QPointer<QWidget>& w : minimizedWindows_)
        if (w) {
            w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
            w->show();
        }
    --changing_;
    minimizedWindows_.clear();
}

void QtApplicationWindow::BringToFront() {
    // The dialog that the program waits on, if any, else the last active window.
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible())
        w = lastActive_;
    if (!w || !w->isVisible())
        w = mainWindow();
    if (w && w->isVisible() && w->isEnabled()) {
        w->raise();
        w->activateWindow();
    }
}

void QtApplicationWindow::PostCall(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

bool QtApplicationWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        // Sent before the window is mapped.
        auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow() && w->windowType() == Qt::Dialog)
            keepOffTaskbar(w);
    } else if (event->type() == QEvent::WindowActivate && watched->isWidgetType() &&
               isProgramWindow(watched)) {
        lastActive_ = static_cast<QWidget*>(watched);
    } else if (event->type() == QEvent::WindowStateChange && !changing_ &&
               watched == mainWindow() && mainWindow()) {
        const bool was =
            static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
        const bool is = mainWindow()->isMinimized();
        if (is && !was && !minimized_) {
            // The window manager minimised the main window (its button, its
            // menu, a key): that is the application's minimise.
            PostCall([] {
                if (QWidget* main = mainWindow(); main && main->isMinimized())
                    Application->Minimize();
            });
        } else if (!is && was && minimized_ && !entryHidden_) {
            // Restored from the taskbar after an ordinary minimise.
            minimized_ = false;
            minimizedWindows_.clear();
        }
    }
    return false;
}

// ------------------------------------------------------------ tray icon

namespace {

// How long a notification area may be away (a panel restarting) before the
// icon counts as lost, which is also the time a first docking may take; and
// how often, while the icon is shown, we look whether it is still docked.
constexpr int kHostGraceMs = 5000;
constexpr int kCheckMs = 250;

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// Whether a StatusNotifierItem host is on the session bus: the question Qt asks
// once, before its first tray icon, to choose between D-Bus and XEmbed. Asked
// with a short bound: a watcher that hangs must not hold up the ticks.
bool statusNotifierHostRegistered() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kWatcher))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(kWatcher, kWatcherPath, kProperties, "Get");
    get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 500);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toBool();
}

// The widget Qt docks into an XEmbed tray, if it is up; Qt makes it anew
// whenever a tray comes back.
QWidget* trayWidget() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("QSystemTrayIconSys") && w->isVisible())
            return w;
    return nullptr;
}

// Whether the tray took the widget in: its X window is no longer the root's child.
bool embedded(QWidget* w) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!w || !w->internalWinId() || !x11 || !x11->connection())
        return false;
    xcb_connection_t* c = x11->connection();
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(
        c, xcb_query_tree(c, static_cast<xcb_window_t>(w->internalWinId())), nullptr);
    const bool inTray = tree && tree->parent != tree->root;
    free(tree);
    return inTray;
}

// On an XEmbed tray (icewm, XFCE, MATE) Qt docks a widget of its own and turns
// its mouse events into activations: the right press opens the menu and only a
// left double-click counts. We take those mouse events first: a double-click
// of any button restores, the right release opens the menu. Over D-Bus
// (StatusNotifierItem) the host sends activations instead; there is no
// double-click, so Activate restores.
//
// Either way the icon counts as shown only once the host really has it: docked
// into the XEmbed tray, or listed by the StatusNotifierWatcher with a host
// present. An icon that is not there within the grace time, or that a host
// dropped and no host took back in that time, is reported lost.
class QtTrayIconPeer final : public QObject, public ITrayIconPeer {
public:
    explicit QtTrayIconPeer(TTrayIcon& owner) : owner_(owner) {
        icon_.setIcon(programIcon());
        icon_.setToolTip(qstr(owner.Hint()));
        // Made with the icon, as Qt makes its choice then too.
        overDBus_ = statusNotifierHostRegistered();
        connect(&icon_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger ||
                        reason == QSystemTrayIcon::DoubleClick)
                        post(&TTrayIcon::DblClick);
                    else if (reason == QSystemTrayIcon::Context)
                        post(&TTrayIcon::RightButtonUp);
                });
        checks_.setInterval(kCheckMs);
        connect(&checks_, &QTimer::timeout, this, &QtTrayIconPeer::check);
        grace_.setSingleShot(true);
        grace_.setInterval(kHostGraceMs);
        connect(&grace_, &QTimer::timeout, this, [this] {
            if (icon_.isVisible() && !docked_)
                post(&TTrayIcon::HostLost);
        });
        qApp->installEventFilter(this);
    }
    ~QtTrayIconPeer() override {
        if (qApp)
            qApp->removeEventFilter(this);
    }

    bool HostAvailable() const override {
        // An icon made for D-Bus never docks into an XEmbed tray, nor the other way.
        return overDBus_ ? statusNotifierHostRegistered()
                         : QSystemTrayIcon::isSystemTrayAvailable();
    }
    bool Add() override {
        if (overDBus_)
            offerMenuToHost();
        icon_.show();
        docked_ = false;
        grace_.start();
        checks_.start();
        return HostAvailable();
    }
    bool Remove() override {
        checks_.stop();
        grace_.stop();
        icon_.hide();
        return true;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
            type != QEvent::MouseButtonDblClick)
            return false;
        if (!isOurTrayWidget(watched))
            return false;
        if (type == QEvent::MouseButtonDblClick)
            post(&TTrayIcon::DblClick);
        else if (type == QEvent::MouseButtonRelease &&
                 static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
            post(&TTrayIcon::RightButtonUp);
        return true;
    }

private:
    // The docked widget is ours when it sits where our icon is.
    bool isOurTrayWidget(QObject* watched) const {
        if (!watched->isWidgetType() || watched->objectName() != "QSystemTrayIconSys")
            return false;
        auto* w = static_cast<QWidget*>(watched);
        return icon_.isVisible() && icon_.geometry() == QRect(w->mapToGlobal(QPoint()), w->size());
    }
    // Hiding the icon deletes the widget whose event is being delivered, so
    // the handlers run once that delivery is over.
    void post(void (TTrayIcon::*report)()) {
        QTimer::singleShot(0, this, [icon = &owner_, report] { (icon->*report)(); });
    }

    // A StatusNotifierItem host draws the item's menu itself from a
    // description on the bus (XFCE's and GNOME's hosts offer no other), so it is
    // given the tray menu's items; a choice there runs as one in our own menu.
    // Hosts that ask the item to show its menu get ours instead.
    void offerMenuToHost() {
        TPopupActionBar* menu = owner_.PopupMenu();
        if (!menu || icon_.contextMenu())
            return;
        const std::vector<TMenuItem*> items = menu->Items();
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i]->IsLine()) {
                hostMenu_.addSeparator();
                continue;
            }
            connect(hostMenu_.addAction(qstr(items[i]->Caption())), &QAction::triggered, this,
                    [this, i] {
                        if (TPopupActionBar* m = owner_.PopupMenu())
                            m->Choose(static_cast<int>(i));
                    });
        }
        icon_.setContextMenu(&hostMenu_);
    }

    void check() {
        if (overDBus_)
            askWatcher();
        else
            setDocked(embedded(trayWidget()));
    }
    void setDocked(bool docked) {
        docked_ = docked;
        if (docked)
            grace_.stop();
        else if (!grace_.isActive() && icon_.isVisible())
            grace_.start();
    }
    // Asks the watcher, without waiting, whether a host is there and our item
    // is among those it lists.
    void askWatcher() {
        if (asking_)
            return;
        QDBusMessage getAll =
            QDBusMessage::createMethodCall(kWatcher, kWatcherPath, kProperties, "GetAll");
        getAll << kWatcher;
        asking_ = true;
        auto* call = new QDBusPendingCallWatcher(
            QDBusConnection::sessionBus().asyncCall(getAll, 2 * kCheckMs), this);
        connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            asking_ = false;
            const QDBusPendingReply<QVariantMap> reply = *w;
            bool listed = false;
            if (!reply.isError() && reply.value().value("IsStatusNotifierHostRegistered").toBool())
                for (const QString& item :
                     reply.value().value("RegisteredStatusNotifierItems").toStringList())
                    listed = listed || isOurs(item.section('/', 0, 0));
            if (icon_.isVisible())
                setDocked(listed);
        });
    }
    // Whether a bus name is one of this process's: Qt registers its item under
    // a connection of its own.
    bool isOurs(const QString& service) {
        auto known = owners_.find(service);
        if (known == owners_.end()) {
            const QDBusReply<uint> pid =
                QDBusConnection::sessionBus().interface()->servicePid(service);
            known = owners_.insert(service, pid.isValid() &&
                                                pid.value() == QCoreApplication::applicationPid());
        }
        return *known;
    }

    TTrayIcon& owner_;
    QMenu hostMenu_; // before the icon, which refers to it
    QSystemTrayIcon icon_;
    bool overDBus_ = false;
    bool docked_ = false;
    bool asking_ = false;
    QTimer checks_;
    QTimer grace_;
    QHash<QString, bool> owners_;
};

class QtPopupMenuPeer final : public IPopupMenuPeer {
public:
    // Qt's loops dispatch by themselves, and the menu takes the activation.
    void Prepare() override { cursor_ = QCursor::pos(); }
    int Popup(const std::vector<std::string>& captions) override {
        QMenu menu;
        std::vector<QAction*> actions;
        for (const std::string& caption : captions)
            actions.push_back(caption == "-" ? menu.addSeparator() : menu.addAction(qstr(caption)));
        // Qt keeps the menu on the screen, moving it left or up from the cursor.
        QAction* chosen = menu.exec(cursor_);
        for (size_t i = 0; i < actions.size(); ++i)
            if (chosen && actions[i] == chosen)
                return static_cast<int>(i);
        return -1;
    }

private:
    QPoint cursor_;
};

} // namespace

IApplicationWindowPeer* QtWidgetSet::ApplicationWindow() {
    return window_.get();
}

std::unique_ptr<ITrayIconPeer> QtWidgetSet::CreateTrayIcon(TTrayIcon& icon) {
    return std::make_unique<QtTrayIconPeer>(icon);
}

std::unique_ptr<IPopupMenuPeer> QtWidgetSet::CreatePopupMenu(TPopupActionBar&) {
    return std::make_unique<QtPopupMenuPeer>();
}

} // namespace vostrel::qt
