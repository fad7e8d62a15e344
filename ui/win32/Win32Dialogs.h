#pragma once
// The trigger program chooser's dialog on Windows (the shell's file dialog from
// Windows 6 on, the common dialog before), and the current folder it moves.

#include "ui/Dialogs.h"
#include "ui/win32/Win32Shell.h"

#include <optional>
#include <string>

namespace vostrel::win32 {

class Win32ApplicationPeer;

class Win32CurrentFolder final : public ICurrentFolder {
public:
    void EnterFolderOf(const std::string& file) override;
};

// The hook of the common dialog: once the dialog is set up, it is moved to the
// middle of the monitor of the active window (else the main window's), a third
// of the way down.
UINT_PTR CALLBACK centringHook(HWND child, UINT msg, WPARAM wParam, LPARAM lParam);

class OpenDialogPeer final : public IOpenDialogPeer {
public:
    OpenDialogPeer(TOpenDialog& dialog, Win32ApplicationPeer& app, const ShellCalls& shell);
    std::optional<std::string> Execute() override;

private:
    std::optional<std::string> runFileDialog();
    std::optional<std::string> runCommonDialog();

    TOpenDialog& dialog_;
    Win32ApplicationPeer& app_;
    const ShellCalls& shell_;
};

} // namespace vostrel::win32
