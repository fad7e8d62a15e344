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
class QtApplicationWindow;

class QtWidgetSet : public IWidgetSet {
public:
    // Needs a QApplication; wires the program's hand-over into Qt's loops.
    QtWidgetSet();
    ~QtWidgetSet() override;

    IApplicationPeer& Application() override;
    std::unique_ptr<IFormPeer> CreateForm(TForm& form) override;
    std::unique_ptr<IControlPeer> CreatePanel(TPanel& panel, IControlPeer& parent) override;
    std::unique_ptr<IControlPeer> CreateLabel(TLabel& label, IControlPeer& parent) override;
    std::unique_ptr<IControlPeer> CreateEdit(TEdit& edit, IControlPeer& parent) override;
    std::unique_ptr<IControlPeer> CreateButton(TButton& button, IControlPeer& parent) override;
    std::unique_ptr<IControlPeer> CreateImage(TImage& image, IControlPeer& parent) override;
    std::unique_ptr<IControlPeer> CreateSpinEdit(TSpinEditBox& box, IControlPeer& parent) override;
    int TextWidth(const TFontSpec& font, const std::string& text) override;
    // The tray cycle (QtTray.cpp) and the open dialog (QtDialogs.cpp).
    IApplicationWindowPeer* ApplicationWindow() override;
    std::unique_ptr<ITrayIconPeer> CreateTrayIcon(TTrayIcon& icon) override;
    std::unique_ptr<IPopupMenuPeer> CreatePopupMenu(TPopupActionBar& menu) override;
    std::unique_ptr<IOpenDialogPeer> CreateOpenDialog(TOpenDialog& dialog) override;

    // The native widget behind a peer (for tests and the tray code).
    static QWidget* widgetOf(IControlPeer* peer);

private:
    std::unique_ptr<QtApplicationPeer> app_;
    std::unique_ptr<QtApplicationWindow> window_;
};

} // namespace vostrel::qt
