#pragma once
// The Qt widget set: native Qt widgets for the portable forms, the main loop
// with the hand-over wired in, message boxes and the program icon.

#include "ui/Forms.h"

#include <QIcon>
#include <QObject>
#include <memory>

class QWidget;

namespace vostrel::qt {

// The program icon at its eight sizes.
QIcon programIcon();

// Qt colour of a 0x00BBGGRR value.
unsigned rgbOf(TColor colour);

class QtApplicationPeer;

class QtWidgetSet final : public IWidgetSet {
public:
    // Needs a QApplication; wires the program's hand-over into Qt's loops.
    QtWidgetSet();
    ~QtWidgetSet() override;

    IApplicationPeer& Application() override;
    std::unique_ptr<IFormPeer> CreateForm(TForm& form) override;
    std::unique_ptr<IControlPeer> CreateControl(TControl& control, IControlPeer& parent) override;

    // The native widget behind a peer (for tests and the tray code).
    static QWidget* widgetOf(IControlPeer* peer);

private:
    std::unique_ptr<QtApplicationPeer> app_;
};

} // namespace vostrel::qt
