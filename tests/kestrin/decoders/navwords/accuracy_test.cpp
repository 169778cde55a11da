// Broadcast accuracy indices turned into the metres navigation records carry.
#include <gtest/gtest.h>

#include "decoders/navwords/accuracy.h"

namespace kestrin {
namespace {

TEST(GalileoSisa, IndexGivesMetresByItsRangeAndNoPredictionGivesMinusOne) {
    const struct {
        int index;
        double meters;
    } cases[] = {
        {0, 0.0},    {1, 0.01},   {49, 0.49},  {50, 0.5},   {74, 0.98},
        {75, 1.0},   {99, 1.96},  {100, 2.0},  {107, 3.12}, {125, 6.0},
        {126, -1.0}, {254, -1.0}, {255, -1.0}, {-1, -1.0},  {1000, -1.0},
    };
    for (const auto& c : cases) EXPECT_NEAR(SisaMeters(c.index), c.meters, 1e-12) << c.index;
}

}  // namespace
}  // namespace kestrin
