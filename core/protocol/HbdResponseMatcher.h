// Finds an HBD response (05 05 01 code) in a byte stream fed one byte at a time. A byte that
// breaks a partly matched header starts the search over and is not itself taken as a new first
// header byte, exactly as the unit's firmware expects. Nothing here can fail.
#pragma once

#include <cstdint>
#include <optional>

namespace quillon {

class HbdResponseMatcher {
  public:
    // The code byte once a whole header has been seen before it; nullopt while still matching.
    std::optional<uint8_t> Feed(uint8_t byte);
    void Reset() { state_ = 0; }
    // How many header bytes are matched so far (0 to 3).
    int State() const { return state_; }

  private:
    int state_ = 0;
};

}  // namespace quillon
