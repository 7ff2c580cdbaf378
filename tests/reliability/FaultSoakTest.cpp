// The fault soak's table, each row once (reliability_soak runs it over and over).
#include <gtest/gtest.h>

#include "tests/reliability/FaultSoak.h"
#include "tests/support/RowName.h"

namespace quillon::test {

void PrintTo(const SoakPlan& plan, std::ostream* out) {
    *out << plan.name;
}

void PrintTo(SoakLine line, std::ostream* out) {
    *out << SoakLineName(line);
}

namespace {

class FaultSoakTest : public ::testing::TestWithParam<std::tuple<SoakPlan, SoakLine>> {};

TEST_P(FaultSoakTest, EndsAsPlannedRecordsItAndLeavesNothingOpen) {
    for (const std::string& wrong : RunSoakPlan(std::get<0>(GetParam()), std::get<1>(GetParam()))) {
        ADD_FAILURE() << wrong;
    }
}

INSTANTIATE_TEST_SUITE_P(Plans, FaultSoakTest,
                         ::testing::Combine(::testing::ValuesIn(SoakPlans()),
                                            ::testing::ValuesIn(SoakLines())),
                         RowNames([](const std::tuple<SoakPlan, SoakLine>& row) {
                             return std::get<0>(row).name + " " + SoakLineName(std::get<1>(row));
                         }));

}  // namespace
}  // namespace quillon::test
