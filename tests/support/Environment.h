// Setting an environment variable for the rest of the test program, on POSIX and Windows alike.
#pragma once

#include <cstdlib>

namespace quillon::test {

inline void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    ::_putenv_s(name, value);
#else
    ::setenv(name, value, 1);
#endif
}

}  // namespace quillon::test
