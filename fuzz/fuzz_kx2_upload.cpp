// A whole KX2 upload against a unit whose every answer comes from the fuzzer: each frame the
// host writes is answered with the next chunk of the input (silence when it runs out), so
// ReceiveFrame and DecodeResponse meet every kind of frame, resend list and noise in the place
// where they matter. The upload must end with exactly one of its outcomes, only claim success
// when the unit said "complete", and never send a packet the file does not have.
#include <cstdint>

#include "fuzz/FuzzInput.h"
#include "fuzz/NullSink.h"
#include "protocol/Kx2Frame.h"
#include "serial/SerialPort.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeSerialBackend.h"
#include "upload/Kx2Uploader.h"

namespace {

using namespace quillon;

constexpr uint8_t kBaudCode115200 = 9;
constexpr int kMaxPacketSize = 64;
constexpr int kPayload = kMaxPacketSize - static_cast<int>(kKx2Overhead);
constexpr int kPackets = 5;
constexpr size_t kFileSize = kPackets * kPayload - 9;

// The app folder with settings for small packets and no pause between them.
const std::string& AppDir() {
    static const std::string dir = [] {
        std::string d = fuzz::ScratchDir() + "kx2-app/";
        std::filesystem::create_directories(d);
        const std::string ini = "[KX2]\nMax Packet Size=" + std::to_string(kMaxPacketSize) +
                                "\nDelay Between Packets=0\n[Logs]\nLog Messages=0\n";
        fuzz::WriteFile(d + "Quillon.ini", std::vector<uint8_t>(ini.begin(), ini.end()));
        std::vector<uint8_t> image(kFileSize);
        for (size_t i = 0; i < image.size(); ++i) {
            image[i] = static_cast<uint8_t>(i % 3 == 0 ? kKx2FrameStart : i);
        }
        fuzz::WriteFile(d + "FIRMWARE.kx", image);
        return d;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    std::error_code ec;
    std::filesystem::remove(AppDir() + "History.txt", ec);  // one upload's entries at a time
    test::FakeSerialBackend line;
    test::FakeClock clock;
    ProgramState state;
    state.appDir = AppDir();
    fuzz::NullSink sink;
    UploadJob job;
    job.events = &sink;
    SerialPort port(line);
    QUILLON_FUZZ_CHECK(port.OpenPort(0, kBaudCode115200) == 0);

    Kx2StreamParser sent;
    size_t writes = 0;
    line.onWrite = [&](const std::vector<uint8_t>& block) {
        ++writes;
        QUILLON_FUZZ_CHECK(writes < 20000);  // a loop that never ends would show up here
        for (const Kx2ParsedFrame& frame : sent.Feed(block.data(), block.size())) {
            if (frame.type == kKx2Data || frame.type == kKx2LastData) {
                QUILLON_FUZZ_CHECK(frame.packetNumber >= 1 && frame.packetNumber <= kPackets);
            }
        }
        line.Receive(in.Chunk());
    };
    Kx2Uploader engine(job, port, clock, state);
    std::string error;
    static const FirmwareImageRef image = ReadFirmwareImage(AppDir() + "FIRMWARE.kx", &error);
    const bool ok = engine.UploadFile(*image);
    const RunOutcome outcome = engine.Outcome();
    QUILLON_FUZZ_CHECK(sent.BadFrames() == 0);
    QUILLON_FUZZ_CHECK(ok == (outcome == RunOutcome::kCompleted));
    QUILLON_FUZZ_CHECK(outcome == RunOutcome::kCompleted || outcome == RunOutcome::kFailed ||
                       outcome == RunOutcome::kNoFinalAnswer);
    // Every ending but "complete" is a failure of the file, reported once.
    QUILLON_FUZZ_CHECK(sink.failed == (outcome == RunOutcome::kCompleted ? 0 : 1));
    QUILLON_FUZZ_CHECK(engine.Packets().empty());  // freed whichever way the upload ended
    return 0;
}
