#include "platform/ArgParser.h"

#include <cerrno>
#include <cstdlib>

namespace quillon {

bool ArgParser::Parse(const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            positional_.insert(positional_.end(), args.begin() + static_cast<long>(i) + 1,
                               args.end());
            return true;
        }
        if (arg.rfind("--", 0) != 0 || arg.size() == 2) {
            if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
                error_ = "unknown option " + arg;
                return false;
            }
            positional_.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::optional<std::string> inlineValue;
        if (size_t eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (valueOptions_.count(name)) {
            if (!inlineValue) {
                // "--comm --simulate": the option after it is no value, but a forgotten one.
                const bool nextIsOption = i + 1 < args.size() && args[i + 1].rfind("--", 0) == 0 &&
                                          (valueOptions_.count(args[i + 1].substr(2)) ||
                                           flagOptions_.count(args[i + 1].substr(2)));
                if (i + 1 >= args.size() || nextIsOption) {
                    error_ = "option --" + name + " needs a value";
                    return false;
                }
                inlineValue = args[++i];
            }
            values_[name].push_back(*inlineValue);
            seen_.insert(name);
        } else if (flagOptions_.count(name) && !inlineValue) {
            seen_.insert(name);
        } else {
            error_ = "unknown option --" + name;
            return false;
        }
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
