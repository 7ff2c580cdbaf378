// The options of a command as one table: how each is written, what value it takes and what it
// does. The command's parser, its --help text, its manual page and its shell completion are all
// made from the same table, so none of them can name an option the others do not know.
#pragma once

#include <string>
#include <vector>

namespace quillon {

// What a shell may offer as an option's value.
enum class ValueHint {
    kNone,    // nothing (a name, a number)
    kFile,    // a file; OptionSpec::words is the extension to prefer ("bin"), or nullptr
    kFolder,  // a folder
    kDevice,  // a serial device
    kWords,   // one of OptionSpec::words, separated by blanks
};

struct OptionSpec {
    const char* name;             // "comm" for --comm
    const char* value = nullptr;  // the value's name in help texts ("FILE"); nullptr: a flag
    const char* help = "";        // what it does: sentences, unwrapped, without a final stop
    char shortName = '\0';        // 'v' for -v
    bool repeatable = false;      // a value option that may be given more than once
    ValueHint hint = ValueHint::kNone;
    const char* words = nullptr;  // see ValueHint
    const char* group = nullptr;  // a heading in --help, shown where it changes
};

// "-v, --verbose", "--comm FILE": the option as a help text lists it.
std::string OptionLabel(const OptionSpec& option);

// The options as --help lists them: the label, then the help wrapped beside it; group headings
// where they change. Lines stay within `width` columns.
std::string OptionListText(const std::vector<OptionSpec>& options, size_t width = 80);

// text wrapped at blanks into lines of at most `width` columns, each after `indent` blanks
// (the first after `firstIndent`); "\n" in text starts a new line, "\n\n" a new paragraph.
std::string WrapText(const std::string& text, size_t width, size_t indent, size_t firstIndent);

}  // namespace quillon
