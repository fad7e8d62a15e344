#pragma once
// The file-open dialog component: its values from the layout, the file name it
// remembers for the run, and the move of the current folder that a confirmed
// choice makes.

#include "ui/Forms.h"

#include <string>
#include <utility>
#include <vector>

namespace vostrel {

// The process's current folder, in which launched programs start.
class ICurrentFolder {
public:
    virtual ~ICurrentFolder() = default;
    // Makes the folder that holds `file` current; one that cannot be entered is
    // left alone.
    virtual void EnterFolderOf(const std::string& file) = 0;
};

// A filter's file types as (description, pattern) pairs: "Text|*.txt|All|*.*".
// A description without its pattern is dropped.
std::vector<std::pair<std::string, std::string>> ParseFilter(const std::string& filter);

// The dialog's options that a layout may set.
struct TOpenOptions {
    bool HideReadOnly = false;
    bool EnableSizing = false;
    bool NoChangeDir = false; // a confirmed choice leaves the current folder alone
    bool PathMustExist = false;
    bool FileMustExist = false;
};

class TOpenDialog : public TComponent {
public:
    // `currentFolder` may be null: the current folder then stays where it is.
    TOpenDialog(TForm& form, const TObjectDesc& desc, ICurrentFolder* currentFolder);

    std::string Title;
    std::string Filter; // description|pattern pairs, all joined by "|"
    int FilterIndex = 1;
    std::string InitialDir;
    TOpenOptions Options;
    // Empty at start; after each confirmed choice, the full path chosen.
    std::string FileName;

    std::vector<std::pair<std::string, std::string>> Filters() const { return ParseFilter(Filter); }

    // Shows the dialog modally. True when the user confirmed a file: FileName
    // then holds it and the current folder is the file's folder (unless
    // NoChangeDir). The program's other windows are out of use meanwhile. False leaves
    // everything as it was.
    bool Execute();

private:
    ICurrentFolder* currentFolder_;
    std::unique_ptr<IOpenDialogPeer> peer_;
};

} // namespace vostrel
