#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "cli/Console.h"

namespace quillon::cli {

void PrepareConsole() {}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::string EnvironmentText(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

void WriteWhole(std::FILE* stream, std::string_view text) {
    std::fflush(stream);
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) != 0;
}

bool TerminalTakesEscapes(std::FILE* stream) {
    const char* term = std::getenv("TERM");
    return IsTerminal(stream) && term != nullptr && *term != '\0' && std::string(term) != "dumb";
}

bool RunPager(const std::string& pager, const std::string& path) {
    pid_t child = ::fork();
    if (child == 0) {
        ::execlp(pager.c_str(), pager.c_str(), path.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) != 127;
}

}  // namespace quillon::cli
