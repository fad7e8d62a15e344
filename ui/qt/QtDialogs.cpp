#include "ui/qt/QtDialogs.h"

#include "ui/qt/QtWidgetSet.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QWindow>
#include <algorithm>

namespace vostrel::qt {

void QtCurrentFolder::EnterFolderOf(const std::string& file) {
    QDir::setCurrent(QFileInfo(QString::fromStdString(file)).absolutePath());
}

namespace {

QString qstr(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Centred across the screen and a third of the way down it, as the Windows
// dialog is placed; Qt would centre it on the small main window, and a tall
// dialog would then lose its title bar above the top of the screen.
void placeOnScreen(QWidget& dialog, QWidget* owner) {
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QSize frame = dialog.size();
    if (owner) // the dialog has no frame yet; its owner's is alike
        frame += owner->frameGeometry().size() - owner->size();
    dialog.move(std::max(area.left(), area.left() + (area.width() - frame.width()) / 2),
                std::max(area.top(), area.top() + (area.height() - frame.height()) / 3));
}

// Qt's file dialog keeps its history, view and last folder in a settings file
// of Qt's own under the user's configuration folder, and opens in that folder
// in the next run. The program's only configuration is its settings file, and
// the dialog's file name lives for one run: Qt's user settings are pointed
// where nothing can be read or created.
void keepQtSettingsAway() {
    static const bool done = [] {
        for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
        return true;
    }();
    (void)done;
}

// Qt's own dialog rather than the desktop's: it accepts a typed name of a file
// that does not exist and shows the same on every desktop.
class QtOpenDialogPeer final : public IOpenDialogPeer {
public:
    explicit QtOpenDialogPeer(TOpenDialog& dialog) : dialog_(dialog) {}

    std::optional<std::string> Execute() override {
        keepQtSettingsAway();
        QWidget* owner = nullptr;
        if (Application && Application->MainForm() && Application->MainForm()->Visible())
            owner = QtWidgetSet::widgetOf(&Application->MainForm()->FormPeer());
        // No child of the owner, which is disabled while the dialog is up (a
        // disabled window disables its child windows): only kept above it. Not
        // application-modal, so that the tray icon keeps answering when the
        // program is minimised into it behind the dialog.
        QFileDialog box(nullptr, qstr(dialog_.Title));
        if (owner) {
            box.winId();
            box.windowHandle()->setTransientParent(owner->windowHandle());
        }
        box.setWindowModality(Qt::WindowModal);
        box.setObjectName(QStringLiteral("OpenDialog1"));
        box.setOption(QFileDialog::DontUseNativeDialog);
        box.setAcceptMode(QFileDialog::AcceptOpen);
        box.setFileMode(QFileDialog::AnyFile);
        QStringList filters;
        for (const auto& [description, pattern] : dialog_.Filters())
            filters << qstr(description) + " (" + qstr(pattern).replace(';', ' ') + ")";
        box.setNameFilters(filters);
        if (dialog_.FilterIndex >= 1 && dialog_.FilterIndex <= filters.size())
            box.selectNameFilter(filters[dialog_.FilterIndex - 1]);
        // A folder that does not exist (the Windows one here) stands for the
        // current folder: where the program was started, or where the last
        // choice was made.
        const QString initial = qstr(dialog_.InitialDir);
        box.setDirectory(!initial.isEmpty() && QDir(initial).exists() ? initial
                                                                      : QDir::currentPath());
        if (!dialog_.FileName.empty()) {
            const QString previous = qstr(dialog_.FileName);
            box.selectFile(previous);
            // The name box shows the whole path of the last choice.
            if (auto* name = box.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(previous);
        }
        placeOnScreen(box, owner);
        if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
            return std::nullopt;
        return QDir::cleanPath(QFileInfo(box.selectedFiles().first()).absoluteFilePath())
            .toStdString();
    }

private:
    TOpenDialog& dialog_;
};

} // namespace

std::unique_ptr<IOpenDialogPeer> QtWidgetSet::CreateOpenDialog(TOpenDialog& dialog) {
    return std::make_unique<QtOpenDialogPeer>(dialog);
}

} // namespace vostrel::qt
