// A serial line that ends in a simulated unit inside this process, for `upload --simulate` where
// there are no pseudo-terminals (Windows). Every port index is the same one line. What the host
// writes goes to the unit on a thread of the unit's own, which also gives it OnIdle; what the
// unit sends waits for the host's reads. A unit that hangs up makes reads and writes fail with
// kSerialIoError, as a pulled cable does.
//
// Given a clock, the line is stepped instead, for runs that must not wait in real time (a fuzz
// target trying many fault plans a second): no thread; the unit takes written bytes at once on
// the writer's thread; its answers, their delays and its idle ticks follow the clock's tick
// count; a wait for data moves that clock on (Clock::Sleep) to the moment the next answer falls
// due, within the wait. The host then uses the line from one thread and waits through that clock.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "serial/SerialBackend.h"
#include "sim/ByteQueue.h"
#include "sim/SimulatedUnit.h"

namespace quillon::sim {

class LoopbackSerialBackend final : public SerialBackend, private UnitLine {
  public:
    explicit LoopbackSerialBackend(SimulatedUnit& unit, Clock* steppedBy = nullptr);
    ~LoopbackSerialBackend() override;  // stops the unit's thread
    LoopbackSerialBackend(const LoopbackSerialBackend&) = delete;
    LoopbackSerialBackend& operator=(const LoopbackSerialBackend&) = delete;

    // Returns once the host has closed the line and the unit has taken every byte written, or
    // after limitMs; the unit's state is final then.
    void WaitUntilHostDone(int limitMs);
    bool IsOpen() const;  // the host has the port open

    int ResetPort(int port, int rxQueue, int txQueue) override;
    int SetBaud(int port, int baudCode) override;
    int SetDtr(int port, char command) override;
    int SetRts(int port, char command) override;
    int ClearTransmitQueue(int port) override;
    int ClearReceiveQueue(int port) override;
    int WriteBlock(int port, const uint8_t* bytes, uint16_t count) override;
    int WriteByte(int port, uint8_t byte) override;
    int ReadByte(int port) override;
    int ReadBlock(int port, uint8_t* buffer, int max) override;
    int ClosePort(int port) override;
    bool WaitForData(int port, uint32_t timeoutMs) override;
    std::string LastErrorText(int port) const override;
    std::string DevicePath(int port) const override;

  private:
    void Send(const std::vector<uint8_t>& bytes, uint32_t delayMs) override;
    void Hangup() override;
    std::chrono::steady_clock::time_point Now() const override;
    void Run();
    int ReadSome(uint8_t* buffer, int max);
    // Stepped: the unit brought to the clock's present; the time it is at.
    uint64_t CatchUp();
    void StepTo(uint64_t target);
    void DeliverDue();

    struct Answer {
        uint64_t due = 0;  // unit time, milliseconds
        std::vector<uint8_t> bytes;
    };

    SimulatedUnit& unit_;
    Clock* const clock_;          // stepped when set
    uint32_t clockTick_ = 0;      // stepped: the clock's tick count when last read
    uint64_t unitTime_ = 0;       // stepped: milliseconds the unit has lived
    uint64_t nextIdle_ = 0;       // stepped: when the unit's next idle tick falls due
    uint64_t lineFreeAt_ = 0;     // stepped, under mutex_: the end of the last delayed answer
    std::deque<Answer> pending_;  // stepped, under mutex_: answers not yet due
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<uint8_t> toUnit_;  // under mutex_
    ByteQueue toHost_;            // under mutex_
    bool open_ = false;           // under mutex_
    bool hungUp_ = false;         // under mutex_
    bool unitBusy_ = false;       // under mutex_: the unit is taking bytes
    bool stop_ = false;           // under mutex_
    std::thread thread_;
};

}  // namespace quillon::sim
