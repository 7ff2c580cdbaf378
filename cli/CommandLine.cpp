// What every command does with its arguments before its own work: the parse by its option table,
// the usage error and the help.
#include <algorithm>
#include <array>
#include <iostream>

#include "cli/CliContext.h"
#include "cli/ConsoleErrorReporter.h"
#include "platform/PathText.h"
#include "platform/ReadOnlyFile.h"

namespace quillon::cli {

ArgParser CommandParser(const CliContext& context) {
    return ArgParser(context.command->options, context.command->operand != nullptr ? 1 : 0);
}

std::optional<int> ParseOptionsOnly(const CliContext& context, ArgParser& parser) {
    ConsoleErrorReporter errors(context.err);
    switch (ParseCommandLine(context, parser, errors)) {
        case Parsed::kRun:
            return std::nullopt;
        case Parsed::kHelpShown:
            return kExitOk;
        default:
            return kExitUsage;
    }
}

Parsed ParseCommandLine(const CliContext& context, ArgParser& parser,
                        ConsoleErrorReporter& errors) {
    const char* name = context.command->name;
    if (std::ranges::any_of(context.args, IsWindowsHelpWord)) {
        std::fputs(CommandHelp(*context.command).c_str(), context.out);
        return Parsed::kHelpShown;
    }
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
    // Written and remembered the way the platform writes paths.
    auto path = [&parser](const char* option) {
        std::optional<std::string> value = parser.Value(option);
        return value ? std::optional(NativePath(*value)) : std::nullopt;
    };
    FileSelection files;
    files.comm = path(kx2 ? "kx" : "comm");
    files.reader = path("reader");
    files.speech = path("speech");
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

bool ReadFileBlocks(const std::string& path, const std::function<void(std::string_view)>& take) {
    ReadOnlyFile file;
    if (!file.Open(path, nullptr)) {
        return false;
    }
    std::array<uint8_t, 16384> block{};
    bool failed = false;
    for (size_t n; (n = file.Read(block.data(), block.size(), &failed)) > 0;) {
        take(std::string_view(reinterpret_cast<const char*>(block.data()), n));
    }
    return !failed;
}

bool PrintTextFile(const std::string& path, std::FILE* out) {
    bool heldReturn = false;  // a CR that ended the last block: dropped when a LF comes next
    const bool read = ReadFileBlocks(path, [&](std::string_view block) {
        std::string text = heldReturn && !block.starts_with('\n') ? "\r" : "";
        heldReturn = block.ends_with('\r');
        if (heldReturn) {
            block.remove_suffix(1);
        }
        for (size_t i = 0; i < block.size(); ++i) {
            if (block[i] != '\r' || i + 1 == block.size() || block[i + 1] != '\n') {
                text += block[i];
            }
        }
        std::fwrite(text.data(), 1, text.size(), out);
    });
    if (heldReturn) {
        std::fputc('\r', out);
    }
    return read;
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
