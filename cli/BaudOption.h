// The rate rule `upload` and `terminal` share: --baud takes one of the offered rates; the line
// runs at the rate of its baud code, which for 14400 and 28800 (offered for the settings' sake,
// without a code of their own) is 19200. Only the rate the line really runs at is ever shown.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "cli/ConsoleErrorReporter.h"
#include "program/ArgParser.h"
#include "settings/IniFile.h"

namespace quillon::cli {

// --baud as typed into *typed (left empty without it); false after saying what is wrong when it
// is not one of the offered rates. Checked before anything is written, so a usage error changes
// nothing.
bool ParseBaudOption(const ArgParser& parser, const char* command, std::optional<int>* typed,
                     ConsoleErrorReporter& errors);

// The rate the line will run at: --baud, else the settings file's, each as the line has it. A
// rate the line does not have is said on err, so no other rate than the real one is shown.
int ChooseBaud(std::optional<int> typed, const IniFile& ini, const char* command, std::FILE* err);

}  // namespace quillon::cli
