#include <gtest/gtest.h>

#include "scene/ref_counted.h"

namespace {

struct CTracked : CReferenceCounted {
    explicit CTracked(int& deaths) : deaths(deaths) {}
    ~CTracked() override { ++deaths; }
    int& deaths;
};

// The scenes, archives and button sets are shared through RefPtr: each must
// die exactly when its last holder lets go, and never on the way through an
// assignment to a holder of the same object.
TEST(RefPtr, TheLastHolderAloneDestroysTheObject) {
    int deaths = 0;
    RefPtr<CTracked> holder(new CTracked(deaths));
    {
        RefPtr<CTracked> copy = holder;
        RefPtr<CTracked> moved(std::move(copy));  // one reference, handed over
    }
    RefPtr<CTracked>& alias = holder;
    holder = alias;  // the new reference is taken before the old one is dropped
    holder = holder.get();  // the same from a raw pointer
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(holder->refCount.load(), 1u);
    holder = new CTracked(deaths);  // the old object goes
    EXPECT_EQ(deaths, 1);
    holder = nullptr;
    EXPECT_EQ(deaths, 2);
}

}  // namespace
