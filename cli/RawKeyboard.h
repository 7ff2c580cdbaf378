// The keyboard of the terminal command, key by key: raw mode (no line editing, no echo, Ctrl-C
// as a byte) for the life of the object when input is a terminal or console, then put back as
// it was. Input that is not a terminal is read as it comes.
#pragma once

#include <memory>

namespace quillon::cli {

class RawKeyboard {
  public:
    static constexpr int kNoKey = -1;       // nothing typed within the time-out
    static constexpr int kEndOfInput = -2;  // input closed or failed

    RawKeyboard();
    ~RawKeyboard();
    RawKeyboard(const RawKeyboard&) = delete;
    RawKeyboard& operator=(const RawKeyboard&) = delete;

    // The next byte typed (0..255), kNoKey after timeoutMs without one, or kEndOfInput.
    int ReadKey(int timeoutMs);

  private:
    class Mode;
    std::unique_ptr<Mode> mode_;
};

}  // namespace quillon::cli
