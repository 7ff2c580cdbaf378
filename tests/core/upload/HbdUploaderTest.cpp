// The HBD engine on a scripted line: the wait for an answer, the request/acknowledge exchange
// and whole files, with no real time passing.
#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "protocol/Crc16.h"
#include "serial/SerialPort.h"
#include "settings/IniFile.h"
#include "tests/core/upload/HbdTestSupport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeSerialBackend.h"
#include "tests/support/RowName.h"
#include "upload/HbdUploader.h"

namespace quillon {
namespace {

namespace ev = test::ev;
using enum FileKind;

using test::RecordingSink;
using Bytes = std::vector<uint8_t>;

Bytes Reply(uint8_t code) {
    return {0x05, 0x05, 0x01, code};
}

Bytes Control(uint8_t command) {
    auto packet = hbd::MakeControlPacket(command);
    return Bytes(packet.begin(), packet.end());
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// A data packet as the unit must see it: one payload of the expected image and its CRC.
Bytes DataPacket(const std::vector<uint8_t>& image, size_t packet) {
    auto begin = image.begin() + static_cast<std::ptrdiff_t>(packet * hbd::kPayloadSize);
    Bytes bytes(begin, begin + static_cast<std::ptrdiff_t>(hbd::kPayloadSize));
    auto crc = hbd::CrcWireBytes(Crc16(bytes.data(), bytes.size()));
    bytes.insert(bytes.end(), crc.begin(), crc.end());
    return bytes;
}

TEST(HbdWireFormat, ControlPacketsAndCrcOrder) {
    EXPECT_EQ(Control(FindBoard(kComm)->beginCommand), (Bytes{0x05, 0x05, 0x01, 0x31}));
    EXPECT_EQ(Control(hbd::kCmdEndOfTransfer), (Bytes{0x05, 0x05, 0x01, 0x03}));
    // CRC-16/XMODEM of "123456789" is 0x31C3; the unit wants the high byte first.
    const std::string check = "123456789";
    const uint16_t crc = Crc16(reinterpret_cast<const uint8_t*>(check.data()), check.size());
    EXPECT_EQ(crc, 0x31C3);
    EXPECT_EQ(hbd::CrcWireBytes(crc), (std::array<uint8_t, 2>{0x31, 0xC3}));
}

// An engine on a scripted line. Each host packet (a control packet, or a data packet's CRC
// write) takes the next scripted reply; an empty reply is silence.
class HbdEngine : public ::testing::Test {
  protected:
    void SetUp() override {
        state.appDir = dir.Dir();
        job.events = &sink;
        ASSERT_EQ(port.OpenPort(0, 6), 0);
        serial.onWrite = [this](const Bytes& block) {
            if (block.size() == hbd::kPayloadSize) {
                return;
            }
            ++hostPackets;
            if (onHostPacket) {
                onHostPacket(block);
            }
            if (!script.empty()) {
                serial.Receive(script.front());
                script.pop_front();
            }
        };
        settings.logMessages = false;
        MakeEngine();
    }
    void MakeEngine() {
        engine = std::make_unique<HbdUploader>(job, port, clock, state);
        engine->ApplySettings(settings);
    }
    std::string History() const { return dir.Read("History.txt"); }
    // Makes an image and puts it in the slot of its kind.
    const FirmwareImage& Selected(FileKind kind, const std::string& name, size_t size) {
        content[name] = test::PatternBytes(size, 7);
        FirmwareImageRef image = MakeFirmwareImage(
            dir.File(name), std::vector<uint8_t>(content[name].begin(), content[name].end()));
        (kind == kComm     ? job.commImage
         : kind == kReader ? job.readerImage
                           : job.speechImage) = image;
        return *image;
    }
    // A fully cooperative unit: begin codes and prepare are echoed, data packets are good.
    void AnswerLikeAUnit() {
        onHostPacket = [this](const Bytes& p) {
            if (p.size() == hbd::kControlPacketSize && p[3] != hbd::kCmdEndOfTransfer) {
                serial.Receive(Reply(p[3]));
            } else if (p.size() == hbd::kCrcSize) {
                serial.Receive(Reply(hbd::kReplyGoodPacket));
            }
        };
    }
    // The logged lines of the given levels, each after its level's letter.
    std::vector<std::string> Logged(const std::string& levels = "EHAPBT") const {
        std::vector<std::string> lines;
        for (const auto& r : sink.All()) {
            const char letter = r.code == ev::kLogLine ? "EHAPB-T"[r.number] : '-';
            if (levels.find(letter) != std::string::npos) {
                lines.push_back(letter + (" " + r.text));
            }
        }
        return lines;
    }

    test::TempDir dir;
    test::FakeSerialBackend serial;
    test::FakeClock clock;
    ProgramState state;
    RecordingSink sink;
    UploadJob job;
    SerialPort port{serial};
    HbdUploadSettings settings;
    std::unique_ptr<HbdUploader> engine;
    std::deque<Bytes> script;
    std::function<void(const Bytes&)> onHostPacket;
    int hostPackets = 0;
    std::map<std::string, std::string> content;
};

TEST_F(HbdEngine, EstimatesAtTheLineRate) {
    settings.delayAfterFileSeconds = 45;
    MakeEngine();
    Selected(kComm, "c.bin", 32768 + 3 * 1024);
    Selected(kReader, "r.bin", 32768 + 5 * 1024 + 10);
    Selected(kSpeech, "s.bin", 1500);
    EXPECT_EQ(engine->EstimateRunSeconds(), 3 + 2 * 5 + 1 + 2 * 45);
    const UploadProgress& p = engine->Progress();
    EXPECT_EQ(p.Board(kComm).packets, 3);
    EXPECT_EQ(p.Board(kReader).packets, 5);
    EXPECT_EQ(p.Board(kSpeech).packets, 1);
    EXPECT_EQ(p.filesRemaining, 3);
    EXPECT_EQ(p.Board(kReader).estimate, 10);
    ASSERT_EQ(sink.Codes(), std::vector<int>{ev::kEstimates});
    EXPECT_EQ(sink.All().back().progress.totalRemaining, 104);
    // The unit's own count of a board file shorter than its header wraps the same way.
    EXPECT_EQ(HbdUploader::AnnouncedPackets(1024, kComm), -31);
    // Away from 19200 bps only the time on the wire changes: 1038 bytes of a packet exchange
    // take 0.09 s at 115200 (0.54 s at 19200), 1.08 s at 9600; the pauses stay.
    job.baudRate = 115200;
    MakeEngine();
    EXPECT_EQ(engine->EstimateRunSeconds(), 9 + 2 * 45);  // 1.65 + 7.75 + 0.55 s of packets
    EXPECT_EQ(HbdUploader::EstimateSeconds(32768 + 100 * 1024, kComm, 9600), 154);
    EXPECT_EQ(HbdUploader::EstimateSeconds(32768 + 100 * 1024, kReader, 19200), 200);
}

// The wire bytes of whole files at the size edges: COMM and READER send their image from
// 32 KiB on, SPEECH all of it; a short last packet is padded with 0xFF.
TEST_F(HbdEngine, WholeFilesGoOutPacketByPacketThenEndOfTransfer) {
    struct Row {
        FileKind kind;
        size_t size;
        size_t packets;
        const char* scanLine;
    };
    const Row rows[] = {
        {kComm, 32768 + 2048, 2, "Prep 4: Scan file; will send 2 data packets to HBD\n\n"},
        {kComm, 32768, 0, "Prep 4: Scan file; will send 0 data packets to HBD\n\n"},
        {kReader, 32768 + 1500, 2, "2.1: Sending to HBD; Prepare for packet 2 of 1\n"},
        {kSpeech, 1500, 2, "2.1: Sending to HBD; Prepare for packet 2 of 1\n"},
    };
    AnswerLikeAUnit();
    for (const Row& row : rows) {
        SCOPED_TRACE(FileKindName(row.kind));
        const auto before = static_cast<std::ptrdiff_t>(serial.Written().size());
        job.commImage.reset();
        job.readerImage.reset();
        const FirmwareImage& image = Selected(row.kind, "f.bin", row.size);
        MakeEngine();
        engine->EstimateRunSeconds();
        serial.Receive(Reply(hbd::kReplyGoodPacket));  // stale: cleared before the file
        ASSERT_TRUE(engine->UploadFile(image, row.kind));
        const auto sent = test::ExpectedImage(content["f.bin"], row.kind);
        Bytes expected = Control(FindBoard(row.kind)->beginCommand);
        for (size_t i = 0; i < row.packets; ++i) {
            expected = Join({expected, Control(0x32), DataPacket(sent, i)});
        }
        const Bytes written = serial.Written();
        EXPECT_EQ(Bytes(written.begin() + before, written.end()), Join({expected, Control(0x03)}));
        EXPECT_TRUE(sink.HasLine(row.scanLine));
        EXPECT_EQ(engine->Progress().currentPacketsSent, static_cast<int>(row.packets));
    }
    const auto image = test::ExpectedImage(content["f.bin"], kSpeech);
    EXPECT_EQ(std::count(image.begin() + 1500, image.end(), 0xFF), 548) << "padding";
    // The payload and its CRC go out as two writes.
    auto calls = serial.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "WriteBlock(0,2)"), 6);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "WriteBlock(0,1026)"), 0);
}

TEST_F(HbdEngine, CleanFileLogsAndShowsEveryStepInOrder) {
    settings.showTiming = true;
    state.showSerialData = true;
    MakeEngine();
    const FirmwareImage& image = Selected(kComm, "c.bin", 32768 + 1024);
    const std::string path = image.path;
    // Answers of an earlier run still arriving are taken off the line before the begin request.
    serial.onClear = [this] { serial.Receive(Reply(0x33)); };
    script = {Join({{0xAA}, Reply(0x31)}), Reply(0x32), Reply(0x33)};
    engine->EstimateRunSeconds();
    ASSERT_TRUE(engine->UploadFile(image, kComm));
    EXPECT_EQ(Logged(), (std::vector<std::string>{
                            "P Prep 3: Success; open COMM file: " + path + "\n",
                            "P Prep 4: Scan file; will send 1 data packets to HBD\n\n",
                            "H Dropped 4 bytes waiting on the line from before this upload\n",
                            "B Prep 5: Notify HBD to Begin Upload COMM\n",
                            "H Sending to HBD \"Begin Upload, COMM file\"\n",
                            "A Ack from HBD; ready to receive COMM file\n",
                            "H \n",
                            "H 1.1: Sending to HBD; Prepare for packet 1 of 1\n",
                            "A 1.2: Ack from HBD; ready to receive next packet\n",
                            "H 1.3: Sending to HBD; Packet 1, 1026 bytes\n",
                            "H 1.4: Wait for response from HBD\n",
                            "A 1.5: Ack from HBD; received good packet\n",
                            "T (0 ms)\n",
                            "H END of FILE Reached!\n\n",
                            "H LAST Step: Sending to HBD; End of Transfer!\n",
                        }));
    // The other notifications: the counting's progress first, the bytes of each packet sent
    // (the payload without its CRC) and of each answer.
    std::vector<int> codes;
    std::vector<Bytes> shown;
    for (const auto& r : sink.All()) {
        if (r.code != ev::kLogLine) {
            codes.push_back(r.code);
        }
        if (r.code == ev::kBytesSent || r.code == ev::kBytesReceived) {
            shown.push_back(r.code == ev::kBytesReceived ? r.bytes : Bytes(r.bytes.size() == 4, 0));
        }
    }
    EXPECT_EQ(codes,
              (std::vector<int>{ev::kEstimates, ev::kFileStart, ev::kBytesSent, ev::kBytesReceived,
                                ev::kBytesSent, ev::kBytesReceived, ev::kPacketSent, ev::kBytesSent,
                                ev::kBytesReceived, ev::kBytesSent, ev::kFileDone}));
    EXPECT_EQ(shown,
              (std::vector<Bytes>{
                  {0}, Join({{0xAA}, Reply(0x31)}), {0}, Reply(0x32), {}, Reply(0x33), {0}}));
    const test::Recorded done = sink.All().back();
    EXPECT_EQ(done.progress.filesRemaining, 0);
    EXPECT_EQ(done.progress.currentPacketsSent, 1);
    EXPECT_EQ(done.progress.currentKindName, "COMM");
    EXPECT_NE(History().find("Upload COMM File Successful (" + path + ")."), std::string::npos);
}

// One one-packet COMM file per row: what the answers log (at the acknowledge or the error
// level), how many packets the host sent, and how the file ends.
enum class Trouble { kNone, kAbortFirstWait, kAbortDataWaits, kAbortLineLost, kLostAtEnd, kShort };

struct ExchangeRow {
    const char* name;
    int retransmitControl;
    int retransmitData;
    std::vector<Bytes> replies;  // in order, one per host packet
    Trouble trouble;
    int hostPackets;  // control packets and data packets (counted by their CRC write)
    int packetsSent;
    std::vector<std::string> lines;
    const char* historyText;  // of a failure; empty when the file gets through
};

const char kStepBegin[] = "No/Bad Response from KX, Step: Begin Upload";
const char kStepAck[] = "No/Bad Response from KX, Step: Get Ack from HBD";
const char kUserAbort[] = "*** USER ABORTED UPLOAD ***";
const std::string kAckComm = "A Ack from HBD; ready to receive COMM file\n";
const std::string kAckNext = "A 1.2: Ack from HBD; ready to receive next packet\n";
const std::string kAckGood = "A 1.5: Ack from HBD; received good packet\n";
const std::string kAckEndOfBlock = "A 1.5: Ack from HBD; received good packet, End of Block\n";
const std::string kBadPacket = "E ERROR from HBD; received Bad Packet\n";
const std::string kAborted[] = {"A  ", "A *** USER ABORTED UPLOAD ***\n"};
std::string NoAnswer(int tryNumber) {
    return "E ERROR: No response from HBD (try # " + std::to_string(tryNumber) + ").\n\n";
}
std::string GivingUp(int tries) {
    return "E Giving Up! No/Bad Response from HBD after " + std::to_string(tries) + " tries\n";
}
const Bytes kOk = Reply(0x31), kNext = Reply(0x32), kGood = Reply(0x33);

const ExchangeRow kExchangeRows[] = {
    ExchangeRow("clean", 4, 1, {kOk, kNext, kGood}, Trouble::kNone, 4, 1,
                {kAckComm, kAckNext, kAckGood}, ""),
    ExchangeRow("begin silent", 2, 1, {{}, {}}, Trouble::kNone, 2, 0,
                {NoAnswer(1), NoAnswer(2), GivingUp(2)}, kStepBegin),
    // The answer is taken after a whole header only; a wait reads at most ten bytes a second
    // and keeps sixteen of them.
    ExchangeRow("begin answered with a broken header", 1, 1, {{0x05, 0x05, 0x05, 0x01, 0x31}},
                Trouble::kNone, 1, 0,
                {"E ERROR: Did not get expected response from HBD.\n",
                 "E          5 bytes; 05 05 05 01 31 00 00 00 00 00\n\n",
                 "E ERROR: Out of Order response from HBD (ID = -3)\n",
                 "E   HBD: 05 05 05 01 31 \n", GivingUp(1)},
                kStepBegin),
    ExchangeRow("begin answered with a flood", 1, 1, {Bytes(5000, 0xAA)}, Trouble::kNone, 1, 0,
                {"E ERROR: Did not get expected response from HBD.\n",
                 "E         60 bytes; AA AA AA AA AA AA AA AA AA AA\n\n",
                 "E ERROR: Out of Order response from HBD (ID = -3)\n",
                 "E   HBD: AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA \n", GivingUp(1)},
                kStepBegin),
    ExchangeRow("begin answered for another board", 1, 1, {Reply(0x30)}, Trouble::kNone, 1, 0,
                {"A Ack from HBD; ready to receive READER file\n",
                 "E ERROR: Out of Order response from HBD (ID = 48)\n", "E   HBD: 05 05 01 30 \n",
                 GivingUp(1)},
                kStepBegin),
    ExchangeRow("letter answer to begin is retried", 4, 1, {Reply(0x41), kOk, kNext, kGood},
                Trouble::kNone, 5, 1,
                {"E ERROR: Unknown response from HBD (4 bytes)\n", "E   HBD: 05 05 01 41 \n",
                 kAckComm, kAckNext, kAckGood},
                ""),
    ExchangeRow("prepare answered out of order then silent", 4, 2, {kOk, kGood, {}}, Trouble::kNone,
                3, 0,
                {kAckComm, kAckGood, "E ERROR: Out of Order response from HBD (ID = 51)\n",
                 "E   HBD: 05 05 01 33 \n", NoAnswer(2), GivingUp(2)},
                "No/Bad Response from KX, Step: Next Packet"),
    // An answer the data step does not expect is logged with its bytes, not passed over.
    ExchangeRow("letter answer to a packet", 4, 2, {kOk, kNext, Reply(0x41), Reply(0x31)},
                Trouble::kNone, 4, 2,
                {kAckComm, kAckNext, "E ERROR: Unknown response from HBD (4 bytes)\n",
                 "E   HBD: 05 05 01 41 \n", kAckComm,
                 "E ERROR: Out of Order response from HBD (ID = 49)\n", "E   HBD: 05 05 01 31 \n"},
                kStepAck),
    ExchangeRow("bad packet resent with its crc and no new prepare", 4, 3,
                {kOk, kNext, Reply(0x34), Reply(0x34), Reply(0x34)}, Trouble::kNone, 5, 3,
                {kAckComm, kAckNext, kBadPacket, kBadPacket, kBadPacket}, kStepAck),
    // Data retries out of range count as their default, one.
    ExchangeRow("unit aborts the transfer", 4, 0, {kOk, kNext, Reply(0x38)}, Trouble::kNone, 3, 1,
                {kAckComm, kAckNext, "E ERROR from HBD; *** ABORT TRANSFER ***\n"}, kStepAck),
    ExchangeRow("flash write failed", 4, 1, {kOk, kNext, Join({Reply(0x35), Reply(0x37)})},
                Trouble::kNone, 3, 1,
                {kAckComm, kAckNext, kAckEndOfBlock, "E ERROR from HBD; Write Block Failed\n"},
                kStepAck),
    ExchangeRow("end of block then silence", 4, 1, {kOk, kNext, Reply(0x35)}, Trouble::kNone, 3, 1,
                {kAckComm, kAckNext, kAckEndOfBlock, NoAnswer(1)}, kStepAck),
    ExchangeRow(
        "end of block then flash written", 4, 1,
        {kOk, kNext, Join({Reply(0x35), {0xAA}, Reply(0x36)})}, Trouble::kNone, 4, 1,
        {kAckComm, kAckNext, kAckEndOfBlock, "A 1.6: Ack from HBD; wrote packets to Flash\n"}, ""),
    ExchangeRow("user aborts in the first wait", 4, 2, {kOk}, Trouble::kAbortFirstWait, 1, 0,
                {kAborted[0], kAborted[1]}, kUserAbort),
    // Each data try sees the abort again, and records it.
    ExchangeRow("user aborts in the data waits", 4, 2, {kOk, kNext}, Trouble::kAbortDataWaits, 4, 2,
                {kAckComm, kAckNext, kAborted[0], kAborted[1], kAborted[0], kAborted[1]},
                kUserAbort),
    // The abort comes after the line died: no wait sees it, the board still records it.
    ExchangeRow("user aborts after the line is lost", 4, 2, {}, Trouble::kAbortLineLost, 2, 0,
                {NoAnswer(1), NoAnswer(2), kAborted[0], kAborted[1]}, kUserAbort),
    // The line breaks (a failed or a partial write) as the end of transfer is written: it
    // cannot reach the unit, so the board is not done.
    ExchangeRow("line lost at the end of transfer", 4, 1, {kOk, kNext, kGood}, Trouble::kLostAtEnd,
                4, 1,
                {kAckComm, kAckNext, kAckGood,
                 "E ERROR: End of Transfer did not reach the HBD; the line was lost\n"},
                "Line lost, Step: End of Transfer"),
    ExchangeRow("end of transfer written in part", 4, 1, {kOk, kNext, kGood}, Trouble::kShort, 4, 1,
                {kAckComm, kAckNext, kAckGood,
                 "E ERROR: End of Transfer did not reach the HBD; the line was lost\n"},
                "Line lost, Step: End of Transfer"),
};

class HbdExchange : public HbdEngine, public ::testing::WithParamInterface<ExchangeRow> {};

TEST_P(HbdExchange, AnswersDecideTheFile) {
    const ExchangeRow& row = GetParam();
    settings.retransmitControl = row.retransmitControl;
    settings.retransmitData = row.retransmitData;
    MakeEngine();
    const FirmwareImage& image = Selected(kComm, "c.bin", 32768 + 1024);
    script.assign(row.replies.begin(), row.replies.end());
    onHostPacket = [this, &row](const Bytes& p) {
        const bool end = p == Control(hbd::kCmdEndOfTransfer);
        job.abortRequest = row.trouble == Trouble::kAbortFirstWait ||
                           (row.trouble == Trouble::kAbortDataWaits && p.size() == 2);
        serial.lineLost =
            (end && row.trouble == Trouble::kLostAtEnd) || row.trouble == Trouble::kAbortLineLost;
        // The abort comes once the line is known lost, before the retry's wait.
        job.abortRequest =
            job.abortRequest || (row.trouble == Trouble::kAbortLineLost && hostPackets == 2);
        serial.shortWrites = end && row.trouble == Trouble::kShort;
    };
    engine->EstimateRunSeconds();
    const bool ok = *row.historyText == '\0';
    EXPECT_EQ(engine->UploadFile(image, kComm), ok);
    EXPECT_EQ(Logged("AE"), row.lines);
    EXPECT_EQ(hostPackets, row.hostPackets);
    EXPECT_EQ(sink.Count(ev::kBytesSent) + sink.Count(ev::kBytesReceived), 0u)
        << "serial data is hidden";
    EXPECT_EQ(engine->Progress().currentPacketsSent, row.packetsSent);
    EXPECT_EQ(sink.Count(ev::kFileDone), ok ? 1u : 0u);
    // A user's abort is no failure of the file.
    const bool failed = !ok && row.historyText != std::string(kUserAbort);
    EXPECT_EQ(sink.Count(ev::kFileFailed), failed ? 1u : 0u);
    EXPECT_EQ(sink.Codes().back(), ok ? ev::kFileDone : failed ? ev::kFileFailed : ev::kLogLine);
    const std::string history = History();
    EXPECT_NE(history.find(ok ? "Upload COMM File Successful" : "Upload COMM File FAILED!"),
              std::string::npos);
    if (!ok) {
        EXPECT_NE(history.find("ERROR = " + std::string(row.historyText) + "\n"), std::string::npos)
            << history;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, HbdExchange, ::testing::ValuesIn(kExchangeRows),
                         test::RowNames([](const ExchangeRow& r) { return r.name; }));

// The abort in the pause after COMM keeps SPEECH from loading: it is recorded against SPEECH,
// and COMM stays a success.
TEST_F(HbdEngine, PauseBeforeTheNextFileCountsDownAndAnAbortIsTheNextFilesFailure) {
    settings.delayAfterFileSeconds = 10;  // clamped to 60
    MakeEngine();
    const FirmwareImage& comm = Selected(kComm, "c.bin", 32768);
    const FirmwareImage& speech = Selected(kSpeech, "s.bin", 1024);
    engine->EstimateRunSeconds();
    AnswerLikeAUnit();
    int ticks = 0;
    sink.hook = [&](const test::Recorded& n) {
        if (n.code == ev::kPauseTick && ++ticks == 12) {
            job.abortRequest = true;
        }
    };
    EXPECT_TRUE(engine->UploadFile(comm, kComm));
    EXPECT_FALSE(engine->PauseBeforeNextFile(speech, kSpeech));
    EXPECT_EQ(clock.SleptMs(), 12000u);
    EXPECT_EQ(Logged("H"), (std::vector<std::string>{
                               "H Sending to HBD \"Begin Upload, COMM file\"\n",
                               "H END of FILE Reached!\n\n",
                               "H LAST Step: Sending to HBD; End of Transfer!\n",
                               "H Delay 60 seconds before next upload.\n",
                               "H Delay 55 seconds before next upload.\n",
                               "H Delay 50 seconds before next upload.\n",
                           }));
    const auto all = sink.All();
    EXPECT_EQ(all.back().text, "*** USER ABORTED UPLOAD ***\n");
    const auto lastTick = std::find_if(all.rbegin(), all.rend(),
                                       [](const auto& r) { return r.code == ev::kPauseTick; });
    EXPECT_EQ(lastTick->progress.delayLength, 60);
    EXPECT_EQ(lastTick->progress.delayRemaining, 60 - 11);
    EXPECT_EQ(sink.Count(ev::kFileFailed), 0u);
    EXPECT_EQ(sink.Count(ev::kFileDone), 1u);
    EXPECT_NE(History().find("Upload COMM File Successful"), std::string::npos);
    EXPECT_EQ(History().find("Upload COMM File FAILED"), std::string::npos);
    EXPECT_NE(History().find("Upload SPEECH File FAILED!\n                        ERROR = *** "
                             "USER ABORTED UPLOAD ***\n                        FileName: " +
                             speech.path),
              std::string::npos);
}

TEST_F(HbdEngine, UnknownKindIsAnInternalError) {
    state.SetInternalError(9, 9, 9);
    MakeEngine();  // a new worker starts clean
    EXPECT_EQ(state.InternalError().major, 0);
    EXPECT_FALSE(engine->UploadFile(Selected(kComm, "x.bin", 40000), FileKind{7}));
    EXPECT_EQ(sink.Codes(), (std::vector<int>{ev::kInternalError}));
    EXPECT_EQ(state.InternalError().major, 2);
    EXPECT_NE(History().find("CRITICAL ERROR; Error Code = 2.1, support Data = 7"),
              std::string::npos);
    EXPECT_TRUE(serial.Written().empty());
}

}  // namespace
}  // namespace quillon
