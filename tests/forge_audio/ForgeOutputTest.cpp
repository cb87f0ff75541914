#include "ForgedData.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using forgetest::forgedData;
using forgetest::forgedFiles;

TEST(ForgeOutput, TwoRunsWriteTheSameBytes)
{
    const auto& data = forgedData();
    ASSERT_TRUE(data.ok) << data.error;
    for (const auto& file : forgedFiles()) {
        const std::string a = testsupport::readFile(data.first / file);
        const std::string b = testsupport::readFile(data.second / file);
        EXPECT_FALSE(a.empty()) << file << " missing or empty";
        EXPECT_TRUE(a == b) << file << " differs between two runs";
    }
}
