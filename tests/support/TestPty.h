// A pseudo-terminal pair for a test that cannot go on without one: a system with none left fails
// the test with the reason, as TempDir does for a folder.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "sim/PtyPair.h"

namespace quillon::test {

inline sim::PtyPair OpenPty() {
    std::string error;
    std::optional<sim::PtyPair> pty = sim::PtyPair::Open(&error);
    if (!pty) {
        throw std::runtime_error(error);
    }
    return std::move(*pty);
}

}  // namespace quillon::test
