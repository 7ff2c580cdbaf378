// reliability_soak: the fault soak's table run over and over, RUNS runs in all (default 200),
// row after row, the whole table on each line in turn; prints every run that broke a rule, exit
// status 1 when any did.
//   reliability_soak [--runs N]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/reliability/FaultSoak.h"

int main(int argc, char** argv) {
    using namespace quillon::test;
    unsigned long runs = 200;
    if (argc == 3 && std::string(argv[1]) == "--runs") {
        runs = std::strtoul(argv[2], nullptr, 10);
    } else if (argc != 1) {
        std::fprintf(stderr, "usage: reliability_soak [--runs N]\n");
        return 2;
    }
    unsigned long broken = 0;
    for (unsigned long run = 0; run < runs; ++run) {
        const SoakPlan& plan = SoakPlans()[run % SoakPlans().size()];
        const SoakLine line = SoakLines()[run / SoakPlans().size() % SoakLines().size()];
        const std::vector<std::string> wrong = RunSoakPlan(plan, line);
        for (const std::string& what : wrong) {
            std::printf("run %lu (%s, %s): %s\n", run, plan.name.c_str(), SoakLineName(line),
                        what.c_str());
        }
        broken += wrong.empty() ? 0 : 1;
    }
    std::printf("%lu runs of %zu plans, %lu broke a rule\n", runs, SoakPlans().size(), broken);
    return broken == 0 ? 0 : 1;
}
