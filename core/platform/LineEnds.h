// The line ends of the text files the program writes (Quillon.ini, History.txt, the logs): a new
// file gets the platform's own (CR LF on Windows, which every Notepad shows as lines; LF
// elsewhere), an existing file keeps what it has. Readers take both.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

#ifdef _WIN32
inline constexpr std::string_view kNativeLineEnd = "\r\n";
#else
inline constexpr std::string_view kNativeLineEnd = "\n";
#endif

// "\r\n" or "\n", whichever the text's first line ends with; kNativeLineEnd when it has none.
std::string_view LineEndOf(std::string_view text);
// The text with each "\n" written as eol.
std::string WithLineEnds(std::string_view text, std::string_view eol);
// What goes at the end of a text file for entry (lines ended by "\n"), given the file's last two
// bytes (fewer for a shorter file, none for a new one): the entry in the line ends of the file's
// last line, on a line of its own.
std::string EntryForFileEnd(std::string_view fileEnd, std::string_view entry);

}  // namespace quillon
