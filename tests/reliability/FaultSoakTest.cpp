// The fault soak's table, each row once (reliability_soak runs it over and over).
#include <gtest/gtest.h>

#include "tests/reliability/FaultSoak.h"
#include "tests/support/RowName.h"

namespace quillon::test {

void PrintTo(const SoakPlan& plan, std::ostream* out) {
    *out << plan.name;
}

namespace {

class FaultSoakTest : public ::testing::TestWithParam<SoakPlan> {};

TEST_P(FaultSoakTest, EndsAsPlannedRecordsItAndLeavesNothingOpen) {
    for (const std::string& wrong : RunSoakPlan(GetParam())) {
        ADD_FAILURE() << wrong;
    }
}

INSTANTIATE_TEST_SUITE_P(Plans, FaultSoakTest, ::testing::ValuesIn(SoakPlans()),
                         RowNames([](const SoakPlan& plan) { return plan.name; }));

}  // namespace
}  // namespace quillon::test
