// The HBD engine's layers on a scripted line: response matching, the request/acknowledge
// exchange, and whole files, with no real time passing.
#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "protocol/Crc16.h"
#include "protocol/HbdResponseMatcher.h"
#include "serial/SerialPort.h"
#include "settings/IniFile.h"
#include "tests/core/upload/HbdTestSupport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeSerialBackend.h"
#include "upload/HbdUploader.h"

namespace quillon {
namespace {

using test::HookSink;
using Bytes = std::vector<uint8_t>;

Bytes Reply(uint8_t code) {
    return {0x05, 0x05, 0x01, code};
}

Bytes Control(uint8_t command) {
    auto packet = hbd::MakeControlPacket(command);
    return Bytes(packet.begin(), packet.end());
}

Bytes DataPacket(const Bytes& payload) {
    Bytes packet = payload;
    auto crc = hbd::CrcWireBytes(Crc16(payload.data(), payload.size()));
    packet.insert(packet.end(), crc.begin(), crc.end());
    return packet;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes Slice(const std::vector<uint8_t>& image, size_t packet) {
    auto begin = image.begin() + static_cast<std::ptrdiff_t>(packet * hbd::kPayloadSize);
    return Bytes(begin, begin + static_cast<std::ptrdiff_t>(hbd::kPayloadSize));
}

// ---------------------------------------------------------------------------------------------

TEST(HbdWireFormat, ControlPacketsAndCrcOrder) {
    EXPECT_EQ(Control(hbd::kCmdBeginComm), (Bytes{0x05, 0x05, 0x01, 0x31}));
    EXPECT_EQ(Control(hbd::kCmdEndOfTransfer), (Bytes{0x05, 0x05, 0x01, 0x03}));
    // CRC-16/XMODEM of "123456789" is 0x31C3; the unit wants the high byte first.
    const std::string check = "123456789";
    const uint16_t crc = Crc16(reinterpret_cast<const uint8_t*>(check.data()), check.size());
    EXPECT_EQ(crc, 0x31C3);
    EXPECT_EQ(hbd::CrcWireBytes(crc), (std::array<uint8_t, 2>{0x31, 0xC3}));
}

struct MatchCase {
    Bytes input;
    std::optional<uint8_t> code;  // the first code found
};

TEST(HbdResponseMatcher, FindsTheCodeAfterAWholeHeaderOnly) {
    const MatchCase cases[] = {
        {{0x05, 0x05, 0x01, 0x33}, 0x33},
        {{0xAA, 0x00, 0x05, 0x05, 0x01, 0x32}, 0x32},
        // The third 05 resets the matcher and is not taken as a new first header byte.
        {{0x05, 0x05, 0x05, 0x01, 0x33}, std::nullopt},
        {{0x05, 0x05, 0x05, 0x05, 0x05, 0x01, 0x36}, 0x36},
        {{0x05, 0x05, 0x05, 0x05, 0x01, 0x36}, std::nullopt},
        {{0x05, 0x01, 0x05, 0x05, 0x01, 0x31}, 0x31},
        {{0x05, 0x05, 0x01, 0x41}, 0x41},
        {{0x05, 0x05}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const MatchCase& c : cases) {
        HbdResponseMatcher matcher;
        std::optional<uint8_t> found;
        for (uint8_t b : c.input) {
            if (!found) {
                found = matcher.Feed(b);
            }
        }
        EXPECT_EQ(found, c.code) << ::testing::PrintToString(c.input);
    }
}

// ---------------------------------------------------------------------------------------------

// An engine on a scripted line. Each host packet (a control packet, or a data packet's CRC
// write) takes the next scripted reply; an empty reply is silence.
class HbdEngine : public ::testing::Test {
  protected:
    void SetUp() override {
        state.appDir = dir.Dir();
        job.notifications = &sink;
        ASSERT_EQ(port.OpenPort(0, 6), 0);
        serial.onWrite = [this](const Bytes& block) {
            if (block.size() == hbd::kPayloadSize) {
                return;
            }
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
    std::string WriteFile(const std::string& name, size_t size, uint32_t seed = 7) {
        content[name] = test::PatternBytes(size, seed);
        return dir.Write(name, content[name]);
    }
    // Counts one file in the given slot, so that UploadFile has its packet count.
    void Select(int kind, const std::string& path) {
        (kind == 1 ? job.commFile : kind == 2 ? job.readerFile : job.speechFile) = path;
    }

    test::TempDir dir;
    test::FakeSerialBackend serial;
    test::FakeClock clock;
    ProgramState state;
    HookSink sink;
    UploadJob job;
    SerialPort port{serial};
    HbdUploadSettings settings;
    std::unique_ptr<HbdUploader> engine;
    std::deque<Bytes> script;
    std::function<void(const Bytes&)> onHostPacket;
    std::map<std::string, std::string> content;
};

struct WaitCase {
    const char* name;
    Bytes input;
    int result;
    std::vector<std::string> lines;
};

TEST_F(HbdEngine, WaitForResponseKeepsItsOutcomesApart) {
    const WaitCase cases[] = {
        {"good", Reply(0x33), 0x33, {}},
        {"noise first", Join({{0xAA, 0x05, 0x01}, Reply(0x32)}), 0x32, {}},
        {"silence", {}, -1, {"ERROR: No response from HBD (try # 3).\n\n"}},
        {"letter code", Reply(0x41), -2, {}},
        {"broken header",
         {0x05, 0x05, 0x05, 0x01, 0x33},
         -3,
         {"ERROR: Did not get expected response from HBD.\n",
          "         5 bytes; 05 05 05 01 33 00 00 00 00 00\n\n"}},
    };
    for (const WaitCase& c : cases) {
        SCOPED_TRACE(c.name);
        HookSink fresh;
        job.notifications = &fresh;
        MakeEngine();
        serial.Receive(c.input);
        EXPECT_EQ(engine->WaitForResponse(3), c.result);
        EXPECT_EQ(fresh.LogLines(), c.lines);
        for (const std::string& line : c.lines) {
            EXPECT_EQ(fresh.LevelOf(line), kLevelError);
        }
        EXPECT_EQ(fresh.Count(UM_RX_BYTES), 0u) << "serial data is hidden";
    }
}

TEST_F(HbdEngine, SilentWaitLastsTheConfiguredSecondsInPolls) {
    settings.responseWaitSeconds = 6;
    MakeEngine();
    const uint64_t before = clock.ElapsedMs();
    EXPECT_EQ(engine->WaitForResponse(1), -1);
    EXPECT_EQ(clock.ElapsedMs() - before, 6000u);
    EXPECT_EQ(sink.LogLines().back(), "ERROR: No response from HBD (try # 1).\n\n");
}

TEST_F(HbdEngine, FloodEndsTheWaitByBudget) {
    settings.responseWaitSeconds = 4;
    MakeEngine();
    serial.Receive(Bytes(5000, 0xAA));
    EXPECT_EQ(engine->WaitForResponse(1), -3);
    EXPECT_EQ(engine->ReceivedCount(), 40);
    EXPECT_EQ(engine->Captured().size(), 16u);
    EXPECT_TRUE(sink.HasLine("        40 bytes; AA AA AA AA AA AA AA AA AA AA\n\n"));
}

TEST_F(HbdEngine, ReceivedBytesAreShownOnlyWithSerialDataOn) {
    state.showSerialData = 1;
    serial.Receive(Join({{0xAA}, Reply(0x33)}));
    EXPECT_EQ(engine->WaitForResponse(1), 0x33);
    serial.Receive({0x05});
    EXPECT_EQ(engine->WaitForResponse(1), -3);
    std::vector<Bytes> shown;
    for (const auto& r : sink.All()) {
        if (r.code == UM_RX_BYTES) {
            shown.push_back(r.bytes);
            EXPECT_EQ(r.wParam, static_cast<int64_t>(r.bytes.size()));
        }
    }
    EXPECT_EQ(shown, (std::vector<Bytes>{{0xAA, 0x05, 0x05, 0x01, 0x33}, {0x05}}));
}

TEST_F(HbdEngine, AbortIsSeenAtTheFirstPoll) {
    job.abortRequest = 1;
    serial.Receive(Reply(0x33));
    EXPECT_EQ(engine->WaitForResponse(1), HbdUploader::kUserAbort);
    EXPECT_EQ(sink.LogLines(), (std::vector<std::string>{" ", "*** USER ABORTED UPLOAD ***\n"}));
    EXPECT_EQ(sink.LevelOf("*** USER ABORTED UPLOAD ***\n"), kLevelAck);
    EXPECT_NE(History().find("ERROR = *** USER ABORTED UPLOAD ***"), std::string::npos);
}

TEST_F(HbdEngine, LogBadResponseNamesUnknownAndOutOfOrderAnswers) {
    serial.Receive(Reply(0x41));
    ASSERT_EQ(engine->WaitForResponse(1), -2);
    engine->LogBadResponse(-2);
    serial.Receive(Reply(0x34));
    ASSERT_EQ(engine->WaitForResponse(1), 0x34);
    engine->LogBadResponse(0x34);
    ASSERT_EQ(engine->WaitForResponse(2), -1);
    const size_t before = sink.LogLines().size();
    engine->LogBadResponse(-1);
    EXPECT_EQ(sink.LogLines().size(), before) << "a missing answer is logged by the wait";
    EXPECT_EQ(sink.LogLines(),
              (std::vector<std::string>{
                  "ERROR: Unknown response from HBD (4 bytes)\n", "  HBD: 05 05 01 41 \n",
                  "ERROR: Out of Order response from HBD (ID = 52)\n", "  HBD: 05 05 01 34 \n",
                  "ERROR: No response from HBD (try # 2).\n\n"}));
}

TEST_F(HbdEngine, LogAckTextsAndLevels) {
    const std::pair<int, std::pair<const char*, int>> table[] = {
        {0x31, {"Ack from HBD; ready to receive COMM file\n", kLevelAck}},
        {0x30, {"Ack from HBD; ready to receive READER file\n", kLevelAck}},
        {0x39, {"Ack from HBD; ready to receive SPEECH file\n", kLevelAck}},
        {0x32, {"0.2: Ack from HBD; ready to receive next packet\n", kLevelAck}},
        {0x33, {"0.5: Ack from HBD; received good packet\n", kLevelAck}},
        {0x35, {"0.5: Ack from HBD; received good packet, End of Block\n", kLevelAck}},
        {0x36, {"0.6: Ack from HBD; wrote packets to Flash\n", kLevelAck}},
        {0x34, {"ERROR from HBD; received Bad Packet\n", kLevelError}},
        {0x37, {"ERROR from HBD; Write Block Failed\n", kLevelError}},
        {0x38, {"ERROR from HBD; *** ABORT TRANSFER ***\n", kLevelError}},
        {-4, {"*** USER ABORTED UPLOAD (P1) ***\n", kLevelAck}},
    };
    for (const auto& [code, expected] : table) {
        HookSink fresh;
        job.notifications = &fresh;
        MakeEngine();
        engine->LogAck(code);
        ASSERT_EQ(fresh.LogLines().size(), 1u) << code;
        EXPECT_EQ(fresh.LogLines()[0], expected.first);
        EXPECT_EQ(fresh.All()[0].wParam, expected.second);
    }
    const size_t before = sink.LogLines().size();
    for (int silent : {-1, -2, -3, 0x41}) {
        job.notifications = &sink;
        MakeEngine();
        engine->LogAck(silent);
    }
    EXPECT_EQ(sink.LogLines().size(), before);
}

TEST_F(HbdEngine, LoadUploadSettingsClampsToTheDocumentedValues) {
    struct Row {
        const char* value;
        HbdUploadSettings expected;
    };
    auto with = [](int control, int data, int wait, int delay) {
        HbdUploadSettings s;
        s.retransmitControl = control;
        s.retransmitData = data;
        s.responseWaitSeconds = wait;
        s.delayAfterFileSeconds = delay;
        return s;
    };
    const std::pair<std::array<int, 4>, HbdUploadSettings> rows[] = {
        {{1, 1, 4, 45}, with(1, 1, 4, 45)},   {{10, 6, 12, 300}, with(10, 6, 12, 300)},
        {{0, 0, 3, 44}, with(4, 1, 6, 60)},   {{11, 7, 13, 301}, with(4, 1, 6, 60)},
        {{-5, -1, -6, 0}, with(4, 1, 6, 60)}, {{3, 2, 8, 120}, with(3, 2, 8, 120)},
    };
    for (const auto& [in, expected] : rows) {
        IniFile ini(dir.File("Quillon.ini"));
        ASSERT_TRUE(ini.WriteInt("HBD Params", "Retransmit Control Packets", in[0]));
        ASSERT_TRUE(ini.WriteInt("HBD Params", "Retransmit Data Packets", in[1]));
        ASSERT_TRUE(ini.WriteInt("HBD Params", "Wait for HBD Response", in[2]));
        ASSERT_TRUE(ini.WriteInt("HBD Params", "Delay after File Upload", in[3]));
        engine->LoadUploadSettings(ini);
        EXPECT_EQ(engine->Settings().retransmitControl, expected.retransmitControl) << in[0];
        EXPECT_EQ(engine->Settings().retransmitData, expected.retransmitData) << in[1];
        EXPECT_EQ(engine->Settings().responseWaitSeconds, expected.responseWaitSeconds) << in[2];
        EXPECT_EQ(engine->Settings().delayAfterFileSeconds, expected.delayAfterFileSeconds)
            << in[3];
    }
    // Missing keys give the defaults, flags included.
    engine->LoadUploadSettings(IniFile(dir.File("absent.ini")));
    EXPECT_EQ(engine->Settings().retransmitControl, 4);
    EXPECT_TRUE(engine->Settings().logMessages);
    EXPECT_FALSE(engine->Settings().logSerialData);
    EXPECT_TRUE(engine->Settings().showTiming);
}

// ---------------------------------------------------------------------------------------------
// Counting and whole files

TEST_F(HbdEngine, CountPacketsFillsEstimatesAndReportsOnce) {
    settings.delayAfterFileSeconds = 45;
    MakeEngine();
    Select(1, WriteFile("c.bin", 32768 + 3 * 1024));
    Select(2, WriteFile("r.bin", 32768 + 5 * 1024 + 10));
    Select(3, WriteFile("s.bin", 1500));
    EXPECT_EQ(engine->CountPackets(), 3 + 2 * 5 + 1 + 2 * 45);
    const UploadProgress& p = engine->Progress();
    EXPECT_EQ(p.commPackets, 3);
    EXPECT_EQ(p.readerPackets, 5);
    EXPECT_EQ(p.speechPackets, 1);
    EXPECT_EQ(p.filesRemaining, 3);
    EXPECT_EQ(p.readerEstimate, 10);
    ASSERT_EQ(sink.Count(UM_PROGRESS), 1u);
    EXPECT_EQ(sink.All().back().wParam, 1);
    EXPECT_EQ(sink.All().back().progress.totalRemaining, 104);
}

TEST_F(HbdEngine, CountPacketsStopsAtAFileThatWillNotOpen) {
    Select(1, WriteFile("c.bin", 40000));
    Select(2, dir.File("missing.bin"));
    Select(3, dir.File("missing-too.bin"));
    EXPECT_EQ(engine->CountPackets(), -1);
    EXPECT_EQ(sink.LogLines(), (std::vector<std::string>{"ERROR: Failed to open READER File\"" +
                                                         dir.File("missing.bin") + "\"!\n"}));
    EXPECT_EQ(sink.Count(UM_PROGRESS), 0u);
}

TEST_F(HbdEngine, AnnouncedPacketsRoundDownAndWrapLikeTheUnit) {
    EXPECT_EQ(HbdUploader::AnnouncedPackets(32768 + 2048, 1), 2);
    EXPECT_EQ(HbdUploader::AnnouncedPackets(32768, 2), 0);
    EXPECT_EQ(HbdUploader::AnnouncedPackets(1500, 3), 1);
    EXPECT_EQ(HbdUploader::AnnouncedPackets(1024, 1), -31);  // unsigned wrap, low 32 bits
}

// A fully cooperative unit for the scripted line.
void AnswerLikeAUnit(test::FakeSerialBackend& serial, const Bytes& packet) {
    if (packet.size() == hbd::kControlPacketSize && packet[3] != hbd::kCmdEndOfTransfer) {
        serial.Receive(Reply(packet[3]));  // begin codes and prepare are echoed
    } else if (packet.size() == hbd::kCrcSize) {
        serial.Receive(Reply(hbd::kReplyGoodPacket));
    }
}

// The wire bytes of whole files at the size edges: COMM and READER send their image from
// 32 KiB on, SPEECH all of it; a short last packet is padded with 0xFF.
TEST_F(HbdEngine, WholeFilesGoOutPacketByPacketThenEndOfTransfer) {
    struct Row {
        int kind;
        size_t size;
        size_t packets;
        const char* scanLine;
    };
    const Row rows[] = {
        {1, 32768 + 2048, 2, "Prep 4: Scan file; will send 2 data packets to HBD\n\n"},
        {1, 32768, 0, "Prep 4: Scan file; will send 0 data packets to HBD\n\n"},
        {3, 1500, 2, "2.1: Sending to HBD; Prepare for packet 2 of 1\n"},
    };
    onHostPacket = [this](const Bytes& p) { AnswerLikeAUnit(serial, p); };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        const size_t before = serial.Written().size();
        job.commFile.reset();
        job.speechFile.reset();
        const std::string path = WriteFile("f.bin", row.size);
        Select(row.kind, path);
        MakeEngine();
        engine->CountPackets();
        ASSERT_TRUE(engine->UploadFile(path, row.kind));
        const auto image = test::ExpectedImage(content["f.bin"], row.kind);
        Bytes expected = Control(row.kind == 1 ? 0x31 : 0x39);
        for (size_t i = 0; i < row.packets; ++i) {
            expected = Join({expected, Control(0x32), DataPacket(Slice(image, i))});
        }
        const Bytes written = serial.Written();
        EXPECT_EQ(Bytes(written.begin() + static_cast<std::ptrdiff_t>(before), written.end()),
                  Join({expected, Control(0x03)}));
        EXPECT_TRUE(sink.HasLine(row.scanLine));
        EXPECT_EQ(engine->Progress().currentPacketsSent, static_cast<int>(row.packets));
        if (row.kind == 3) {
            ASSERT_EQ(image.size(), 2048u);
            EXPECT_EQ(std::count(image.begin() + 1500, image.end(), 0xFF), 548);
        }
    }
    // The payload and its CRC go out as two writes.
    auto calls = serial.Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "WriteBlock(0,1024)"), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "WriteBlock(0,2)"), calls.end());
    EXPECT_EQ(std::find(calls.begin(), calls.end(), "WriteBlock(0,1026)"), calls.end());
}

TEST_F(HbdEngine, CleanFileLogsEveryStepInOrder) {
    settings.showTiming = true;
    MakeEngine();
    const std::string path = WriteFile("c.bin", 32768 + 1024);
    Select(1, path);
    onHostPacket = [this](const Bytes& p) { AnswerLikeAUnit(serial, p); };
    engine->CountPackets();
    ASSERT_TRUE(engine->UploadFile(path, 1));
    const std::vector<std::pair<std::string, int>> expected = {
        {"Prep 3: Success; open COMM file: " + path + "\n", kLevelPrep},
        {"Prep 4: Scan file; will send 1 data packets to HBD\n\n", kLevelPrep},
        {"Prep 5: Notify HBD to Begin Upload COMM\n", kLevelBegin},
        {"Sending to HBD \"Begin Upload, COMM file\"\n", kLevelHost},
        {"Ack from HBD; ready to receive COMM file\n", kLevelAck},
        {"\n", kLevelHost},
        {"1.1: Sending to HBD; Prepare for packet 1 of 1\n", kLevelHost},
        {"1.2: Ack from HBD; ready to receive next packet\n", kLevelAck},
        {"1.3: Sending to HBD; Packet 1, 1026 bytes\n", kLevelHost},
        {"1.4: Wait for response from HBD\n", kLevelHost},
        {"1.5: Ack from HBD; received good packet\n", kLevelAck},
        {"(0 ms)\n", kLevelTiming},
        {"END of FILE Reached!\n\n", kLevelHost},
        {"LAST Step: Sending to HBD; End of Transfer!\n", kLevelHost},
    };
    std::vector<std::pair<std::string, int>> got;
    for (const auto& r : sink.All()) {
        if (r.code == UM_LOG_LINE) {
            got.emplace_back(r.text, static_cast<int>(r.wParam));
        }
    }
    EXPECT_EQ(got, expected);
    // Notifications of the file, in order (the counting's UM_PROGRESS first).
    std::vector<int> codes;
    for (int code : sink.Codes()) {
        if (code != UM_LOG_LINE) {
            codes.push_back(code);
        }
    }
    EXPECT_EQ(codes, (std::vector<int>{UM_PROGRESS, UM_FILE_START, UM_PROGRESS, UM_FILE_DONE}));
    const auto all = sink.All();
    const auto done =
        std::find_if(all.begin(), all.end(), [](const auto& r) { return r.code == UM_FILE_DONE; });
    EXPECT_EQ(done->progress.filesRemaining, 0);
    EXPECT_EQ(done->progress.currentPacketsSent, 1);
    EXPECT_EQ(done->progress.currentKindName, "COMM");
    EXPECT_NE(History().find("Upload COMM File Successful (" + path + ")."), std::string::npos);
    EXPECT_EQ(sink.Count(UM_DELAY_TICK), 0u) << "no delay after the last file";
}

TEST_F(HbdEngine, SerialDataShowsEveryPacketSentWithPayloadOnly) {
    state.showSerialData = 1;
    const std::string path = WriteFile("c.bin", 32768 + 1024);
    Select(1, path);
    onHostPacket = [this](const Bytes& p) { AnswerLikeAUnit(serial, p); };
    engine->CountPackets();
    ASSERT_TRUE(engine->UploadFile(path, 1));
    std::vector<size_t> sizes;
    for (const auto& r : sink.All()) {
        if (r.code == UM_TX_BYTES) {
            sizes.push_back(r.bytes.size());
        }
    }
    EXPECT_EQ(sizes, (std::vector<size_t>{4, 4, 1024, 4}));
    EXPECT_EQ(sink.Count(UM_RX_BYTES), 3u);
}

// ---------------------------------------------------------------------------------------------
// Failures, one row per place where a file can fail

struct FailureRow {
    const char* name;
    int retransmitControl;
    int retransmitData;
    std::vector<Bytes> replies;  // in order, one per host packet
    std::string lastLine;
    std::string historyText;
};

TEST_F(HbdEngine, EveryFailurePlaceLogsRecordsAndNotifies) {
    const FailureRow rows[] = {
        {"begin silent",
         2,
         1,
         {{}, {}},
         "Giving Up! No/Bad Response from HBD after 2 tries\n",
         "No/Bad Response from KX, Step: Begin Upload"},
        {"begin answered for another board",
         1,
         1,
         {Reply(0x30)},
         "Giving Up! No/Bad Response from HBD after 1 tries\n",
         "No/Bad Response from KX, Step: Begin Upload"},
        {"prepare bad",
         4,
         2,
         {Reply(0x31), Reply(0x33), {0x05, 0x05}},
         "Giving Up! No/Bad Response from HBD after 2 tries\n",
         "No/Bad Response from KX, Step: Next Packet"},
        {"data abort from unit",
         4,
         1,
         {Reply(0x31), Reply(0x32), Reply(0x38)},
         "ERROR from HBD; *** ABORT TRANSFER ***\n",
         "No/Bad Response from KX, Step: Get Ack from HBD"},
        {"flash write failed",
         4,
         1,
         {Reply(0x31), Reply(0x32), Join({Reply(0x35), Reply(0x37)})},
         "ERROR from HBD; Write Block Failed\n",
         "No/Bad Response from KX, Step: Get Ack from HBD"},
        {"end of block then silence",
         4,
         1,
         {Reply(0x31), Reply(0x32), Reply(0x35)},
         "ERROR: No response from HBD (try # 1).\n\n",
         "No/Bad Response from KX, Step: Get Ack from HBD"},
    };
    const std::string path = WriteFile("c.bin", 32768 + 2048);
    for (const FailureRow& row : rows) {
        SCOPED_TRACE(row.name);
        HookSink fresh;
        job.notifications = &fresh;
        Select(1, path);
        settings.retransmitControl = row.retransmitControl;
        settings.retransmitData = row.retransmitData;
        MakeEngine();
        script.assign(row.replies.begin(), row.replies.end());
        engine->CountPackets();
        std::remove(dir.File("History.txt").c_str());
        EXPECT_FALSE(engine->UploadFile(path, 1));
        EXPECT_EQ(fresh.LogLines().back(), row.lastLine);
        EXPECT_EQ(fresh.Count(UM_FILE_FAILED), 1u);
        EXPECT_EQ(fresh.Codes().back(), UM_FILE_FAILED);
        EXPECT_NE(History().find("Upload COMM File FAILED!\n"), std::string::npos);
        EXPECT_NE(History().find("ERROR = " + row.historyText + "\n"), std::string::npos);
        EXPECT_EQ(fresh.Count(UM_FILE_DONE), 0u);
    }
}

TEST_F(HbdEngine, FileThatWillNotOpenFailsBeforeAnythingIsSent) {
    const std::string path = dir.File("gone.bin");
    EXPECT_FALSE(engine->UploadFile(path, 2));
    EXPECT_EQ(sink.LogLines().back(), "ERROR: Failed to open Input File\"" + path + "\"!\n");
    EXPECT_EQ(sink.LevelOf(sink.LogLines().back()), kLevelError);
    EXPECT_EQ(sink.Codes(), (std::vector<int>{UM_LOG_LINE, UM_FILE_FAILED}));
    EXPECT_NE(History().find("ERROR = Failed to open input file"), std::string::npos);
    EXPECT_TRUE(serial.Written().empty());
}

TEST_F(HbdEngine, ReadErrorIsAFailureNotTheEndOfTheFile) {
    // A regular file whose reads fail: the kernel's view of this process's own memory gives EIO
    // at offset 0. Told apart from the end of the file, it must never reach end of transfer.
    const std::string path = "/proc/self/mem";
    Select(3, path);
    onHostPacket = [this](const Bytes& p) { AnswerLikeAUnit(serial, p); };
    engine->CountPackets();
    EXPECT_FALSE(engine->UploadFile(path, 3));
    EXPECT_TRUE(sink.HasLine("ERROR: Failed to read Input File\"/proc/self/mem\"!\n"));
    EXPECT_EQ(sink.Codes().back(), UM_FILE_FAILED);
    EXPECT_NE(History().find("ERROR = Failed to read input file"), std::string::npos);
    EXPECT_EQ(serial.Written(), Control(0x39));  // begin only: no end of transfer
}

// The line breaks (a failed or a partial write) as the last packet is written: the end of
// transfer cannot reach the unit, so the board is not done.
TEST_F(HbdEngine, EndOfTransferThatCannotBeWrittenWholeIsAFailure) {
    for (std::atomic<bool>* breaks : {&serial.lineLost, &serial.shortWrites}) {
        SCOPED_TRACE(breaks == &serial.lineLost ? "line lost" : "short write");
        serial.lineLost = false;
        serial.shortWrites = false;
        dir.Write("History.txt", "");
        sink.Clear();
        MakeEngine();
        const std::string path = WriteFile("c.bin", 32768 + 1024);
        Select(1, path);
        onHostPacket = [this, breaks](const Bytes& p) {
            if (p == Control(0x03)) {
                *breaks = true;
            }
            AnswerLikeAUnit(serial, p);
        };
        engine->CountPackets();
        EXPECT_FALSE(engine->UploadFile(path, 1));
        EXPECT_TRUE(
            sink.HasLine("ERROR: End of Transfer did not reach the HBD; the line was lost\n"));
        EXPECT_EQ(sink.Codes().back(), UM_FILE_FAILED);
        EXPECT_NE(History().find("ERROR = Line lost, Step: End of Transfer"), std::string::npos);
        EXPECT_EQ(History().find("Successful"), std::string::npos);
    }
}

TEST_F(HbdEngine, UnknownKindIsAnInternalError) {
    state.SetInternalError(9, 9, 9);
    MakeEngine();  // a new worker starts clean
    EXPECT_EQ(state.InternalError().major, 0);
    EXPECT_FALSE(engine->UploadFile(WriteFile("x.bin", 40000), 7));
    EXPECT_EQ(sink.Codes(), (std::vector<int>{UM_INTERNAL_ERROR}));
    const InternalErrorCode code = state.InternalError();
    EXPECT_EQ(code.major, 2);
    EXPECT_EQ(code.minor, 1);
    EXPECT_EQ(code.support, 7);
    EXPECT_NE(History().find("CRITICAL ERROR; Error Code = 2.1, support Data = 7"),
              std::string::npos);
    EXPECT_TRUE(serial.Written().empty());
}

TEST_F(HbdEngine, UnknownAnswerToBeginIsRetriedAndReported) {
    const std::string path = WriteFile("c.bin", 32768);
    Select(1, path);
    engine->CountPackets();
    script = {Reply(0x41), Reply(0x31)};
    ASSERT_TRUE(engine->UploadFile(path, 1));
    EXPECT_TRUE(sink.HasLine("ERROR: Unknown response from HBD (4 bytes)\n"));
    EXPECT_TRUE(sink.HasLine("  HBD: 05 05 01 41 \n"));
    EXPECT_EQ(serial.Written(), Join({Control(0x31), Control(0x31), Control(0x03)}));
}

TEST_F(HbdEngine, BadPacketIsResentWithItsCrcWithoutNewPrepare) {
    settings.retransmitData = 3;
    MakeEngine();
    const std::string path = WriteFile("c.bin", 32768 + 1024);
    Select(1, path);
    engine->CountPackets();
    script = {Reply(0x31), Reply(0x32), Reply(0x34), Reply(0x34), Reply(0x34)};
    EXPECT_FALSE(engine->UploadFile(path, 1));
    const Bytes packet = DataPacket(Slice(test::ExpectedImage(content["c.bin"], 1), 0));
    EXPECT_EQ(serial.Written(), Join({Control(0x31), Control(0x32), packet, packet, packet}));
    EXPECT_EQ(engine->Progress().currentPacketsSent, 3);
    EXPECT_EQ(sink.Count(UM_PROGRESS), 1u + 3u);
    EXPECT_NE(History().find("ERROR = No/Bad Response from KX, Step: Get Ack from HBD"),
              std::string::npos);
}

TEST_F(HbdEngine, EndOfBlockThenFlashWrittenCompletesThePacket) {
    const std::string path = WriteFile("c.bin", 32768 + 1024);
    Select(1, path);
    engine->CountPackets();
    script = {Reply(0x31), Reply(0x32), Join({Reply(0x35), {0xAA}, Reply(0x36)})};
    ASSERT_TRUE(engine->UploadFile(path, 1));
    EXPECT_TRUE(sink.HasLine("1.5: Ack from HBD; received good packet, End of Block\n"));
    EXPECT_TRUE(sink.HasLine("1.6: Ack from HBD; wrote packets to Flash\n"));
}

TEST_F(HbdEngine, AbortDuringADataWaitFailsEveryTryWithoutAFailureRecord) {
    settings.retransmitData = 2;
    MakeEngine();
    const std::string path = WriteFile("c.bin", 32768 + 1024);
    Select(1, path);
    engine->CountPackets();
    script = {Reply(0x31), Reply(0x32)};
    onHostPacket = [this](const Bytes& p) {
        if (p.size() == hbd::kCrcSize) {
            job.abortRequest = 1;
        }
    };
    EXPECT_FALSE(engine->UploadFile(path, 1));
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 0u);
    const std::string history = History();
    EXPECT_EQ(history.find("Get Ack"), std::string::npos);
    size_t aborts = 0;
    for (size_t at = history.find("USER ABORTED"); at != std::string::npos;
         at = history.find("USER ABORTED", at + 1)) {
        ++aborts;
    }
    EXPECT_EQ(aborts, 2u) << "each try sees the abort again";
    // Both tries sent the packet.
    EXPECT_EQ(engine->Progress().currentPacketsSent, 2);
}

TEST_F(HbdEngine, AbortDuringBeginEndsQuietly) {
    const std::string path = WriteFile("c.bin", 32768 + 1024);
    Select(1, path);
    engine->CountPackets();
    onHostPacket = [this](const Bytes&) { job.abortRequest = 1; };
    EXPECT_FALSE(engine->UploadFile(path, 1));
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 0u);
    EXPECT_EQ(sink.LogLines().back(), "*** USER ABORTED UPLOAD ***\n");
    EXPECT_NE(History().find("ERROR = *** USER ABORTED UPLOAD ***"), std::string::npos);
}

TEST_F(HbdEngine, DelayAfterAMiddleFileCountsDownAndCanBeAborted) {
    settings.delayAfterFileSeconds = 10;  // clamped to 60
    MakeEngine();
    const std::string comm = WriteFile("c.bin", 32768);
    Select(1, comm);
    Select(3, WriteFile("s.bin", 1024));
    engine->CountPackets();
    onHostPacket = [this](const Bytes& p) { AnswerLikeAUnit(serial, p); };
    int ticks = 0;
    sink.hook = [&](const Notification& n) {
        if (n.code == UM_DELAY_TICK && ++ticks == 12) {
            job.abortRequest = 1;
        }
    };
    const uint64_t sleptBefore = clock.SleptMs();
    EXPECT_FALSE(engine->UploadFile(comm, 1));
    EXPECT_EQ(clock.SleptMs() - sleptBefore, 12000u);
    std::vector<std::string> delayLines;
    for (const std::string& line : sink.LogLines()) {
        if (line.rfind("Delay", 0) == 0) {
            delayLines.push_back(line);
        }
    }
    EXPECT_EQ(delayLines, (std::vector<std::string>{"Delay 60 seconds before next upload.\n",
                                                    "Delay 55 seconds before next upload.\n",
                                                    "Delay 50 seconds before next upload.\n"}));
    EXPECT_EQ(sink.LogLines().back(), "*** USER ABORTED UPLOAD ***\n");
    const auto all = sink.All();
    EXPECT_EQ(all.back().code, UM_LOG_LINE);
    const auto lastTick = std::find_if(all.rbegin(), all.rend(),
                                       [](const auto& r) { return r.code == UM_DELAY_TICK; });
    EXPECT_EQ(lastTick->progress.delayLength, 60);
    EXPECT_EQ(lastTick->progress.delayRemaining, 60 - 11);
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 0u);
    EXPECT_EQ(sink.Count(UM_FILE_DONE), 1u);
    EXPECT_NE(History().find("Upload COMM File Successful"), std::string::npos);
    EXPECT_NE(History().find("ERROR = *** USER ABORTED UPLOAD ***\n                        "
                             "FileName: " +
                             comm),
              std::string::npos);
}

}  // namespace
}  // namespace quillon
