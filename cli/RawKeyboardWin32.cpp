#include <windows.h>

#include <atomic>
#include <cstdint>

#include "cli/RawKeyboard.h"

namespace quillon::cli {

// Takes line input, echo and Ctrl-C handling off the console for the life of the object. Without
// processed input Ctrl-C is a key like any other; a console that still signals it (Wine's on a
// Unix terminal, where Ctrl-C stays the terminal's interrupt) has it taken by the handler here
// and handed to ReadKey as the byte it would have been.
class RawKeyboard::Mode {
  public:
    explicit Mode(HANDLE input) : input_(input) {
        console_ = ::GetConsoleMode(input_, &saved_) != 0;
        if (console_) {
            ::SetConsoleMode(
                input_, saved_ & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT));
        }
        ::SetConsoleCtrlHandler(&Mode::OnConsoleEvent, TRUE);
    }
    ~Mode() {
        ::SetConsoleCtrlHandler(&Mode::OnConsoleEvent, FALSE);
        if (console_) {
            ::SetConsoleMode(input_, saved_);
        }
    }
    HANDLE Input() const { return input_; }
    bool Console() const { return console_; }
    // True once for each Ctrl-C the console signalled instead of passing it as a key.
    bool TakeSignalledCtrlC() {
        for (int n = signalledCtrlC_.load(); n > 0;) {
            if (signalledCtrlC_.compare_exchange_weak(n, n - 1)) {
                return true;
            }
        }
        return false;
    }

  private:
    // On the console's own thread.
    static BOOL WINAPI OnConsoleEvent(DWORD event) {
        if (event != CTRL_C_EVENT) {
            return FALSE;
        }
        ++signalledCtrlC_;
        return TRUE;
    }

    static inline std::atomic<int> signalledCtrlC_{0};
    HANDLE input_;
    DWORD saved_ = 0;
    bool console_ = false;
};

RawKeyboard::RawKeyboard() : mode_(std::make_unique<Mode>(::GetStdHandle(STD_INPUT_HANDLE))) {}

RawKeyboard::~RawKeyboard() = default;

// A console handle is signalled for any input event (a mouse move too), so a console read waits
// only when a key is really there; a pipe or file is read as it comes.
int RawKeyboard::ReadKey(int timeoutMs) {
    constexpr int kCtrlC = 0x03;
    if (mode_->TakeSignalledCtrlC()) {
        return kCtrlC;
    }
    HANDLE input = mode_->Input();
    if (mode_->Console()) {
        if (::WaitForSingleObject(input, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
            return kNoKey;
        }
        INPUT_RECORD record{};
        DWORD events = 0;
        if (::PeekConsoleInputW(input, &record, 1, &events) && events == 1 &&
            (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown ||
             record.Event.KeyEvent.uChar.AsciiChar == 0)) {
            ::ReadConsoleInputW(input, &record, 1, &events);  // not a character: drop it
            return kNoKey;
        }
    }
    uint8_t key = 0;
    DWORD n = 0;
    return ::ReadFile(input, &key, 1, &n, nullptr) && n == 1 ? key : kEndOfInput;
}

}  // namespace quillon::cli
