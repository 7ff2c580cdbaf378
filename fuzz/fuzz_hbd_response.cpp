// What an HBD unit (or a noisy line) sends back while the uploader waits for an answer: the
// response matcher on its own, then WaitForResponse over a scripted line holding the same bytes.
// Any byte sequence must give a code, "no response", "unknown" or "unexpected bytes", within
// the wait's poll budget, with at most 16 bytes captured for the log line.
#include <cstdint>
#include <deque>

#include "fuzz/FuzzInput.h"
#include "fuzz/NullSink.h"
#include "protocol/HbdControlPacket.h"
#include "protocol/HbdResponseMatcher.h"
#include "serial/SerialPort.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeSerialBackend.h"
#include "upload/HbdUploader.h"

namespace {

using namespace quillon;

constexpr uint8_t kBaudCode19200 = 6;

void CheckMatcher(const std::vector<uint8_t>& bytes) {
    HbdResponseMatcher matcher;
    std::deque<uint8_t> lastThree;
    for (uint8_t b : bytes) {
        const int before = matcher.State();
        const std::optional<uint8_t> code = matcher.Feed(b);
        QUILLON_FUZZ_CHECK(matcher.State() >= 0 && matcher.State() <= 3);
        if (code) {
            // A code only ever follows a whole header, and the matcher starts over after it.
            QUILLON_FUZZ_CHECK(before == 3 && *code == b && matcher.State() == 0);
            QUILLON_FUZZ_CHECK(lastThree.size() == 3 && lastThree[0] == hbd::kHeaderFirst &&
                               lastThree[1] == hbd::kHeaderSecond &&
                               lastThree[2] == hbd::kHeaderThird);
        }
        lastThree.push_back(b);
        if (lastThree.size() > 3) {
            lastThree.pop_front();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    const uint8_t waitSeconds = in.Byte();
    const std::vector<uint8_t> bytes = in.Rest();
    CheckMatcher(bytes);

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
    settings.responseWaitSeconds = waitSeconds;  // clamped to 4..12
    engine.ApplySettings(settings);
    line.Receive(bytes);

    const int result = engine.WaitForResponse(1);
    const bool known = result == HbdUploader::kNoResponse ||
                       result == HbdUploader::kUnknownResponse ||
                       result == HbdUploader::kUnexpectedBytes || hbd::IsDigitCode(result);
    QUILLON_FUZZ_CHECK(known);
    QUILLON_FUZZ_CHECK(engine.Captured().size() <= HbdUploader::kCaptureSize);
    const int budget = HbdUploader::kPollsPerSecond * engine.Settings().responseWaitSeconds;
    QUILLON_FUZZ_CHECK(engine.ReceivedCount() <= budget);
    QUILLON_FUZZ_CHECK(engine.ReceivedCount() <= static_cast<int>(bytes.size()));
    QUILLON_FUZZ_CHECK((result == HbdUploader::kNoResponse) == bytes.empty());
    return 0;
}
