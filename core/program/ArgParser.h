// A small command-line parser for the programs' options, made from the command's option table:
// "--name value", "--name=value", flags and their one-letter forms ("-v"). It knows which options
// take a value, so a typo is reported instead of being taken as a file, and it refuses what would
// otherwise be silently dropped: a second value for a one-value option, an empty value, an
// argument more than the command takes.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "program/OptionTable.h"

namespace quillon {

class ArgParser {
  public:
    // maxOperands: how many arguments that are no options the command takes.
    explicit ArgParser(std::vector<OptionSpec> options, size_t maxOperands = 0)
        : options_(std::move(options)), maxOperands_(maxOperands) {}
    ArgParser(ArgParser&&) = default;
    ArgParser(const ArgParser&) = delete;
    ArgParser& operator=(const ArgParser&) = delete;

    // False with a sentence in Error() for an unknown option, a missing, empty or second value,
    // or an argument too many.
    bool Parse(const std::vector<std::string>& args);

    bool Has(const std::string& name) const { return seen_.count(name) != 0; }
    // The value given for the option, or every value in order for a repeatable one.
    std::optional<std::string> Value(const std::string& name) const;
    std::vector<std::string> Values(const std::string& name) const;
    const std::vector<std::string>& Positional() const { return positional_; }
    const std::string& Error() const { return error_; }

  private:
    const OptionSpec* Find(const std::string& arg) const;
    bool Take(const OptionSpec& option, std::string value);

    std::vector<OptionSpec> options_;
    size_t maxOperands_;
    std::set<std::string> seen_;
    std::map<std::string, std::vector<std::string>> values_;
    std::vector<std::string> positional_;
    std::string error_;
};

// Parses a whole number in [min, max] (base 10, 16, or 0 for C's 0x/0 prefixes); nullopt
// otherwise.
std::optional<long> ParseNumber(const std::string& text, long min, long max, int base = 10);

}  // namespace quillon
