// What every quillon7-cli command is given: its arguments and the two output streams. Commands
// return the process exit status.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace quillon::cli {

// Exit statuses, as documented in --help and the README.
enum ExitStatus : int {
    kExitOk = 0,
    kExitUploadFailed = 1,
    kExitUsage = 2,  // usage error or a rejected file
    kExitPortFailed = 3,
    kExitInterrupted = 130,
};

struct CliContext {
    std::vector<std::string> args;  // after the command name
    std::FILE* out = stdout;
    std::FILE* err = stderr;
};

int RunUpload(const CliContext& context);
int RunCheck(const CliContext& context);
int RunPorts(const CliContext& context);
int RunTerminal(const CliContext& context);
int RunHistory(const CliContext& context);
int RunLogs(const CliContext& context);
int RunSamples(const CliContext& context);
int RunSettings(const CliContext& context);

}  // namespace quillon::cli
