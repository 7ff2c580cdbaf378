// A small command-line parser for the programs' options: "--name value", "--name=value" and
// flags. It knows which options take a value, so a typo is reported instead of being taken as a
// file.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillon {

class ArgParser {
  public:
    ArgParser(std::set<std::string> valueOptions, std::set<std::string> flagOptions)
        : valueOptions_(std::move(valueOptions)), flagOptions_(std::move(flagOptions)) {}

    // False with a sentence in Error() for an unknown option or a missing value.
    bool Parse(const std::vector<std::string>& args);

    bool Has(const std::string& name) const { return seen_.count(name) != 0; }
    // The last value given for the option, or every value in order for a repeatable one.
    std::optional<std::string> Value(const std::string& name) const;
    std::vector<std::string> Values(const std::string& name) const;
    const std::vector<std::string>& Positional() const { return positional_; }
    const std::string& Error() const { return error_; }

  private:
    std::set<std::string> valueOptions_;
    std::set<std::string> flagOptions_;
    std::set<std::string> seen_;
    std::map<std::string, std::vector<std::string>> values_;
    std::vector<std::string> positional_;
    std::string error_;
};

// Parses a whole number in [min, max] (base 10, or 0 for C's 0x/0 prefixes); nullopt otherwise.
std::optional<long> ParseNumber(const std::string& text, long min, long max, int base = 10);

}  // namespace quillon
