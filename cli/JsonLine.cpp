#include "cli/JsonLine.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace quillon::cli {

namespace {

constexpr unsigned char kFirstNonAscii = 0x80;
constexpr unsigned char kContinuationMask = 0xC0;
constexpr unsigned char kContinuationBits = 0x80;

// The length of the valid UTF-8 sequence at the start of bytes, or 0 when there is none
// (a stray continuation byte, an overlong form, a surrogate, beyond U+10FFFF, cut short).
size_t ValidSequenceLength(std::string_view bytes) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    size_t length = 0;
    uint32_t min = 0;
    uint32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, min = 0x800, value = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = 0x10000, value = lead & 0x07u;
    } else {
        return 0;
    }
    if (bytes.size() < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if ((c & kContinuationMask) != kContinuationBits) {
            return 0;
        }
        value = (value << 6) | (c & 0x3Fu);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return value < min || value > 0x10FFFF || surrogate ? 0 : length;
}

void AppendEscape(std::string& out, unsigned value) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", value);
    out += escaped;
}

// "2026-12-05T23:01:02.345Z"
std::string UtcNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{duration_cast<milliseconds>(now - day)};
    char text[64];
    std::snprintf(
        text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
        static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
        static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
        static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
    return text;
}

}  // namespace

std::string JsonLine::Quote(std::string_view bytes) {
    constexpr unsigned kLoneByteBase = 0xDC00;  // as Python's "surrogateescape"
    std::string out = "\"";
    size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= kFirstNonAscii) {
            const size_t length = ValidSequenceLength(bytes.substr(i));
            if (length == 0) {
                AppendEscape(out, kLoneByteBase + c);
                ++i;
            } else {
                out.append(bytes.substr(i, length));
                i += length;
            }
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            AppendEscape(out, c);
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    return out + "\"";
}

JsonLine::JsonLine(std::string_view type) {
    body_ = "{\"type\":" + Quote(type) + ",\"time\":" + Quote(UtcNow());
}

JsonLine& JsonLine::Key(std::string_view key) {
    body_ += "," + Quote(key) + ":";
    return *this;
}

JsonLine& JsonLine::Text(std::string_view key, std::string_view text) {
    Key(key).body_ += Quote(text);
    return *this;
}

JsonLine& JsonLine::Number(std::string_view key, int64_t number) {
    Key(key).body_ += std::to_string(number);
    return *this;
}

JsonLine& JsonLine::Null(std::string_view key) {
    Key(key).body_ += "null";
    return *this;
}

JsonLine& JsonLine::Raw(std::string_view key, std::string_view json) {
    Key(key).body_ += json;
    return *this;
}

}  // namespace quillon::cli
