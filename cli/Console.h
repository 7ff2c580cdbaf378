// What the CLI needs of the console beyond stdio, where POSIX and Windows differ: whether a
// stream is a terminal, and showing a file in the user's pager. Failures come back as false.
#pragma once

#include <cstdio>
#include <string>

namespace quillon::cli {

bool IsTerminal(std::FILE* stream);
// Runs pager with the file as its one argument (an argument vector, never a shell) and waits
// for it; false when it could not be started or failed.
bool RunPager(const std::string& pager, const std::string& path);

}  // namespace quillon::cli
