// Runs a SimulatedUnit on an existing serial device (a USB adapter wired to the host under
// test) instead of a pseudo-terminal: the same loop as UnitRunner on a device the caller names.
// Open reports a device that cannot be opened or configured with a sentence in *error.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "sim/SimulatedUnit.h"

namespace quillon::sim {

class DeviceRunner final : private UnitLine {
  public:
    explicit DeviceRunner(SimulatedUnit& unit) : unit_(unit) {}
    ~DeviceRunner() override;
    DeviceRunner(const DeviceRunner&) = delete;
    DeviceRunner& operator=(const DeviceRunner&) = delete;

    bool Open(const std::string& path, std::string* error);
    void Start();
    void Stop();

  private:
    void Send(const std::vector<uint8_t>& bytes, uint32_t delayMs) override;
    void Hangup() override;
    void Run();

    SimulatedUnit& unit_;
    int fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> hungUp_{false};
};

}  // namespace quillon::sim
