#pragma once
// The tray cycle on Qt: the main window stands in for the application window
// (it carries the taskbar entry), QSystemTrayIcon for the notification-area
// icon and QMenu for its menu.

#include "ui/Tray.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

namespace vostrel::qt {

class QtApplicationWindow final : public QObject, public IApplicationWindowPeer {
public:
    // Watches the main window for the window manager's minimise and restore.
    QtApplicationWindow();
    ~QtApplicationWindow() override;

    bool Minimized() const override { return minimized_; }
    void Minimize() override;
    void ShowTaskbarEntry(bool show) override;
    void Restore() override;
    void BringToFront() override;
    void PostCall(std::function<void()> call) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The program's windows that are shown, the main window first.
    static std::vector<QWidget*> shownWindows();
    static QWidget* mainWindow();
    void putEntriesBack();

    bool minimized_ = false;
    bool entryHidden_ = false;
    int changing_ = 0; // our own state changes are not the user's
    std::vector<QPointer<QWidget>> minimizedWindows_;
    QPointer<QWidget> lastActive_;
};

} // namespace vostrel::qt
