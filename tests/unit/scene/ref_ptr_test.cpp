#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/ref_counted.h"

namespace {

// Records its own destruction, so the tests see exactly when the last holder
// let go.
struct CTracked : CReferenceCounted {
    CTracked(std::vector<std::string>& log, std::string name) : log(log), name(std::move(name)) {}
    ~CTracked() override { log.push_back("~" + name); }
    std::vector<std::string>& log;
    std::string name;
};

TEST(RefPtr, LastHolderDestroysTheObject) {
    std::vector<std::string> log;
    {
        RefPtr<CTracked> a(new CTracked(log, "a"));
        EXPECT_EQ(a->refCount.load(), 1u);
        {
            RefPtr<CTracked> b = a;
            EXPECT_EQ(a->refCount.load(), 2u);
        }
        EXPECT_EQ(a->refCount.load(), 1u);
        EXPECT_TRUE(log.empty());
    }
    EXPECT_EQ(log, std::vector<std::string>{"~a"});
}

TEST(RefPtr, AssigningTheSameObjectToItsOnlyHolderKeepsItAlive) {
    std::vector<std::string> log;
    RefPtr<CTracked> a(new CTracked(log, "a"));
    RefPtr<CTracked>& alias = a;
    a = alias;  // the new reference is taken before the old one is dropped
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(a->refCount.load(), 1u);
    a = a.get();  // from a raw pointer to the same object
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(a->name, "a");
}

TEST(RefPtr, AssigningANewObjectDropsTheOldOneAfterwards) {
    std::vector<std::string> log;
    RefPtr<CTracked> holder(new CTracked(log, "old"));
    holder = new CTracked(log, "new");
    EXPECT_EQ(log, std::vector<std::string>{"~old"});
    holder = nullptr;
    EXPECT_EQ(log, (std::vector<std::string>{"~old", "~new"}));
    EXPECT_FALSE(holder);
}

TEST(RefPtr, MovingTransfersTheReference) {
    std::vector<std::string> log;
    RefPtr<CTracked> a(new CTracked(log, "a"));
    RefPtr<CTracked> b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b->refCount.load(), 1u);
}

}  // namespace
