// A whole HBD file upload against a unit whose every answer comes from the fuzzer: each packet
// the host sends is answered with the next chunk of the input (silence when it runs out). The
// upload must end, with success only when the unit acknowledged every step, and report its end
// exactly once.
#include <cstdint>

#include "fuzz/FuzzInput.h"
#include "fuzz/NullSink.h"
#include "protocol/HbdControlPacket.h"
#include "serial/SerialPort.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeSerialBackend.h"
#include "upload/HbdUploader.h"

namespace {

using namespace quillon;

constexpr uint8_t kBaudCode19200 = 6;
// Two data packets after the boot area: enough for every step, small enough to be quick.
constexpr size_t kFileSize = kBoardHeaderBytes + 2 * hbd::kPayloadSize - 100;

const FirmwareImage& SampleComm() {
    static const FirmwareImageRef image = [] {
        std::vector<uint8_t> bytes(kFileSize);
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<uint8_t>(i * 7 + 3);
        }
        return MakeFirmwareImage(fuzz::ScratchDir() + "COMM.bin", std::move(bytes));
    }();
    return *image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    const uint8_t retries = in.Byte();

    test::FakeSerialBackend line;
    test::FakeClock clock;
    ProgramState state;
    state.appDir = fuzz::ScratchDir() + "no-such-app-dir/";
    fuzz::NullSink sink;
    UploadJob job;
    job.events = &sink;
    SerialPort port(line);
    QUILLON_FUZZ_CHECK(port.OpenPort(0, kBaudCode19200) == 0);
    HbdUploader engine(job, port, clock, state);
    HbdUploadSettings settings;
    settings.retransmitControl = 1 + retries % 3;
    settings.retransmitData = 1 + (retries >> 2) % 3;
    settings.responseWaitSeconds = 4;
    settings.logMessages = false;
    engine.ApplySettings(settings);

    size_t writes = 0;
    line.onWrite = [&](const std::vector<uint8_t>& block) {
        ++writes;
        QUILLON_FUZZ_CHECK(writes < 10000);  // a loop that never ends would show up here
        if (block.size() != hbd::kPayloadSize) {
            line.Receive(in.Chunk());
        }
    };
    const bool ok = engine.UploadFile(SampleComm(), FileKind::kComm);
    QUILLON_FUZZ_CHECK(sink.done + sink.failed <= 1);
    QUILLON_FUZZ_CHECK(!ok || sink.done == 1);
    QUILLON_FUZZ_CHECK(ok || sink.failed == 1);
    return 0;
}
