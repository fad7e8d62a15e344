#include "ui/About.h"

namespace vostrel {

TAboutBox::TAboutBox(TComponent* owner, IWidgetSet& widgets)
    : TForm(owner, widgets, builtInLayout("About")) {
    Handler("OKButtonClick", [this](TComponent* sender) { OKButtonClick(sender); });
    Load();
}

void TAboutBox::OKButtonClick(TComponent*) {
    SetModalResult(mrOk);
}

} // namespace vostrel
