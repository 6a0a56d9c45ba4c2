// The main of every test program: the player's folders of the process point
// into the build tree before any test runs.
#include "test_support.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testsupport::usePlayerFoldersOfTheBuildTree();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
