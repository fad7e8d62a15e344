#include "ui/Dialogs.h"

namespace vostrel {

TOpenDialog::TOpenDialog(TForm& form, const TObjectDesc& desc, ICurrentFolder* currentFolder)
    : TComponent(&form), currentFolder_(currentFolder) {
    Title = desc.text("Title");
    Filter = desc.text("Filter");
    FilterIndex = static_cast<int>(desc.number("FilterIndex", 1));
    InitialDir = desc.text("InitialDir");
    if (const TValue* options = desc.find("Options"))
        for (const std::string& name : options->items) {
            bool TOpenOptions::*option = name == "ofHideReadOnly"    ? &TOpenOptions::HideReadOnly
                                         : name == "ofEnableSizing"  ? &TOpenOptions::EnableSizing
                                         : name == "ofNoChangeDir"   ? &TOpenOptions::NoChangeDir
                                         : name == "ofPathMustExist" ? &TOpenOptions::PathMustExist
                                         : name == "ofFileMustExist" ? &TOpenOptions::FileMustExist
                                                                     : nullptr;
            if (!option)
                throw ELayoutError("bad value for Options: " + name);
            Options.*option = true;
        }
    FileName = desc.text("FileName");
    peer_ = form.WidgetSet().CreateOpenDialog(*this);
}

std::vector<std::pair<std::string, std::string>> ParseFilter(const std::string& filter) {
    std::vector<std::string> parts;
    for (size_t from = 0;;) {
        const size_t bar = filter.find('|', from);
        parts.push_back(filter.substr(from, bar - from));
        if (bar == std::string::npos)
            break;
        from = bar + 1;
    }
    std::vector<std::pair<std::string, std::string>> types;
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
        types.emplace_back(parts[i], parts[i + 1]);
    return types;
}

bool TOpenDialog::Execute() {
    if (!peer_)
        return false;
    std::optional<std::string> chosen;
    if (Application)
        Application->Modal([&](TNativeWindow) { chosen = peer_->Execute(); });
    else
        chosen = peer_->Execute();
    if (!chosen)
        return false;
    FileName = *chosen;
    // Launches give no working folder, so they start where the user chose the
    // file, as after the Windows dialog.
    if (currentFolder_ && !Options.NoChangeDir)
        currentFolder_->EnterFolderOf(FileName);
    return true;
}

} // namespace vostrel
