// The unit's side of a serial line, as a simulator sees it: bytes come in from the host, the
// unit answers through a UnitLine. A UnitRunner drives one unit on the controlling end of a
// pseudo-terminal; tests can also drive a unit directly.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillon::sim {

class UnitLine {
  public:
    virtual ~UnitLine() = default;
    // Sends bytes to the host, after `delayMs` when it is not 0 (turnaround latency).
    virtual void Send(const std::vector<uint8_t>& bytes, uint32_t delayMs = 0) = 0;
    // Drops the line: the host's next reads and writes fail as with a pulled cable.
    virtual void Hangup() = 0;
    // The unit's time, for its own time-outs: real time, or the host clock's on a line that
    // runs the unit in that clock's time.
    virtual std::chrono::steady_clock::time_point Now() const {
        return std::chrono::steady_clock::now();
    }
};

class SimulatedUnit {
  public:
    virtual ~SimulatedUnit() = default;
    // Bytes received from the host, in arrival order (any split).
    virtual void OnReceived(const uint8_t* data, size_t count, UnitLine& line) = 0;
    // Called every few milliseconds, for units that act on their own (a flood of noise).
    virtual void OnIdle(UnitLine& line) { (void)line; }
    // False when OnIdle would do nothing now: a stepped line then skips the idle ticks.
    virtual bool ActsWhenIdle() const { return true; }
};

}  // namespace quillon::sim
