#include "serial/PortName.h"

#include <algorithm>
#include <cctype>

namespace quillon {

namespace {

constexpr std::string_view kWhatToType =
    "type a port number from 1 to 256 or a device such as /dev/ttyUSB0.";
constexpr std::string_view kWindowsPrefix = "COM";
constexpr std::string_view kBlanks = " \t\r\n";

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

std::string_view Trim(std::string_view text) {
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) ==
                      std::toupper(static_cast<unsigned char>(b));
           });
}

// "3", "-3", "+3", "COM3": the digits of what is meant as a port number, with its sign.
struct NumberText {
    bool negative = false;
    std::string_view digits;
};

std::optional<NumberText> AsNumberText(std::string_view text) {
    if (StartsWithNoCase(text, kWindowsPrefix) && AllDigits(text.substr(kWindowsPrefix.size()))) {
        return NumberText{false, text.substr(kWindowsPrefix.size())};
    }
    bool negative = text.front() == '-';
    std::string_view digits = (negative || text.front() == '+') ? text.substr(1) : text;
    if (AllDigits(digits)) {
        return NumberText{negative, digits};
    }
    return std::nullopt;
}

// The value of a digit run, or -1 when it exceeds `limit` (however many digits it has).
int ValueUpTo(std::string_view digits, int limit) {
    int value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > limit) {
            return -1;
        }
    }
    return value;
}

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return std::iscntrl(static_cast<unsigned char>(c)) != 0; });
}

std::optional<PortName> Fail(std::string* errorText, std::string text) {
    if (errorText != nullptr) {
        *errorText = std::move(text);
    }
    return std::nullopt;
}

}  // namespace

std::optional<PortName> PortName::Parse(std::string_view text, std::string* errorText,
                                        std::string_view devRoot) {
    std::string_view typed = Trim(text);
    if (typed.empty()) {
        return Fail(errorText, "No serial port given: " + std::string(kWhatToType));
    }
    if (auto number = AsNumberText(typed)) {
        int value = number->negative ? -1 : ValueUpTo(number->digits, kMaxPortNumber);
        if (value < kMinPortNumber) {
            return Fail(errorText, "Port number " + std::string(typed) +
                                       " is out of range: " + std::string(kWhatToType));
        }
        return PortName{value, {}};
    }
    if (IsDigit(typed.front())) {
        return Fail(errorText, "\"" + std::string(typed) + "\" is not a port number or a device: " +
                                   std::string(kWhatToType));
    }
    if (HasControlCharacter(typed)) {
        return Fail(errorText,
                    "The device name contains control characters: " + std::string(kWhatToType));
    }
    std::string device =
        // A path as it is: absolute, or relative to the working folder ("./ttyV0").
        typed.front() == '/' || typed.starts_with("./") || typed.starts_with("../")
            ? std::string(typed)
            : std::string(devRoot) + "/" + std::string(typed);
    if (device.size() > kMaxDeviceLength) {
        return Fail(errorText, "The device path is longer than " +
                                   std::to_string(kMaxDeviceLength) +
                                   " characters: " + std::string(kWhatToType));
    }
    return PortName{0, std::move(device)};
}

}  // namespace quillon
