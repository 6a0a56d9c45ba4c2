#include "math/vector.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Vector, placeholder) { EXPECT_EQ(Add({1, 2, 3}, {1, 1, 1}).z, 4.0f); }
