#include "ui/win32/Win32Dialogs.h"

#include "ui/win32/Win32Application.h"
#include "ui/win32/Win32WidgetSet.h"

#include <cstring>
#include <utility>
#include <vector>

#include <shobjidl.h>

namespace vostrel::win32 {

void Win32CurrentFolder::EnterFolderOf(const std::string& file) {
    const size_t slash = file.find_last_of("\\/");
    if (slash == std::string::npos)
        return;
    std::string folder = file.substr(0, slash);
    if (folder.size() == 2 && folder[1] == ':')
        folder += '\\'; // "C:" alone would mean the drive's own current folder
    SetCurrentDirectoryA(folder.c_str());
}

namespace {

std::wstring wide(const std::string& text) {
    if (text.empty())
        return {};
    const int n =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), n);
    return result;
}

std::string narrow(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return {};
    std::string result(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, result.data(), n, nullptr, nullptr);
    result.resize(static_cast<size_t>(n - 1));
    return result;
}

// The dialog's options as the two forms of the dialog know them.
struct OptionBits {
    bool TOpenOptions::*option;
    DWORD common;
    DWORD shell;
};
constexpr OptionBits kOptions[] = {
    {&TOpenOptions::HideReadOnly, OFN_HIDEREADONLY, 0},
    {&TOpenOptions::EnableSizing, OFN_ENABLESIZING, 0},
    {&TOpenOptions::NoChangeDir, OFN_NOCHANGEDIR, FOS_NOCHANGEDIR},
    {&TOpenOptions::PathMustExist, OFN_PATHMUSTEXIST, FOS_PATHMUSTEXIST},
    {&TOpenOptions::FileMustExist, OFN_FILEMUSTEXIST, FOS_FILEMUSTEXIST},
};

DWORD optionBits(const TOpenOptions& options, DWORD OptionBits::*form) {
    DWORD bits = 0;
    for (const OptionBits& known : kOptions)
        if (options.*known.option)
            bits |= known.*form;
    return bits;
}

// Releases a COM object at the end of the scope.
template <class T> struct Held {
    T* object = nullptr;
    ~Held() {
        if (object)
            object->Release();
    }
    T* operator->() const { return object; }
};

// SHCreateItemFromParsingName exists from Windows 6 on only, so it is looked up.
IShellItem* folderItem(const std::string& path) {
    using Create = HRESULT(WINAPI*)(PCWSTR, IBindCtx*, REFIID, void**);
    HMODULE shell = GetModuleHandleA("shell32.dll");
    FARPROC found = shell ? GetProcAddress(shell, "SHCreateItemFromParsingName") : nullptr;
    if (!found || path.empty())
        return nullptr;
    auto create = reinterpret_cast<Create>(reinterpret_cast<void*>(found));
    IShellItem* item = nullptr;
    if (FAILED(
            create(wide(path).c_str(), nullptr, IID_IShellItem, reinterpret_cast<void**>(&item))))
        return nullptr;
    return item;
}

} // namespace

UINT_PTR CALLBACK centringHook(HWND child, UINT msg, WPARAM, LPARAM lParam) {
    if (msg != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != CDN_INITDONE)
        return 0;
    HWND dialog = GetParent(child); // the hook's dialog is a child of the real one
    HWND reference = GetActiveWindow();
    if (!reference && Application && Application->MainForm())
        reference =
            static_cast<HWND>(Win32WidgetSet::HandleOf(&Application->MainForm()->FormPeer()));
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(reference, MONITOR_DEFAULTTONEAREST), &monitor))
        return 0;
    RECT frame;
    GetWindowRect(dialog, &frame);
    const RECT& m = monitor.rcMonitor;
    const int x = m.left + ((m.right - m.left) - (frame.right - frame.left)) / 2;
    const int y = m.top + ((m.bottom - m.top) - (frame.bottom - frame.top)) / 3;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

OpenDialogPeer::OpenDialogPeer(TOpenDialog& dialog, Win32ApplicationPeer& app,
                               const ShellCalls& shell)
    : dialog_(dialog), app_(app), shell_(shell) {}

std::optional<std::string> OpenDialogPeer::Execute() {
    return shell_.version() >= 600 ? runFileDialog() : runCommonDialog();
}

std::optional<std::string> OpenDialogPeer::runFileDialog() {
    Held<IFileOpenDialog> box;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileOpenDialog, reinterpret_cast<void**>(&box.object))))
        return std::nullopt;
    if (!dialog_.FileName.empty())
        box->SetFileName(wide(dialog_.FileName).c_str());
    box->SetTitle(wide(dialog_.Title).c_str());
    if (Held<IShellItem> folder{folderItem(dialog_.InitialDir)}; folder.object)
        box->SetFolder(folder.object);
    std::vector<std::pair<std::wstring, std::wstring>> types;
    for (const auto& [description, pattern] : dialog_.Filters())
        types.emplace_back(wide(description), wide(pattern));
    std::vector<COMDLG_FILTERSPEC> specs;
    for (const auto& [description, pattern] : types)
        specs.push_back({description.c_str(), pattern.c_str()});
    if (!specs.empty()) {
        box->SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
        box->SetFileTypeIndex(static_cast<UINT>(dialog_.FilterIndex));
    }
    // Also clears the defaults: the file and its folder need not exist, and the
    // current folder moves with the choice.
    box->SetOptions(optionBits(dialog_.Options, &OptionBits::shell));
    if (box->Show(static_cast<HWND>(app_.Window())) != S_OK)
        return std::nullopt;
    Held<IShellItem> chosen;
    if (FAILED(box->GetResult(&chosen.object)) || !chosen.object)
        return std::nullopt;
    PWSTR path = nullptr;
    if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)) &&
        FAILED(chosen->GetDisplayName(SIGDN_NORMALDISPLAY, &path)))
        return std::nullopt;
    std::string result = narrow(path);
    CoTaskMemFree(path);
    return result;
}

static_assert(sizeof(void*) != 4 || sizeof(OPENFILENAMEA) == 88);

std::optional<std::string> OpenDialogPeer::runCommonDialog() {
    std::string filter;
    for (const auto& [description, pattern] : dialog_.Filters()) {
        filter += description + '\0';
        filter += pattern + '\0';
    }
    filter += '\0';
    char file[262] = {};
    lstrcpynA(file, dialog_.FileName.c_str(), sizeof file);
    const std::string initialDir = dialog_.InitialDir;
    const std::string title = dialog_.Title;

    OPENFILENAMEA record;
    std::memset(&record, 0, sizeof record);
    // Before Windows 2000 and Windows Me the record ended before pvReserved.
    record.lStructSize = shell_.version() >= 490 ? sizeof record : OPENFILENAME_SIZE_VERSION_400A;
    record.hwndOwner = static_cast<HWND>(app_.Window());
    record.lpstrFilter = filter.c_str();
    record.nFilterIndex = static_cast<DWORD>(dialog_.FilterIndex);
    record.lpstrFile = file;
    record.nMaxFile = MAX_PATH;
    record.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    record.lpstrTitle = title.empty() ? nullptr : title.c_str();
    record.Flags = OFN_ENABLEHOOK | OFN_EXPLORER | optionBits(dialog_.Options, &OptionBits::common);
    record.lpfnHook = &centringHook;
    if (!shell_.getOpenFileName(record))
        return std::nullopt;
    return std::string(file);
}

std::unique_ptr<IOpenDialogPeer> Win32WidgetSet::CreateOpenDialog(TOpenDialog& dialog) {
    return std::make_unique<OpenDialogPeer>(dialog, *app_, *shell_);
}

} // namespace vostrel::win32
