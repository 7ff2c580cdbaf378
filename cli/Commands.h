// The commands of quillon7-cli and the one table of options of each. The parser of a command, its
// --help, the manual page's synopsis and option lists and the bash completion are all made from
// these (tools/DocsRenderer.cpp renders the last three into docs/man and packaging/completion).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "program/OptionTable.h"

namespace quillon::cli {

struct CommandSpec {
    const char* name;
    const char* summary;   // one line in the program's command list
    const char* synopsis;  // what follows "quillon7-cli NAME" in the usage line
    const char* about;     // what --help says before the options; "\n\n" between paragraphs
    std::vector<OptionSpec> options = {};
    const char* operand = nullptr;  // the name of the one argument the command takes, if any
    ValueHint operandHint = ValueHint::kNone;  // what a shell may offer for it
    const char* operandWords = nullptr;        // see ValueHint
    // Paragraphs after the options, each with its title ("Exit status", "Signals").
    std::vector<std::pair<const char*, const char*>> notes = {};
};

// Every command, in the order the command list shows them.
const std::vector<CommandSpec>& Commands();
// The command of that name, or nullptr.
const CommandSpec* FindCommand(const std::string& name);

// "9600, 14400, ..., 115200", the rates --baud takes, with `separator` between them.
std::string OfferedRatesText(const char* separator);

// "/?" on Windows, where every program takes it for --help; nothing elsewhere (it is a path).
bool IsWindowsHelpWord(std::string_view arg);

// The command's --help text: usage line, what it does, its options, its notes.
std::string CommandHelp(const CommandSpec& command);
// The program's --help text: the commands and how to get each one's help.
std::string ProgramHelp();

}  // namespace quillon::cli
