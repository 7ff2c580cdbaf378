// quillon7-cli logs: the message and serial-data logs of past runs, as the desktop's log browser
// lists them; view one in the user's pager or delete one.
#include <algorithm>
#include <tuple>

#include "cli/CliContext.h"
#include "cli/Console.h"
#include "cli/ConsoleErrorReporter.h"
#include "platform/AppDirectory.h"
#include "platform/FileSystem.h"
#include "program/AppFiles.h"
#include "program/ArgParser.h"
#include "records/LogFolderScan.h"

namespace quillon::cli {

namespace {

// Shows a file in the user's pager, started with an argument vector (never through a shell),
// or copies it to out.
int ShowFile(const std::string& path, std::FILE* out) {
    const std::string pager = EnvironmentText("PAGER");
    if (!pager.empty() && IsTerminal(out)) {
        std::fflush(out);
        if (RunPager(pager, path)) {
            return kExitOk;
        }
    }
    return PrintTextFile(path, out) ? kExitOk : kExitFailed;
}

// The logs, newest first (the same second: by name), whatever order the folder keeps them in.
std::vector<LogFileRow> NewestFirst(std::vector<LogFileRow> rows) {
    auto key = [](const LogFileRow& r) {
        return std::tie(r.year, r.month, r.day, r.hour, r.minute, r.second, r.name);
    };
    std::sort(rows.begin(), rows.end(),
              [&key](const LogFileRow& a, const LogFileRow& b) { return key(a) > key(b); });
    return rows;
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
    const std::vector<LogFileRow> rows = NewestFirst(ScanLogFiles(logsDir));

    // The name as `upload` prints it, with ".txt", or as the list shows it; for --view also the
    // number the list gives it.
    auto logName = [&](const char* option) -> std::optional<std::string> {
        std::optional<std::string> name = parser.Value(option);
        constexpr std::string_view kExtension = ".txt";
        if (name && name->ends_with(kExtension)) {
            name->resize(name->size() - kExtension.size());
        }
        if (name && std::string_view(option) == "view") {
            if (auto number = ParseNumber(*name, 1, static_cast<long>(rows.size()))) {
                name = rows[static_cast<size_t>(*number - 1)].name;
            }
        }
        return name;
    };
    auto noSuchLog = [&](const std::string& name) {
        errors.Say("logs", "no log named '" + name + "' in " + logsDir);
        return kExitFailed;
    };
    if (auto name = logName("view")) {
        std::string path = LogFilePath(logsDir, *name);
        if (path.empty() || ShowFile(path, context.out) != kExitOk) {
            return noSuchLog(*name);
        }
        return kExitOk;
    }
    if (auto name = logName("delete")) {
        if (!IsPlainLogName(*name)) {
            errors.Say("logs", "'" + *name + "' is not a log name");
            return kExitUsage;
        }
        if (!fs::Inspect(LogFilePath(logsDir, *name)).regular) {
            return noSuchLog(*name);
        }
        if (!parser.Has("yes") &&
            !Confirmed(context, "Are you sure?\n\nDelete log file?\n" + *name + "\n")) {
            return kExitOk;
        }
        if (!DeleteLogFile(logsDir, *name)) {
            errors.Say("logs", "could not delete " + LogFilePath(logsDir, *name));
            return kExitFailed;
        }
        return kExitOk;
    }

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
