// GoogleTest entry for every test binary: assertion stops throw AssertionStop, so a test
// can expect a stop without a death test.
#include "common/test_support.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    SYS_SetAssertHandler(TEST_ThrowingAssertHandler);
    return RUN_ALL_TESTS();
}
