#include "engine/Component.h"

#include <gtest/gtest.h>

#include <vector>

using vostrel::TComponent;

namespace {
// Records, at its destruction, whether its sibling already bore the mark.
struct Probe : TComponent {
    Probe(TComponent* owner, std::vector<bool>* seen, TComponent** self, TComponent** sibling)
        : TComponent(owner), seen(seen), self(self), sibling(sibling) {
        *self = this;
    }
    ~Probe() override {
        if (*sibling)
            seen->push_back((*sibling)->IsDestroying());
        *self = nullptr;
    }
    std::vector<bool>* seen;
    TComponent** self;
    TComponent** sibling;
};
} // namespace

TEST(Component, OwnerMarksEveryPartBeforeTearingAnyDown) {
    std::vector<bool> seen;
    TComponent* first = nullptr;
    TComponent* second = nullptr;
    {
        TComponent owner(nullptr);
        new Probe(&owner, &seen, &first, &second);
        new Probe(&owner, &seen, &second, &first);
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
