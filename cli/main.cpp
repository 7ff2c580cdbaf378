// quillon7-cli: uploads, terminal and records without a screen, over the desktop's core.
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliContext.h"
#include "cli/Console.h"
#include "platform/StandardStreams.h"
#include "program/Version.h"

namespace {

using namespace quillon::cli;

struct Runner {
    const char* name;
    int (*run)(const CliContext&);
};
constexpr Runner kRunners[] = {
    {"upload", RunUpload},   {"check", RunCheck},       {"terminal", RunTerminal},
    {"ports", RunPorts},     {"history", RunHistory},   {"logs", RunLogs},
    {"samples", RunSamples}, {"settings", RunSettings}, {"help", RunHelp}};

// "--app-dir DIR" or "--app-dir=DIR" before the command, taken off the arguments into *value.
// False after saying what is wrong (no value, an empty one, two of them).
bool TakeLeadingAppDir(std::vector<std::string>& arguments, std::optional<std::string>* value) {
    constexpr std::string_view kOption = "--app-dir";
    while (!arguments.empty() && arguments.front().starts_with(kOption)) {
        const std::string first = arguments.front();
        if (first.size() > kOption.size() && first[kOption.size()] != '=') {
            break;  // some other option; refused below as one
        }
        arguments.erase(arguments.begin());
        std::optional<std::string> given;
        if (first.size() > kOption.size()) {
            given = first.substr(kOption.size() + 1);
        } else if (!arguments.empty()) {
            given = arguments.front();
            arguments.erase(arguments.begin());
        }
        const char* wrong = !given           ? "needs a value"
                            : given->empty() ? "may not be empty"
                            : *value         ? "is given more than once"
                                             : nullptr;
        if (wrong != nullptr) {
            std::fprintf(stderr, "quillon7-cli: option --app-dir %s\n", wrong);
            return false;
        }
        *value = given;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (!quillon::OpenClosedStandardStreams()) {
        return kExitFailed;
    }
    PrepareConsole();
    std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    std::optional<std::string> appDir;
    if (!TakeLeadingAppDir(arguments, &appDir)) {
        return kExitUsage;
    }
    if (arguments.empty() || arguments.front() == "--help" || arguments.front() == "-h" ||
        IsWindowsHelpWord(arguments.front())) {
        std::fputs(ProgramHelp().c_str(), arguments.empty() ? stderr : stdout);
        return arguments.empty() ? kExitUsage : kExitOk;
    }
    if (arguments.front() == "--version") {
        std::printf("quillon7-cli v%d.%d\n", quillon::kVersionMajor, quillon::kVersionMinor);
        return kExitOk;
    }
    const std::string name = arguments.front();
    CliContext context;
    context.command = FindCommand(name);
    context.args.assign(arguments.begin() + 1, arguments.end());
    // Handed to the command as its own option, so its rules hold (one folder); a command that
    // uses no folder has nothing to do with it.
    if (appDir && context.command != nullptr &&
        std::ranges::any_of(context.command->options,
                            [](const auto& o) { return std::string_view(o.name) == "app-dir"; })) {
        context.args.insert(context.args.begin(), {"--app-dir", *appDir});
    }
    for (const Runner& runner : kRunners) {
        if (context.command != nullptr && name == runner.name) {
            return runner.run(context);
        }
    }
    std::fprintf(stderr, "quillon7-cli: unknown command '%s'\nTry 'quillon7-cli --help'.\n",
                 name.c_str());
    return kExitUsage;
}
