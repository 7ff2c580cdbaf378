// quillon7-cli logs: the message and serial-data logs of past runs, as the desktop's log browser
// lists them; view one in the user's pager or delete one.
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "cli/CliContext.h"
#include "cli/Console.h"
#include "cli/ConsoleErrorReporter.h"
#include "platform/AppDirectory.h"
#include "platform/AppFiles.h"
#include "platform/ArgParser.h"
#include "records/LogFolderScan.h"

namespace quillon::cli {

namespace {

// Shows a file in the user's pager, started with an argument vector (never through a shell),
// or copies it to out.
int ShowFile(const std::string& path, std::FILE* out) {
    const char* pager = std::getenv("PAGER");
    if (pager != nullptr && *pager != '\0' && IsTerminal(out)) {
        std::fflush(out);
        if (RunPager(pager, path)) {
            return kExitOk;
        }
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return kExitUploadFailed;
    }
    char buffer[8192];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        std::fwrite(buffer, 1, static_cast<size_t>(in.gcount()), out);
    }
    return kExitOk;
}

}  // namespace

int RunLogs(const CliContext& context) {
    ConsoleErrorReporter errors(context.err);
    ArgParser parser = CommandParser(context);
    if (const Parsed parsed = ParseCommandLine(context, parser, errors); parsed != Parsed::kRun) {
        return parsed == Parsed::kHelpShown ? kExitOk : kExitUsage;
    }
    const std::string logsDir =
        app_files::LogsDir(ResolveAppDirectory(parser.Value("app-dir").value_or("")));

    // The name as `upload` prints it, with ".txt", or as the list shows it.
    auto logName = [&parser](const char* option) -> std::optional<std::string> {
        std::optional<std::string> name = parser.Value(option);
        constexpr std::string_view kExtension = ".txt";
        if (name && name->ends_with(kExtension)) {
            name->resize(name->size() - kExtension.size());
        }
        return name;
    };
    if (auto name = logName("view")) {
        std::string path = LogFilePath(logsDir, *name);
        if (path.empty() || ShowFile(path, context.out) != kExitOk) {
            std::fprintf(context.err, "quillon7-cli logs: no log named '%s' in %s\n", name->c_str(),
                         logsDir.c_str());
            return kExitUploadFailed;
        }
        return kExitOk;
    }
    if (auto name = logName("delete")) {
        if (!IsPlainLogName(*name)) {
            std::fprintf(context.err, "quillon7-cli logs: '%s' is not a log name\n", name->c_str());
            return kExitUsage;
        }
        if (!parser.Has("yes")) {
            std::fprintf(context.out, "Are you sure?\n\nDelete log file?\n%s\n[y/N] ",
                         name->c_str());
            std::fflush(context.out);
            std::string answer;
            std::getline(std::cin, answer);
            if (answer != "y" && answer != "Y" && answer != "yes") {
                return kExitOk;
            }
        }
        if (!DeleteLogFile(logsDir, *name)) {
            std::fprintf(context.err, "quillon7-cli logs: could not delete %s\n",
                         LogFilePath(logsDir, *name).c_str());
            return kExitUploadFailed;
        }
        return kExitOk;
    }

    std::vector<LogFileRow> rows = ScanLogFiles(logsDir);
    std::fprintf(context.out, "%-6s %-7s %-40s %-13s %-9s %s\n", "Count", "Type", "File Name",
                 "Date", "Time", "Size");
    int count = 0;
    for (const LogFileRow& row : rows) {
        std::fprintf(context.out, "%-6d %-7s %-40s %-13s %-9s %s\n", ++count,
                     row.serial ? "Serial" : "Status", row.name.c_str(), FormatLogDate(row).c_str(),
                     FormatLogTime(row).c_str(), FormatLogSize(row).c_str());
    }
    return kExitOk;
}

}  // namespace quillon::cli
