// Stands in for the user's pager in the viewer tests: writes its first argument, exactly as it
// arrived, to the file named by QUILLON_ARGV_OUT, so a test can see that a file name reached
// the viewer as one untouched argument.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const char* out = std::getenv("QUILLON_ARGV_OUT");
    if (out == nullptr || argc < 2) {
        return 3;
    }
    std::FILE* f = std::fopen(out, "wb");
    if (f == nullptr) {
        return 4;
    }
    std::fwrite(argv[1], 1, std::strlen(argv[1]), f);
    std::fprintf(f, "%c%d", '\0', argc);
    return std::fclose(f) == 0 ? 0 : 5;
}
