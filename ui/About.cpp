#include "ui/About.h"

namespace vostrel {

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(TComponent* owner, IWidgetSet& widgets)
    : TForm(owner, widgets, builtInLayout("About")) {
    Handler("OKButtonClick", [this](TComponent* sender) { OKButtonClick(sender); });
    Load();
    AboutBox = this;
}

TAboutBox::~TAboutBox() {
    if (AboutBox == this)
        AboutBox = nullptr;
}

void TAboutBox::OKButtonClick(TComponent*) {
    SetModalResult(mrOk);
}

} // namespace vostrel
