#include "engine/Component.h"

#include <algorithm>

namespace vostrel {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_)
        owner_->components_.push_back(this);
}

TComponent::~TComponent() {
    Destroying();
    DestroyComponents();
    if (owner_)
        owner_->remove(this);
}

void TComponent::Destroying() {
    if (destroying_)
        return;
    destroying_ = true;
    for (TComponent* c : components_)
        c->Destroying();
}

void TComponent::DestroyComponents() {
    for (TComponent* c : components_)
        c->Destroying();
    while (!components_.empty())
        delete components_.back(); // its destructor removes it from the list
}

void TComponent::remove(TComponent* child) {
    components_.erase(std::remove(components_.begin(), components_.end(), child),
                      components_.end());
}

} // namespace vostrel
