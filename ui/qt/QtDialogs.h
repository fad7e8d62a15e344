#pragma once
// The trigger program chooser's dialog on Qt, and the current folder it moves.

#include "ui/Dialogs.h"

namespace vostrel::qt {

class QtCurrentFolder final : public ICurrentFolder {
public:
    void EnterFolderOf(const std::string& file) override;
};

} // namespace vostrel::qt
