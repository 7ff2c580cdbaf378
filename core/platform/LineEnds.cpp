#include "platform/LineEnds.h"

namespace quillon {

std::string_view LineEndOf(std::string_view text) {
    const size_t newline = text.find('\n');
    if (newline == std::string_view::npos) {
        return kNativeLineEnd;
    }
    return newline > 0 && text[newline - 1] == '\r' ? "\r\n" : "\n";
}

std::string WithLineEnds(std::string_view text, std::string_view eol) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') {
            out += eol;
        } else {
            out += c;
        }
    }
    return out;
}

std::string EntryForFileEnd(std::string_view fileEnd, std::string_view entry) {
    // A file cut off mid-line (a run killed while writing) says nothing of its line ends.
    const std::string_view eol = !fileEnd.ends_with('\n')    ? kNativeLineEnd
                                 : fileEnd.ends_with("\r\n") ? std::string_view("\r\n")
                                                             : std::string_view("\n");
    const bool midLine = !fileEnd.empty() && !fileEnd.ends_with('\n');
    return (midLine ? std::string(eol) : std::string()) + WithLineEnds(entry, eol);
}

}  // namespace quillon
