#include "core/FrameClock.h"
#include "core/Object.h"
#include "core/ObjectRegistry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records its destruction and what it could still find while being destroyed.
class Probe : public Object {
public:
    Probe(const char* name, std::vector<std::string>& journal, const char* lookUp = nullptr)
        : Object(true, name), journal(journal), lookUp(lookUp)
    {
    }
    ~Probe() override
    {
        std::string entry = getName();
        if (lookUp)
            entry += ObjectRegistry::instance()->find(lookUp) ? " sees " : " misses ", entry += lookUp;
        journal.push_back(entry);
    }

private:
    std::vector<std::string>& journal;
    const char* lookUp;
};

class RegistryTest : public ::testing::Test {
protected:
    void TearDown() override { ObjectRegistry::destroy(); }
    std::vector<std::string> journal;
};

TEST_F(RegistryTest, FindReturnsFirstExactCaseSensitiveMatchAndPrintsTest)
{
    auto* first = new Probe("Twin", journal);
    new Probe("Twin", journal);
    Object unregistered(false, "Loner");

    testing::internal::CaptureStdout();
    EXPECT_EQ(ObjectRegistry::instance()->find("Twin"), first);
    EXPECT_EQ(ObjectRegistry::instance()->find("twin"), nullptr);
    EXPECT_EQ(ObjectRegistry::instance()->find("Loner"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "TEST");
}

// Teardown destroys in registration order, each object once however often it
// was added, and leaves "MainLoop" to its owner; what is gone cannot be found.
TEST_F(RegistryTest, TeardownDestroysInOrderOnceEachAndSparesMainLoop)
{
    const Probe mainLoop("MainLoop", journal);
    new Probe("A", journal);
    new Probe("B", journal, "A");
    ObjectRegistry::instance()->add(new Probe("C", journal, "D"));
    new Probe("D", journal);
    testing::internal::CaptureStdout();
    ObjectRegistry::destroy();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(journal, (std::vector<std::string>{"A", "B misses A", "C sees D", "D"}));
    EXPECT_FALSE(ObjectRegistry::exists());
}

} // namespace
