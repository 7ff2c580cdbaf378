#include "serial/PortName.h"

#include <algorithm>
#include <cctype>

#include "text/AsciiText.h"

namespace quillon {

namespace {

constexpr std::string_view kDevRoot = "/dev";
constexpr std::string_view kWindowsPrefix = "COM";
constexpr std::string_view kWindowsDeviceSpace = "\\\\.\\";  // \\.\ as in \\.\COM10
constexpr std::string_view kWindowsLongSpace = "\\\\?\\";
constexpr std::string_view kBlanks = " \t\r\n";

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

std::string_view WhatToType(PortNaming naming) {
    return naming == PortNaming::kWindows
               ? "type a port number from 1 to 256 (3 or COM3) or a device such as \\\\.\\CNCA0."
               : "type a port number from 1 to 256 or a device such as /dev/ttyUSB0.";
}

std::string_view Trim(std::string_view text) {
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// "3", "-3", "+3", "COM3": the digits of what is meant as a port number, with its sign.
struct NumberText {
    bool negative = false;
    std::string_view digits;
};

// Windows also takes "COM3:", as its own device names have it.
std::optional<NumberText> AsNumberText(std::string_view text, PortNaming naming) {
    if (naming == PortNaming::kWindows && text.size() > 1 && text.ends_with(':')) {
        text.remove_suffix(1);
    }
    if (StartsWithIgnoringAsciiCase(text, kWindowsPrefix) &&
        AllDigits(text.substr(kWindowsPrefix.size()))) {
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
                                        PortNaming naming) {
    const std::string whatToType(WhatToType(naming));
    std::string_view typed = Trim(text);
    if (typed.empty()) {
        return Fail(errorText, "No serial port given: " + whatToType);
    }
    if (auto number = AsNumberText(typed, naming)) {
        int value = number->negative ? -1 : ValueUpTo(number->digits, kMaxPortNumber);
        if (value < kMinPortNumber) {
            return Fail(errorText,
                        "Port number " + std::string(typed) + " is out of range: " + whatToType);
        }
        return PortName{value, {}};
    }
    if (IsDigit(typed.front())) {
        return Fail(errorText, "\"" + std::string(typed) +
                                   "\" is not a port number or a device: " + whatToType);
    }
    if (HasControlCharacter(typed)) {
        return Fail(errorText, "The device name contains control characters: " + whatToType);
    }
    std::string device;
    if (naming == PortNaming::kWindows) {
        // A name of the device space as it is; any other name is one in it ("CNCA0").
        const bool spaced =
            typed.starts_with(kWindowsDeviceSpace) || typed.starts_with(kWindowsLongSpace);
        if (!spaced && typed.find_first_of("\\/:") != std::string_view::npos) {
            return Fail(errorText, "\"" + std::string(typed) +
                                       "\" is not a port number or a device: " + whatToType);
        }
        device =
            spaced ? std::string(typed) : std::string(kWindowsDeviceSpace) + std::string(typed);
    } else {
        // A path as it is: absolute, or relative to the working folder ("./ttyV0").
        device = typed.front() == '/' || typed.starts_with("./") || typed.starts_with("../")
                     ? std::string(typed)
                     : std::string(kDevRoot) + "/" + std::string(typed);
    }
    if (device.size() > kMaxDeviceLength) {
        return Fail(errorText, "The device path is longer than " +
                                   std::to_string(kMaxDeviceLength) + " characters: " + whatToType);
    }
    return PortName{0, std::move(device)};
}

}  // namespace quillon
