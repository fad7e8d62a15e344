#pragma once
// The About box: the program's icon, name and version. Created hidden at
// start-up and kept; shown modally from the tray menu.

#include "ui/Forms.h"

namespace vostrel {

class TAboutBox : public TForm {
public:
    TAboutBox(TComponent* owner, IWidgetSet& widgets);
    ~TAboutBox() override;

    void OKButtonClick(TComponent* Sender);
};

// The program's About box, while it exists.
extern TAboutBox* AboutBox;

} // namespace vostrel
