// What every quillon7-cli command is given: its table, its arguments and the two output streams.
// Commands return the process exit status.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Commands.h"
#include "program/ArgParser.h"
#include "session/UploadSession.h"

namespace quillon::cli {

class ConsoleErrorReporter;

// Exit statuses, as documented in --help and the README.
enum ExitStatus : int {
    kExitOk = 0,
    kExitFailed = 1,  // an upload failed or was not confirmed; a record could not be read
    kExitUsage = 2,   // usage error or a rejected file
    kExitPortFailed = 3,
    kExitInterrupted = 130,
};

struct CliContext {
    const CommandSpec* command = nullptr;  // the command run
    std::vector<std::string> args;         // after the command name
    std::FILE* out = stdout;
    std::FILE* err = stderr;
};

// The parser of the command's option table.
ArgParser CommandParser(const CliContext& context);

// Parses the command's arguments by its table. kRefused after saying what is wrong (and how to
// get help) through errors; kHelpShown after printing the help for --help.
enum class Parsed { kRun, kHelpShown, kRefused };
Parsed ParseCommandLine(const CliContext& context, ArgParser& parser, ConsoleErrorReporter& errors);
// For a command that only takes options: nullopt to go on, else the exit status (after the help
// or the usage error on context.err).
std::optional<int> ParseOptionsOnly(const CliContext& context, ArgParser& parser);

// Asks on the console before something is changed: the question on out, then "[y/N] "; only "y",
// "Y" or "yes" on stdin is a yes (no answer, as from a closed stdin, is a no), and a no is
// answered with "Nothing changed.".
bool Confirmed(const CliContext& context, const std::string& question);

// The files named by --comm/--reader/--speech, or --kx in the COMM place (upload and check).
FileSelection SelectedFiles(const ArgParser& parser, bool kx2);
// Reads the regular file at path block by block into take; false when it cannot be opened or a
// read fails (errno then says why).
bool ReadFileBlocks(const std::string& path, const std::function<void(std::string_view)>& take);
// Copies the text file at path to out, its lines ended as out ends them (a file written with
// CR LF does not get a second CR from a Windows stream); false as ReadFileBlocks.
bool PrintTextFile(const std::string& path, std::FILE* out);

int RunUpload(const CliContext& context);
int RunCheck(const CliContext& context);
int RunPorts(const CliContext& context);
int RunTerminal(const CliContext& context);
int RunHistory(const CliContext& context);
int RunLogs(const CliContext& context);
int RunSamples(const CliContext& context);
int RunSettings(const CliContext& context);
int RunHelp(const CliContext& context);

}  // namespace quillon::cli
