// The fault soak's table, each row once (reliability_soak runs it over and over).
#include <gtest/gtest.h>

#include "tests/reliability/FaultSoak.h"
#include "tests/support/RowName.h"

namespace quillon::test {

void PrintTo(const SoakRun& run, std::ostream* out) {
    *out << run.plan.name << " over " << SoakLineName(run.line);
}

namespace {

class FaultSoakTest : public ::testing::TestWithParam<SoakRun> {};

TEST_P(FaultSoakTest, EndsAsPlannedRecordsItAndLeavesNothingOpen) {
    for (const std::string& wrong : RunSoakPlan(GetParam().plan, GetParam().line)) {
        ADD_FAILURE() << wrong;
    }
}

INSTANTIATE_TEST_SUITE_P(Plans, FaultSoakTest, ::testing::ValuesIn(SoakRuns()),
                         RowNames([](const SoakRun& run) {
                             return run.plan.name + " " + SoakLineName(run.line);
                         }));

}  // namespace
}  // namespace quillon::test
