// What every command does with its arguments before its own work: the parse by its option table,
// the usage error and the help.
#include <iostream>

#include "cli/CliContext.h"
#include "cli/ConsoleErrorReporter.h"

namespace quillon::cli {

ArgParser CommandParser(const CliContext& context) {
    return ArgParser(context.command->options, context.command->operand != nullptr ? 1 : 0);
}

Parsed ParseCommandLine(const CliContext& context, ArgParser& parser,
                        ConsoleErrorReporter& errors) {
    const char* name = context.command->name;
    if (!parser.Parse(context.args)) {
        errors.Say(name, parser.Error() + "\nTry 'quillon7-cli " + name + " --help'.");
        return Parsed::kRefused;
    }
    if (parser.Has("help")) {
        std::fputs(CommandHelp(*context.command).c_str(), context.out);
        return Parsed::kHelpShown;
    }
    return Parsed::kRun;
}

FileSelection SelectedFiles(const ArgParser& parser, bool kx2) {
    FileSelection files;
    files.comm = kx2 ? parser.Value("kx") : parser.Value("comm");
    files.reader = parser.Value("reader");
    files.speech = parser.Value("speech");
    return files;
}

bool Confirmed(const CliContext& context, const std::string& question) {
    std::fprintf(context.out, "%s[y/N] ", question.c_str());
    std::fflush(context.out);
    std::string answer;
    std::getline(std::cin, answer);
    const bool yes = answer == "y" || answer == "Y" || answer == "yes";
    if (!yes) {
        std::fprintf(context.out, "Nothing changed.\n");
    }
    return yes;
}

int RunHelp(const CliContext& context) {
    ConsoleErrorReporter errors(context.err);
    ArgParser parser = CommandParser(context);
    if (Parsed parsed = ParseCommandLine(context, parser, errors); parsed != Parsed::kRun) {
        return parsed == Parsed::kHelpShown ? kExitOk : kExitUsage;
    }
    if (parser.Positional().empty()) {
        std::fputs(ProgramHelp().c_str(), context.out);
        return kExitOk;
    }
    const CommandSpec* command = FindCommand(parser.Positional()[0]);
    if (command == nullptr) {
        errors.Say("help",
                   "unknown command '" + parser.Positional()[0] + "'\nTry 'quillon7-cli --help'.");
        return kExitUsage;
    }
    std::fputs(CommandHelp(*command).c_str(), context.out);
    return kExitOk;
}

}  // namespace quillon::cli
