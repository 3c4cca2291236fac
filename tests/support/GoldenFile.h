#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/TestEnv.h"

// Golden files lie in tests/golden/ with Unix line ends; the files the
// launcher writes have Windows ones, so both are compared without the
// carriage returns.
inline std::string WithoutCarriageReturns(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

inline std::string GoldenText(const std::string& name)
{
    const std::string path = std::string(ZANT_SOURCE_DIR) + "/tests/golden/" + name;
    EXPECT_TRUE(FileExists(path)) << "golden file missing: " << path;
    return WithoutCarriageReturns(ReadTextFile(path));
}

#define EXPECT_MATCHES_GOLDEN(file, golden) \
    EXPECT_EQ(WithoutCarriageReturns(ReadTextFile(file)), GoldenText(golden)) << (file)
