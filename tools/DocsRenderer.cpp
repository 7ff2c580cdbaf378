// quillon7-docs SOURCE_DIR OUT_DIR: renders the option tables of quillon7-cli and quillon7-sim
// into their manual pages and bash completion scripts. A manual page keeps its hand-written
// prose; only the blocks between the marker comments below are made anew. The completion
// scripts are made whole. scripts/render-docs.sh runs it (into the source tree, or to compare).
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "program/OptionTable.h"
#include "sim/UnitOptions.h"

namespace {

using quillon::OptionSpec;
using quillon::ValueHint;

constexpr char kBlockStart[] = ".\\\" --- made from the option tables (scripts/render-docs.sh): ";
constexpr char kBlockEnd[] = ".\\\" --- end";
constexpr size_t kRoffWidth = 100;
constexpr size_t kScriptWidth = 96;

// ---------------------------------------------------------------------------------------------
// Manual pages

// Text for a roff text line: backslashes kept, the dashes of an option ("--json", "-v") as
// minus signs, the way man pages write them.
std::string RoffEscape(const std::string& text) {
    std::string out;
    size_t wordStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (std::string_view(" ([\"'`|").find(c) != std::string_view::npos) {
            wordStart = i + 1;
        }
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-' && text[wordStart] == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    return out;
}

// A help text as a sentence of the manual page: capitalised (unless it follows a title), with
// its full stop, wrapped, and no line taken for a request.
std::string RoffSentence(std::string text, bool capitalise = true) {
    if (capitalise && !text.empty() && std::islower(static_cast<unsigned char>(text[0]))) {
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    }
    if (!text.empty() && text.back() != '.') {
        text += '.';
    }
    std::istringstream lines(quillon::WrapText(RoffEscape(text), kRoffWidth, 0, 0));
    std::string out;
    for (std::string line; std::getline(lines, line);) {
        out += (line.starts_with('.') || line.starts_with('\'') ? "\\&" : "") + line + "\n";
    }
    return out;
}

std::string RoffOption(const OptionSpec& option) {
    std::string names = "\\-\\-" + RoffEscape(std::string("-") + option.name).substr(2);
    std::string request;
    if (option.shortName != '\0') {
        request = std::string(".BR \\-") + option.shortName + " \", \" " + names;
        if (option.value != nullptr) {
            request =
                std::string(".BI \"\\-") + option.shortName + ", " + names + " \" " + option.value;
        }
    } else {
        request =
            option.value != nullptr ? ".BI " + names + " \" " + option.value + "\"" : ".B " + names;
    }
    return ".TP\n" + request + "\n" + RoffSentence(option.help);
}

std::string RoffOptions(const std::vector<const OptionSpec*>& options) {
    std::string out;
    for (const OptionSpec* option : options) {
        out += RoffOption(*option);
    }
    return out;
}

// "[--comm FILE] | --kx FILE [options]" with options bold and names of values italic.
std::string RoffSynopsis(const std::string& synopsis) {
    std::istringstream words(synopsis);
    std::string out;
    for (std::string word; words >> word;) {
        const size_t start = word.find_first_not_of("[|");
        const size_t end = word.find_last_not_of("]");
        std::string core = start == std::string::npos || end < start
                               ? std::string()
                               : word.substr(start, end - start + 1);
        std::string styled = core;
        if (core.starts_with('-')) {
            styled = "\\fB" + RoffEscape(core) + "\\fR";
        } else if (core == "options" || (!core.empty() && std::ranges::all_of(core, [](char c) {
                       return std::isupper(static_cast<unsigned char>(c));
                   }))) {
            styled = "\\fI" + core + "\\fR";
        }
        out += (out.empty() ? "" : " ") +
               (start == std::string::npos ? word : word.substr(0, start)) + styled +
               (end == std::string::npos || start == std::string::npos ? "" : word.substr(end + 1));
    }
    return out;
}

std::string CliBlock(const std::string& key) {
    using quillon::cli::Commands;
    if (key == "synopsis") {
        std::string out;
        for (const auto& command : Commands()) {
            out += std::string(".B quillon7-cli ") + command.name + "\n";
            if (*command.synopsis != '\0') {
                out += RoffSynopsis(command.synopsis) + "\n";
            }
            out += ".br\n";
        }
        return out;
    }
    for (const auto& command : Commands()) {
        if (key == std::string("options ") + command.name) {
            std::vector<const OptionSpec*> options;
            for (const OptionSpec& option : command.options) {
                options.push_back(&option);
            }
            std::string out = RoffOptions(options);
            for (const auto& [title, note] : command.notes) {
                out += std::string(".PP\n.B ") + title + ":\n" + RoffSentence(note, false);
            }
            return out;
        }
    }
    throw std::runtime_error("no option table for the block '" + key + "'");
}

bool SameOption(const OptionSpec& a, const OptionSpec& b) {
    auto text = [](const char* s) { return std::string(s == nullptr ? "" : s); };
    return text(a.name) == text(b.name) && text(a.value) == text(b.value) &&
           text(a.help) == text(b.help) && a.shortName == b.shortName;
}

// Whether every unit kind has this option just so.
bool InEveryKind(const OptionSpec& option) {
    return std::ranges::all_of(quillon::sim::UnitKinds(), [&option](const auto& kind) {
        return std::ranges::any_of(kind.options,
                                   [&option](const auto& o) { return SameOption(o, option); });
    });
}

std::string SimBlock(const std::string& key) {
    const auto& kinds = quillon::sim::UnitKinds();
    std::vector<const OptionSpec*> options;
    if (key == "options both") {
        for (const OptionSpec& option : kinds.front().options) {
            if (InEveryKind(option)) {
                options.push_back(&option);
            }
        }
        return RoffOptions(options);
    }
    for (const auto& kind : kinds) {
        if (key == std::string("options ") + kind.name) {
            for (const OptionSpec& option : kind.options) {
                if (!InEveryKind(option)) {
                    options.push_back(&option);
                }
            }
            return RoffOptions(options);
        }
    }
    throw std::runtime_error("no option table for the block '" + key + "'");
}

// The page with every marked block made anew by `block`; each key of `wanted` must be there.
std::string RenderPage(const std::string& page, std::string (*block)(const std::string&),
                       std::vector<std::string> wanted) {
    std::istringstream lines(page);
    std::string out;
    for (std::string line; std::getline(lines, line);) {
        out += line + "\n";
        if (!line.starts_with(kBlockStart)) {
            continue;
        }
        const std::string key = line.substr(std::string(kBlockStart).size());
        out += block(key);
        while (std::getline(lines, line) && line != kBlockEnd) {
        }
        if (line != kBlockEnd) {
            throw std::runtime_error("the block '" + key + "' has no end marker");
        }
        out += line + "\n";
        std::erase(wanted, key);
    }
    if (!wanted.empty()) {
        throw std::runtime_error("the manual page has no block '" + wanted.front() + "'");
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Bash completion

// A word list for a double-quoted shell word that starts at `column`, wrapped, its further lines
// indented by `indent`.
std::string WordList(const std::vector<std::string>& words, size_t column, size_t indent) {
    std::string joined;
    for (const std::string& word : words) {
        joined += (joined.empty() ? "" : " ") + word;
    }
    std::string wrapped = quillon::WrapText(joined, kScriptWidth, indent, column);
    return wrapped.substr(column, wrapped.size() - column - 1);
}

// Offers the words; the line starts at `column`.
std::string Compgen(const std::string& words, size_t column) {
    constexpr std::string_view kStart = "COMPREPLY=($(compgen -W \"";
    std::vector<std::string> list;
    std::istringstream split(words);
    for (std::string word; split >> word;) {
        list.push_back(word);
    }
    return std::string(kStart) + WordList(list, column + kStart.size(), column + 4) +
           "\" -- \"$cur\"))";
}

// What the shell offers for an option's value, as the lines of a case branch at `column`.
std::string ValueAction(const OptionSpec& option, const std::string& deviceAction, size_t column) {
    switch (option.hint) {
        case ValueHint::kFile:
            return option.words != nullptr ? std::string("_filedir ") + option.words : "_filedir";
        case ValueHint::kFolder:
            return "_filedir -d";
        case ValueHint::kDevice:
            return deviceAction;
        case ValueHint::kWords:
            return Compgen(option.words, column);
        case ValueHint::kNone:
            break;
    }
    return "";
}

// "--comm | --reader)\n  _filedir bin\n  return\n  ;;" for every option with a value, options
// with the same action together.
std::string ValueCases(const std::vector<const std::vector<OptionSpec>*>& tables,
                       const std::string& deviceAction) {
    std::vector<std::pair<std::string, std::vector<std::string>>> byAction;
    std::map<std::string, std::string> actionOf;
    for (const auto* table : tables) {
        for (const OptionSpec& option : *table) {
            if (option.value == nullptr) {
                continue;
            }
            const std::string name = std::string("--") + option.name;
            const std::string action = ValueAction(option, deviceAction, 12);
            auto [known, fresh] = actionOf.emplace(name, action);
            if (!fresh && known->second != action) {
                throw std::runtime_error(name + " is completed two ways");
            }
            if (!fresh) {
                continue;
            }
            auto it = std::ranges::find(byAction, action, &decltype(byAction)::value_type::first);
            if (it == byAction.end()) {
                byAction.push_back({action, {}});
                it = byAction.end() - 1;
            }
            it->second.push_back(name);
        }
    }
    std::string out;
    for (const auto& [action, names] : byAction) {
        std::string pattern;
        for (const std::string& name : names) {
            pattern += (pattern.empty() ? "" : " | ") + name;
        }
        pattern = quillon::WrapText(pattern, kScriptWidth - 2, 12, 8);
        std::string::size_type pos = 0;
        while ((pos = pattern.find('\n', pos)) != std::string::npos && pos + 1 < pattern.size()) {
            pattern.insert(pos, " \\");
            pos += 3;
        }
        pattern.pop_back();
        out += pattern + ")\n";
        std::istringstream lines(action);
        for (std::string line; std::getline(lines, line);) {
            out += "            " + line + "\n";
        }
        out += "            return\n            ;;\n";
    }
    return out;
}

std::vector<std::string> LongNames(const std::vector<OptionSpec>& options) {
    std::vector<std::string> names;
    for (const OptionSpec& option : options) {
        names.push_back(std::string("--") + option.name);
    }
    return names;
}

std::string CliCompletion() {
    using quillon::cli::Commands;
    std::vector<const std::vector<OptionSpec>*> tables;
    std::vector<std::string> commandNames;
    for (const auto& command : Commands()) {
        tables.push_back(&command.options);
        commandNames.push_back(command.name);
    }
    const std::string deviceAction =
        "COMPREPLY=($(compgen -W \"$(_quillon7_cli_ports \"${words[0]}\")\" -- \"$cur\"))\n"
        "[[ ${#COMPREPLY[@]} -eq 0 ]] && _filedir";
    std::string out =
        "# bash completion for quillon7-cli                                     -*- shell-script "
        "-*-\n"
        "# Made from the option tables of quillon7-cli by scripts/render-docs.sh; do not edit.\n"
        "\n"
        "# The serial devices `quillon7-cli ports` lists (the first word of each device line).\n"
        "_quillon7_cli_ports()\n"
        "{\n"
        "    local line\n"
        "    while read -r line _; do\n"
        "        [[ $line == /* ]] && printf '%s\\n' \"$line\"\n"
        "    done < <(\"$1\" ports 2>/dev/null)\n"
        "}\n"
        "\n"
        "_quillon7_cli()\n"
        "{\n"
        "    local cur prev words cword\n"
        "    _init_completion -s || return\n"
        "\n"
        "    local commands=\"" +
        WordList(commandNames, 20, 8) +
        "\"\n"
        "    local command=\"\" i\n"
        "    for ((i = 1; i < cword; i++)); do\n"
        "        case ${words[i]} in\n"
        "            --app-dir) ((i++)) ;; # the folder, given before the command\n"
        "            -*) ;;\n"
        "            *)\n"
        "                command=${words[i]}\n"
        "                break\n"
        "                ;;\n"
        "        esac\n"
        "    done\n"
        "\n"
        "    case $prev in\n" +
        ValueCases(tables, deviceAction) +
        "    esac\n"
        "\n"
        "    local options\n"
        "    case $command in\n"
        "        \"\")\n"
        "            if [[ $cur == -* ]]; then\n"
        "                " +
        Compgen("--help --version --app-dir", 16) +
        "\n"
        "            else\n"
        "                COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\"))\n"
        "            fi\n"
        "            return\n"
        "            ;;\n";
    for (const auto& command : Commands()) {
        const std::string name = command.name;
        if (command.operand == nullptr) {
            const std::string options = WordList(LongNames(command.options), 21, 16);
            out +=
                "        " + name + ")\n            options=\"" + options + "\"\n            ;;\n";
            continue;
        }
        const OptionSpec operand{.name = "",
                                 .value = command.operand,
                                 .hint = command.operandHint,
                                 .words = command.operandWords};
        std::string options;
        for (const std::string& option : LongNames(command.options)) {
            options += option + " ";
        }
        out += "        " + name +
               ")\n"
               "            if [[ $cur == -* ]]; then\n"
               "                " +
               Compgen(options, 16) +
               "\n"
               "            else\n"
               "                " +
               ValueAction(operand, deviceAction, 16) +
               "\n"
               "            fi\n"
               "            return\n"
               "            ;;\n";
    }
    out +=
        "        *) return ;;\n"
        "    esac\n"
        "    " +
        Compgen("$options", 4) +
        "\n"
        "} &&\n"
        "    complete -F _quillon7_cli quillon7-cli\n"
        "\n"
        "# ex: filetype=sh\n";
    return out;
}

std::string SimCompletion() {
    const auto& kinds = quillon::sim::UnitKinds();
    std::vector<const std::vector<OptionSpec>*> tables;
    std::vector<std::string> kindNames;
    for (const auto& kind : kinds) {
        tables.push_back(&kind.options);
        kindNames.push_back(kind.name);
    }
    std::string out =
        "# bash completion for quillon7-sim                                     -*- shell-script "
        "-*-\n"
        "# Made from the option tables of quillon7-sim by scripts/render-docs.sh; do not edit.\n"
        "\n"
        "_quillon7_sim()\n"
        "{\n"
        "    local cur prev words cword\n"
        "    _init_completion || return\n"
        "\n"
        "    case $prev in\n" +
        ValueCases(tables, "COMPREPLY=($(compgen -f -- \"${cur:-/dev/tty}\"))") +
        "    esac\n"
        "\n"
        "    if ((cword == 1)); then\n"
        "        if [[ $cur == -* ]]; then\n"
        "            " +
        Compgen("--help --version", 12) +
        "\n"
        "        else\n"
        "            " +
        Compgen(WordList(kindNames, 0, 0), 12) +
        "\n"
        "        fi\n"
        "        return\n"
        "    fi\n"
        "    case ${words[1]} in\n";
    for (const auto& kind : kinds) {
        std::string options;
        for (const std::string& option : LongNames(kind.options)) {
            options += option + " ";
        }
        out += std::string("        ") + kind.name + ")\n            " + Compgen(options, 12) +
               "\n            ;;\n";
    }
    out +=
        "    esac\n"
        "} &&\n"
        "    complete -F _quillon7_sim quillon7-sim\n"
        "\n"
        "# ex: filetype=sh\n";
    return out;
}

// ---------------------------------------------------------------------------------------------

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::vector<std::string> CliBlockKeys() {
    std::vector<std::string> keys{"synopsis"};
    for (const auto& command : quillon::cli::Commands()) {
        keys.push_back(std::string("options ") + command.name);
    }
    return keys;
}

std::vector<std::string> SimBlockKeys() {
    std::vector<std::string> keys{"options both"};
    for (const auto& kind : quillon::sim::UnitKinds()) {
        keys.push_back(std::string("options ") + kind.name);
    }
    return keys;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: quillon7-docs SOURCE_DIR OUT_DIR\n", stderr);
        return 2;
    }
    const std::string source = argv[1];
    const std::string out = argv[2];
    try {
        const std::string cliPage = ReadWhole(source + "/docs/man/quillon7-cli.1");
        const std::string simPage = ReadWhole(source + "/docs/man/quillon7-sim.1");
        Write(out + "/docs/man/quillon7-cli.1", RenderPage(cliPage, CliBlock, CliBlockKeys()));
        Write(out + "/docs/man/quillon7-sim.1", RenderPage(simPage, SimBlock, SimBlockKeys()));
        Write(out + "/packaging/completion/quillon7-cli", CliCompletion());
        Write(out + "/packaging/completion/quillon7-sim", SimCompletion());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillon7-docs: %s\n", e.what());
        return 1;
    }
    return 0;
}
