#include "program/ArgParser.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace quillon {

const OptionSpec* ArgParser::Find(const std::string& arg) const {
    for (const OptionSpec& option : options_) {
        const bool matches = arg.starts_with("--")
                                 ? arg.compare(2, std::string::npos, option.name) == 0
                                 : option.shortName != '\0' && arg.size() == 2 && arg[0] == '-' &&
                                       arg[1] == option.shortName;
        if (matches) {
            return &option;
        }
    }
    return nullptr;
}

bool ArgParser::Take(const OptionSpec& option, std::string value) {
    const std::string name = std::string("--") + option.name;
    if (value.empty()) {
        error_ = "option " + name + " may not be empty";
        return false;
    }
    std::vector<std::string>& values = values_[option.name];
    if (!values.empty() && !option.repeatable) {
        error_ = "option " + name + " is given more than once";
        return false;
    }
    values.push_back(std::move(value));
    seen_.insert(option.name);
    return true;
}

bool ArgParser::Parse(const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            positional_.insert(positional_.end(), args.begin() + static_cast<long>(i) + 1,
                               args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            positional_.push_back(arg);
            continue;
        }
        std::string written = arg;
        std::optional<std::string> inlineValue;
        if (size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            written = arg.substr(0, eq);
        }
        const OptionSpec* option = Find(written);
        if (option == nullptr || (option->value == nullptr && inlineValue)) {
            error_ = "unknown option " + written;
            return false;
        }
        if (option->value == nullptr) {
            seen_.insert(option->name);
            continue;
        }
        if (!inlineValue) {
            // "--comm --simulate": the option after it is no value, but a forgotten one.
            if (i + 1 >= args.size() ||
                Find(args[i + 1].substr(0, args[i + 1].find('='))) != nullptr) {
                error_ = "option --" + std::string(option->name) + " needs a value";
                return false;
            }
            inlineValue = args[++i];
        }
        if (!Take(*option, std::move(*inlineValue))) {
            return false;
        }
    }
    if (positional_.size() > maxOperands_) {
        error_ = "unexpected argument '" + positional_[maxOperands_] + "'";
        return false;
    }
    return true;
}

std::optional<std::string> ArgParser::Value(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end() || it->second.empty()) {
        return std::nullopt;
    }
    return it->second.back();
}

std::vector<std::string> ArgParser::Values(const std::string& name) const {
    auto it = values_.find(name);
    return it == values_.end() ? std::vector<std::string>{} : it->second;
}

std::optional<long> ParseNumber(const std::string& text, long min, long max, int base) {
    if (text.empty() || text.size() > 12) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, base);
    if (errno != 0 || end == nullptr || *end != '\0' || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

}  // namespace quillon
