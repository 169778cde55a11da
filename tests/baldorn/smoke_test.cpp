#include <gtest/gtest.h>

#include "baldorn/baldorn.h"

TEST(BaldornExports, MissingFileFails) {
    double xyz[3] = {0, 0, 0};
    EXPECT_EQ(SinglePosition("/nonexistent/file.21o", xyz, nullptr), 0);
}
