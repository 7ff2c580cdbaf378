// reliability_soak: the fault soak's table run over and over, RUNS runs in all (default 200),
// row after row (every plan on each line it runs on); prints every run that broke a rule, exit
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
    const std::vector<SoakRun> rows = SoakRuns();
    unsigned long broken = 0;
    for (unsigned long run = 0; run < runs; ++run) {
        const SoakRun& row = rows[run % rows.size()];
        const std::vector<std::string> wrong = RunSoakPlan(row.plan, row.line);
        for (const std::string& what : wrong) {
            std::printf("run %lu (%s, %s): %s\n", run, row.plan.name.c_str(),
                        SoakLineName(row.line), what.c_str());
        }
        broken += wrong.empty() ? 0 : 1;
    }
    std::printf("%lu runs of %zu rows, %lu broke a rule\n", runs, rows.size(), broken);
    return broken == 0 ? 0 : 1;
}
