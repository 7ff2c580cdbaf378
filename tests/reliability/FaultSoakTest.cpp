// A fixed, seeded share of the fault soak (scripts/soak.sh runs the whole of it): twenty
// schedules per protocol of silence, noise, wrong and error codes, half answers, lost packets,
// cancels, dropped lines and floods against the simulated units over real pseudo-terminals.
#include <gtest/gtest.h>

#include "tests/reliability/FaultSoak.h"

namespace quillon::test {
namespace {

constexpr uint32_t kFirstSeed = 1;
constexpr uint32_t kSchedules = 20;

class FaultSoakTest : public ::testing::TestWithParam<uint32_t> {};

TEST_P(FaultSoakTest, HbdScheduleDeliversOrReportsAndLeavesNothingBehind) {
    const SoakRun run = RunHbdSchedule(GetParam());
    EXPECT_TRUE(run.violations.empty()) << Describe(run);
}

TEST_P(FaultSoakTest, Kx2ScheduleDeliversOrReportsAndLeavesNothingBehind) {
    const SoakRun run = RunKx2Schedule(GetParam());
    EXPECT_TRUE(run.violations.empty()) << Describe(run);
}

INSTANTIATE_TEST_SUITE_P(Seeds, FaultSoakTest,
                         ::testing::Range(kFirstSeed, kFirstSeed + kSchedules),
                         [](const auto& row) { return "seed" + std::to_string(row.param); });

// The same seed draws the same schedule: a failing seed can be run again alone.
TEST(FaultSoakSchedule, SeedsAreReproducible) {
    EXPECT_EQ(RunKx2Schedule(7).schedule, RunKx2Schedule(7).schedule);
    EXPECT_NE(RunKx2Schedule(7).schedule, RunKx2Schedule(8).schedule);
}

}  // namespace
}  // namespace quillon::test
