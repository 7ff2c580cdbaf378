// The unit kinds of quillon7-sim and the one table of options of each. The program's parser and
// --help, the manual page's option lists and the bash completion are all made from these.
#pragma once

#include <string>
#include <vector>

#include "program/OptionTable.h"

namespace quillon::sim {

struct UnitKindSpec {
    const char* name;     // "hbd"
    const char* summary;  // one line in the program's usage
    std::vector<OptionSpec> options;
};

const std::vector<UnitKindSpec>& UnitKinds();

// "usage: quillon7-sim hbd [options]" and the kind's options.
std::string UnitKindHelp(const UnitKindSpec& kind);

}  // namespace quillon::sim
