// What the CLI needs of the console beyond stdio, where POSIX and Windows differ: the arguments
// in UTF-8, whether a stream is a terminal, and showing a file in the user's pager. Failures
// come back as false.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::cli {

// Called first thing. On Windows the console's code page is UTF-8 from then until the program
// ends, and stdout on a console gets a buffer: each flush is one write.
void PrepareConsole();
// The program's arguments after argv[0], in UTF-8 (Windows hands main the ANSI code page).
std::vector<std::string> Utf8Arguments(int argc, char** argv);
bool IsTerminal(std::FILE* stream);
// Whether the terminal behind stream takes escape codes (colours, clearing a line): not a "dumb"
// terminal; on Windows a console whose escape-code processing could be switched on.
bool TerminalTakesEscapes(std::FILE* stream);
// The environment variable's value in UTF-8; empty when it is not set.
std::string EnvironmentText(const char* name);
// Writes text to stream in one piece, after what the stream holds: another thread's output to
// the same console cannot land inside it.
void WriteWhole(std::FILE* stream, std::string_view text);
// Runs pager with the file as its one argument (an argument vector, never a shell) and waits
// for it; false when it could not be started or failed.
bool RunPager(const std::string& pager, const std::string& path);

}  // namespace quillon::cli
