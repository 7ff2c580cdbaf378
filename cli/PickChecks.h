// The pick checks of the desktop for the files given on the command line (extension rule, then
// the file checks with the validate flag), shared by `upload` and `check`. Nothing is written:
// a rejected file is reported once through the ErrorReporter and changes nothing.
#pragma once

#include <vector>

#include "platform/ArgParser.h"
#include "platform/ErrorReporter.h"
#include "upload/StartPlan.h"

namespace quillon::cli {

// A Tamarack Line marker search of a picked file, for the caller to apply to the settings once
// every check passed.
struct TamarackFinding {
    bool found;
};

// The files named by --comm/--reader/--speech, or --kx in the COMM place.
FileSelection SelectedFiles(const ArgParser& parser, bool kx2);

bool CheckPicks(const FileSelection& files, bool kx2, bool validate,
                std::vector<TamarackFinding>* tamarack, ErrorReporter& errors);

}  // namespace quillon::cli
