#pragma once
// The About box: the program's icon, name and version. Created hidden at
// start-up and kept; shown modally from the tray menu.

#include "ui/Forms.h"

namespace vostrel {

class TAboutBox : public TForm {
public:
    TAboutBox(TComponent* owner, IWidgetSet& widgets);

    void OKButtonClick(TComponent* Sender);
};

} // namespace vostrel
