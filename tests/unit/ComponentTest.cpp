#include "engine/Component.h"

#include <gtest/gtest.h>

#include <vector>

using vostrel::TComponent;

namespace {
// Records, at its destruction, whether its sibling already bore the mark.
struct Probe : TComponent {
    Probe(TComponent* owner, std::vector<bool>* seen, TComponent** sibling)
        : TComponent(owner), seen(seen), sibling(sibling) {}
    ~Probe() override {
        if (*sibling && *sibling != this)
            seen->push_back((*sibling)->IsDestroying());
    }
    std::vector<bool>* seen;
    TComponent** sibling;
};
} // namespace

TEST(Component, OwnerMarksEveryPartBeforeTearingAnyDown) {
    std::vector<bool> seen;
    TComponent* first = nullptr;
    TComponent* second = nullptr;
    {
        TComponent owner(nullptr);
        first = new Probe(&owner, &seen, &second);
        second = new Probe(&owner, &seen, &first);
        EXPECT_EQ(owner.Components().size(), 2u);
        EXPECT_FALSE(first->IsDestroying());
    }
    // The newest goes first; when it does, the older sibling is already marked.
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0]);
}

TEST(Component, DeletingAPartRemovesItFromItsOwner) {
    TComponent owner(nullptr);
    auto* part = new TComponent(&owner);
    delete part;
    EXPECT_TRUE(owner.Components().empty());
}
