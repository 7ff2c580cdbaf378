// The file checks of `upload` and `check` for the files given on the command line: the
// extension rule of each, then the start checks, which read every file once and check those
// bytes. Nothing is written: a rejected file is reported through the ErrorReporter and changes
// nothing.
#pragma once

#include <optional>
#include <vector>

#include "platform/ArgParser.h"
#include "platform/ErrorReporter.h"
#include "settings/IniFile.h"
#include "upload/StartPlan.h"

namespace quillon::cli {

// What passed the checks: the images the upload sends, and the Tamarack Line marker searches of
// the COMM and READER images in the order a pick would make them, for the caller to apply to the
// settings.
struct CheckedFiles {
    StartImages images;
    std::vector<bool> tamarackFound;
};

// The files named by --comm/--reader/--speech, or --kx in the COMM place.
FileSelection SelectedFiles(const ArgParser& parser, bool kx2);

// reportEvery: every rejected file is named (check); otherwise the first one ends the checks.
std::optional<CheckedFiles> CheckGivenFiles(const FileSelection& files, bool kx2, bool validate,
                                            const IniFile& ini, ErrorReporter& errors,
                                            bool reportEvery);

}  // namespace quillon::cli
