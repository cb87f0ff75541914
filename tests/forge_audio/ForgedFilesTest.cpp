// The forged sounds, configuration and chart, checked as the game reads them.
#include "ForgedData.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

using namespace forgetest;

class Forged : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(forgedData().ok) << forgedData().error; }
};

TEST_F(Forged, ConfigLinesFitTheReadersBufferAndKeysAreUnique)
{
    std::istringstream text(testsupport::readFile(forgedData().root / "Conf/global.cfg"));
    std::string line, section;
    std::set<std::string> seen;
    while (std::getline(text, line)) {
        EXPECT_LT(line.size() + 1, 80u) << line;
        EXPECT_EQ(line.find('\r'), std::string::npos);
        section = line.starts_with('[') ? line : section;
        // A repeated key would read differently through a section table and a single lookup.
        const bool entry = !line.empty() && line[0] != '#' && line[0] != '[';
        EXPECT_TRUE(!entry || seen.insert(section + line.substr(0, line.find('='))).second) << line;
    }
}
