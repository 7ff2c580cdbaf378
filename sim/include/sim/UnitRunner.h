// Runs a SimulatedUnit on the pseudo-terminal it is given, in a thread of its own: reads what the
// host writes to the device end, hands it to the unit and writes the unit's answers back. Stop
// (or the destructor) ends the thread; a hangup closes the controlling end so the host sees the
// line go.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/PtyPair.h"
#include "sim/SimulatedUnit.h"

namespace quillon::sim {

class UnitRunner final : private UnitLine {
  public:
    UnitRunner(SimulatedUnit& unit, PtyPair pty);
    ~UnitRunner() override;
    UnitRunner(const UnitRunner&) = delete;
    UnitRunner& operator=(const UnitRunner&) = delete;

    // The path the uploader opens.
    const std::string& DevicePath() const { return pty_.DevicePath(); }
    void Start();
    void Stop();
    // Ends the thread once every byte the host has written so far has reached the unit, so the
    // unit's state is final for a summary read after an upload (or after `limitMs` at most,
    // should the host still be writing).
    void StopOnceDrained(int limitMs);
    // Keeps serving until the host has closed its end of the line (the unit's last answers,
    // such as a KX2 final status, still go out), or for `limitMs` at most; false when the host
    // still had it open then. The device cannot be opened again afterwards.
    bool StopAfterHostCloses(int limitMs);
    bool HungUp() const { return hungUp_; }
    // Bytes from the unit outside of its protocol, written at once: answers of an interrupted
    // run still on their way to the host, for instance.
    void SendToHost(const std::vector<uint8_t>& bytes) { WriteAll(bytes); }
    // Bytes received from the host so far.
    uint64_t BytesReceived() const { return received_; }

  private:
    void Send(const std::vector<uint8_t>& bytes, uint32_t delayMs) override;
    void Hangup() override;
    void Run();
    void RunLoop();
    void WriteAll(const std::vector<uint8_t>& bytes);

    SimulatedUnit& unit_;
    PtyPair pty_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> stopOnceDrained_{false};
    std::atomic<bool> stopOnHostClose_{false};
    bool WaitForEnd(int limitMs);
    std::mutex finishedMutex_;
    std::condition_variable finishedChanged_;
    bool finished_ = false;  // under finishedMutex_
    std::atomic<bool> hungUp_{false};
    std::atomic<uint64_t> received_{0};
};

}  // namespace quillon::sim
