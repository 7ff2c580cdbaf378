// A pseudo-terminal pair created already raw (no echo, no translation), so bytes pass unchanged
// from the moment it exists. The subordinate side's path is what an uploader opens as its serial
// device; the controlling side is where a simulated unit (or a test) stands.
#pragma once

#include <optional>
#include <string>

namespace quillon::sim {

class PtyPair {
  public:
    // A new pair; nothing, with the reason in *error, when the system has no pseudo-terminal left.
    static std::optional<PtyPair> Open(std::string* error);
    ~PtyPair();
    PtyPair(PtyPair&& other) noexcept;
    PtyPair& operator=(PtyPair&&) = delete;

    int MasterFd() const { return master_; }
    // The device path of the other end, for example /dev/pts/7.
    const std::string& DevicePath() const { return devicePath_; }
    // Closes the pty's own handle of the device end (after an uploader has opened it, a closed
    // master is how a test makes the line disappear).
    void CloseMaster();
    // Closes the pair's own handle of the device end, so that the controlling end sees a hang-up
    // as soon as no one else (the uploader) has the device open.
    void CloseDeviceEnd();

  private:
    PtyPair() = default;

    int master_ = -1;
    int slave_ = -1;  // kept open so the device end exists until the pair is destroyed
    std::string devicePath_;
};

}  // namespace quillon::sim
