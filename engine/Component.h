#pragma once
// The ownership model of the program's windows and their parts: an owner
// destroys what it owns, and marks all of it as being destroyed before it
// tears any of it down, so that no tick runs against a half-dismantled window.

#include <vector>

namespace vostrel {

class TComponent {
public:
    explicit TComponent(TComponent* owner);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    bool IsDestroying() const { return destroying_; }
    // Sets the being-destroyed mark on this component and everything it owns.
    void Destroying();
    // Marks every owned component first, then destroys them, newest first.
    void DestroyComponents();
    const std::vector<TComponent*>& Components() const { return components_; }

private:
    void remove(TComponent* child);

    TComponent* owner_;
    std::vector<TComponent*> components_;
    bool destroying_ = false;
};

} // namespace vostrel
