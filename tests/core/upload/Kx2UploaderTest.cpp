// Kx2Uploader against a scripted unit on the fake line: packet table, start request, passes,
// resend lists, the final phase, refusals, texts, notifications and the history.
#include "upload/Kx2Uploader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>

#include "settings/IniFile.h"
#include "tests/core/upload/Kx2TestSupport.h"
#include "tests/support/RowName.h"
#include "upload/StaleInput.h"

namespace quillon {
namespace {

namespace ev = test::ev;

using test::ScriptedKx2Line;

class Kx2EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        state.appDir = dir.Dir();
        job.events = &sink;
        job.baudRate = 115200;
        unit.answer = test::HonestKx2;
    }

    const FirmwareImage& MakeImage(size_t size, const std::string& name = "FW01.kx") {
        const std::string bytes = test::Kx2FileContent(size);
        images.push_back(MakeFirmwareImage(dir.File(name), {bytes.begin(), bytes.end()}));
        return *images.back();
    }
    void Settings(const std::string& kx2Lines) { dir.Write("Quillon.ini", "[KX2]\n" + kx2Lines); }
    std::string History() const { return dir.Read("History.txt"); }
    // Every logged line after its level.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (const test::Recorded& r : sink.All()) {
            if (r.code == ev::kLogLine) {
                lines.push_back(std::to_string(r.number) + " " + r.text);
            }
        }
        return lines;
    }

    test::TempDir dir;
    test::FakeSerialBackend line;
    ScriptedKx2Line unit{line};
    test::FakeClock clock;
    test::RecordingSink sink;
    ProgramState state;
    UploadJob job;
    SerialPort port{line};
    std::vector<FirmwareImageRef> images;
};

struct PacketCase {
    int32_t maxPacketSize;
    size_t fileSize;
    size_t packets;
    size_t lastPayload;
};

class Kx2PacketTableTest : public Kx2EngineTest,
                           public ::testing::WithParamInterface<PacketCase> {};

TEST_P(Kx2PacketTableTest, FileSizeGivesPacketsAndTheFinalOneIsMarkedLast) {
    const PacketCase c = GetParam();
    Settings("Max Packet Size=" + std::to_string(c.maxPacketSize) + "\nDelay Between Packets=0\n");
    const FirmwareImage& image = MakeImage(c.fileSize);
    Kx2Uploader kx2(job, port, clock, state);
    ASSERT_TRUE(kx2.UploadFile(image));

    std::vector<int> expected;
    for (int i = 1; i <= static_cast<int>(c.packets); ++i) {
        expected.push_back(i == static_cast<int>(c.packets) ? -i : i);
    }
    EXPECT_EQ(unit.DataFrames(), expected);
    std::string joined;
    size_t lastPayload = 0;
    for (const Kx2ParsedFrame& f : unit.Frames()) {
        if (f.type == kKx2Data || f.type == kKx2LastData) {
            joined.append(f.payload.begin(), f.payload.end());
            lastPayload = f.payload.size();
        }
    }
    EXPECT_EQ(joined, std::string(image.bytes.begin(), image.bytes.end()));
    EXPECT_EQ(lastPayload, c.lastPayload);
    EXPECT_EQ(kx2.Outcome(), RunOutcome::kCompleted);
    EXPECT_TRUE(kx2.Packets().empty()) << "packet data must be freed when the upload ends";
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Kx2PacketTableTest,
    ::testing::Values(PacketCase{1024, 3 * 1014, 3, 1014}, PacketCase{1024, 3 * 1014 + 1, 4, 1},
                      PacketCase{1024, 1, 1, 1}, PacketCase{100, 5 * 90, 5, 90},
                      PacketCase{100, 5 * 90 + 1, 6, 1}, PacketCase{11, 7, 7, 1},
                      PacketCase{4096, 2 * 4086 + 5, 3, 5}),
    test::RowNames([](const PacketCase& c) {
        return std::to_string(c.maxPacketSize) + "_" + std::to_string(c.fileSize);
    }));

TEST_F(Kx2EngineTest, DefaultsGiveFullFramesTheStartRequestAndAnEstimateAndAreWrittenBack) {
    const FirmwareImage& image = MakeImage(100 * 1014 + 1, "ABC.kx2");
    Kx2Uploader kx2(job, port, clock, state);
    ASSERT_TRUE(kx2.PrepareUpload(image));
    EXPECT_EQ(kx2.PayloadSize(), 1014);
    EXPECT_EQ(kx2.PacketCount(), 101);
    // A frame is 1 second at 19200 bps, of which 0.53 s on the wire (0.09 s at 115200), plus
    // the pause of 0.15 s after it.
    EXPECT_EQ(Kx2Uploader::EstimateFor(101, 1024, 150, 19200), 116);
    EXPECT_EQ(kx2.Progress().Board(FileKind::kComm).estimate, 71);
    EXPECT_EQ(kx2.Progress().totalRemaining, 71);
    EXPECT_EQ(kx2.Progress().currentKindName, "KX2-FILE");

    IniFile ini(state.IniPath());
    EXPECT_EQ(ini.Find("KX2", "Max Packet Size"), "1024");
    EXPECT_EQ(ini.Find("KX2", "Delay Between Packets"), "150");

    ASSERT_TRUE(kx2.UploadFile(image));
    Kx2FrameBuilder start;
    BuildStartRequest(start, Kx2StartRequest{100 * 1014 + 1, 115200, 1024, 101, 150, "ABC.kx2"});
    const auto written = line.Written();
    EXPECT_EQ(std::vector<uint8_t>(written.begin(), written.begin() + 33), start.Bytes());
    // Whole frames only, each in one write: the start request, 100 full data frames, the short
    // last one and the status request.
    const auto calls = line.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "WriteBlock(0,1024)"), 100);
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.rfind("WriteBlock", 0) == 0; }),
              103);
    EXPECT_EQ(clock.SleptMs(), 101u * 150u);
}

TEST_F(Kx2EngineTest, CleanUploadLogsEveryStepWithItsLevelAndSendsOnlyItsOwnEvents) {
    const FirmwareImage& image = MakeImage(1014 + 20);
    const std::string& path = image.path;
    Kx2Uploader kx2(job, port, clock, state);
    ASSERT_TRUE(kx2.UploadFile(image));
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "3 Prep 3: Success; open file: " + path + "\n",
                           "3 Prep 4: Scan file; will send 2 data packets to HBD\n\n",
                           "4 Prep 5: Notify KX2, starting file upload\n",
                           "1 Sending to KX2 \"Request to start Upload file\n",
                           "1 Will wait 8 seconds for a response\n",
                           "1 Note: Received \"Begin Upload\" from KX2\n",
                           "1 Sending to KX2, packet 1 of 2 (1024 bytes)\n",
                           "6 (0 ms)\n",
                           "1 will delay 150 milli-seconds\n",
                           "1 Sending to KX2, packet 2 of 2 (30 bytes)\n",
                           "6 (0 ms)\n",
                           "1 will delay 150 milli-seconds\n",
                           "1 Finished sending 2 packets to KX2. Will wait 8 seconds for final "
                           "response\n",
                           // The unit's "complete" came during the pass and was taken there,
                           // so the final phase has to ask for it again.
                           "1 Did not correct response from KX2.  Will request \"status\" from "
                           "KX2\n",
                           "1 Sending to KX2 \"Status Request\n",
                       }));
    EXPECT_EQ(line.Calls()[0], "ClearTransmitQueue(0)");
    EXPECT_EQ(line.Calls()[1], "ClearReceiveQueue(0)");
    // While the unit is awaited after the pass, the seconds left are said once each.
    std::vector<int> codes;
    std::vector<int64_t> waiting;
    for (const test::Recorded& r : sink.All()) {
        if (r.code == ev::kAwaiting) {
            waiting.push_back(r.number);
        } else if (r.code != ev::kLogLine) {
            codes.push_back(r.code);
        }
    }
    EXPECT_EQ(codes, (std::vector<int>{ev::kEstimates, ev::kFileStart, ev::kPacketSent,
                                       ev::kPacketSent, ev::kFileDone}));
    EXPECT_EQ(waiting, (std::vector<int64_t>{128, 127, 126, 125, 124, 123, 122, 121, 120}));
    EXPECT_EQ(kx2.Progress().currentPacketsSent, 2);
    EXPECT_EQ(kx2.Progress().currentRemaining, 0);
    EXPECT_NE(History().find("Begin Upload COMM File"), std::string::npos);
    EXPECT_NE(History().find("Upload COMM File Successful (" + path + ")."), std::string::npos);
}

// Shown with the serial view on: every frame sent, whole; each answer's first byte as it is
// found, then the whole frame.
TEST_F(Kx2EngineTest, SerialDataIsShownOnlyWhileTheFlagIsOne) {
    state.showSerialData = true;
    Kx2Uploader kx2(job, port, clock, state);
    ASSERT_TRUE(kx2.UploadFile(MakeImage(2 * 1014)));
    std::vector<std::vector<uint8_t>> shown;
    for (const test::Recorded& r : sink.All()) {
        if (r.code == ev::kBytesSent || r.code == ev::kBytesReceived) {
            shown.push_back(r.code == ev::kBytesSent ? std::vector<uint8_t>(r.bytes.size())
                                                     : r.bytes);
        }
    }
    const std::vector<uint8_t> start{kKx2FrameStart};
    EXPECT_EQ(shown, (std::vector<std::vector<uint8_t>>{
                         std::vector<uint8_t>(33), start, BuildUnitFrame(kKx2BeginUpload),
                         std::vector<uint8_t>(1024), std::vector<uint8_t>(1024), start,
                         BuildUnitFrame(kKx2Complete), std::vector<uint8_t>(10), start,
                         BuildUnitFrame(kKx2Complete)}));
}

// One upload per row against a unit that answers in its own way: how far the upload got, what
// it logged and how it ended.
// The unit of a row: an honest one, one that only begins, or a silent one, except that the
// n-th frame of a type gets the given bytes (none: no answer) instead.
enum class Unit { kHonest, kBeginsOnly, kSilent };
struct Instead {
    uint8_t type;
    size_t nth;
    std::vector<uint8_t> bytes;
};

struct AnswerRow {
    const char* name;
    size_t packets;  // of the file, at 1014 bytes each
    Unit unit;
    std::vector<Instead> instead;
    Instead abortAt;  // the user aborts as the unit gets this frame (type 0: never)
    RunOutcome outcome;
    size_t startRequests;
    std::vector<int> data;  // packet numbers sent, negative when marked as the last
    size_t statusRequests;
    std::string line;  // level and text of a line logged `times` times
    size_t times;
    std::string historyText;  // of a failure; empty: no failure in the history
    uint64_t elapsedMs;       // virtual time the upload took; 0: not asserted
};

const char kCaution[] = "0 CAUTION: KX2 canceled the session. Will Abort\n";
const char kNoBegin[] = "No/Bad Response from KX2, Step: Begin Upload";
const char kCancelled[] = "KX2 canceled";
const char kUserAborted[] = "*** USER ABORTED UPLOAD ***";
const std::string kAbortLine = "2 *** USER ABORTED UPLOAD ***\n";
const Instead kNoAbort{0, 0, {}};
constexpr uint64_t kWaitMs = 16 * 500;  // a wait for an answer: 16 polls of 500 ms
// Before the start request the line must be quiet this long.
constexpr uint64_t kQuietMs = kStaleQuietMs;
const auto kCancel = BuildUnitFrame(kKx2Cancel), kDone = BuildUnitFrame(kKx2Complete);

const AnswerRow kAnswerRows[] = {
    AnswerRow("cancel in the handshake", 3, Unit::kHonest, {{kKx2StartRequest, 1, kCancel}},
              kNoAbort, RunOutcome::kFailed, 1, {}, 0, kCaution, 1, kNoBegin, 0),
    AnswerRow("cancel during the first pass", 8, Unit::kBeginsOnly, {{kKx2Data, 3, kCancel}},
              kNoAbort, RunOutcome::kFailed, 1, {1, 2, 3}, 0, kCaution, 1, kCancelled, 0),
    AnswerRow("cancel in the final phase", 3, Unit::kBeginsOnly, {{kKx2StatusRequest, 1, kCancel}},
              kNoAbort, RunOutcome::kFailed, 1, {1, 2, -3}, 1, kCaution, 1, kCancelled, 0),
    AnswerRow("cancel in a resend pass", 3, Unit::kBeginsOnly,
              {{kKx2StatusRequest, 1, BuildResendList({1, 2})}, {kKx2Data, 3, kCancel}}, kNoAbort,
              RunOutcome::kFailed, 1, {1, 2, -3, 1}, 1, kCaution, 1, kCancelled, 0),
    AnswerRow("no answer: three tries of a whole wait", 3, Unit::kSilent, {}, kNoAbort,
              RunOutcome::kFailed, 3, {}, 0,
              "0 Giving Up! Did not get proper response from KX2 after 3 tries\n", 1, kNoBegin,
              kQuietMs + 3 * kWaitMs),
    // The user's abort is seen at once, in a wait or before the next frame, and recorded.
    AnswerRow("user abort in the handshake", 1, Unit::kSilent, {}, {kKx2StartRequest, 1, {}},
              RunOutcome::kAborted, 1, {}, 0, kAbortLine, 1, kUserAborted, 0),
    AnswerRow("user abort in the first pass", 5, Unit::kHonest, {}, {kKx2Data, 2, {}},
              RunOutcome::kAborted, 1, {1, 2}, 0, kAbortLine, 1, kUserAborted, 0),
    AnswerRow("user abort in the final phase", 2, Unit::kBeginsOnly, {}, {kKx2StatusRequest, 2, {}},
              RunOutcome::kAborted, 1, {1, -2}, 2, kAbortLine, 1, kUserAborted, 0),
    // No wait after the unknown answer: only the pacing and the final phase's one wait.
    AnswerRow("unknown answer ends the try at once", 1, Unit::kHonest,
              {{kKx2StartRequest, 1, BuildUnitFrame(0x2A)}}, kNoAbort, RunOutcome::kCompleted, 2,
              {-1}, 1, "0 ERROR: Unknown response (0) from KX2\n", 1, "", kQuietMs + 150 + kWaitMs),
    // 94 empty reads of 20 ms inside the first poll and a whole wait in the first try.
    AnswerRow("unfinished frame is no frame within the read bound", 1, Unit::kHonest,
              {{kKx2StartRequest, 1, {0x01, 0x50, 0x40, 0x00, 0x00, 0x00, kKx2BeginUpload}}},
              kNoAbort, RunOutcome::kCompleted, 2, {-1}, 1,
              "1 Will wait 8 seconds for a response\n", 2, "",
              kQuietMs + 94 * 20 + kWaitMs + 150 + kWaitMs),
    // A list is no answer to a start request, but must not thin the first pass.
    AnswerRow("resend list in the handshake", 3, Unit::kHonest,
              {{kKx2StartRequest, 1, BuildResendList({2})}}, kNoAbort, RunOutcome::kCompleted, 2,
              {1, 2, -3}, 1, "0 ERROR: Unknown response (13) from KX2\n", 1, "", 0),
    AnswerRow("complete during a pass is taken there", 5, Unit::kHonest, {{kKx2Data, 2, kDone}},
              kNoAbort, RunOutcome::kCompleted, 1, {1, 2, 3, 4, -5}, 1,
              "1 Did not correct response from KX2.  Will request \"status\" from KX2\n", 1, "", 0),
    AnswerRow("unknown answer in the final phase is a failed wait", 1, Unit::kHonest,
              {{kKx2LastData, 1, {}}, {kKx2StatusRequest, 1, BuildUnitFrame(kKx2BeginUpload)}},
              kNoAbort, RunOutcome::kCompleted, 1, {-1}, 2,
              "0 ERROR: Unknown response (14) from KX2\n", 1, "", 0),
    // Four cycles of three status requests, one after each but the last wait of a cycle; the
    // unit may or may not hold the image, so that is no success.
    AnswerRow("final phase running out", 2, Unit::kBeginsOnly, {}, kNoAbort,
              RunOutcome::kNoFinalAnswer, 1, {1, -2}, 12,
              "1 Finished sending 2 packets to KX2. Will wait 8 seconds for final response\n", 4,
              "KX2 never confirmed the upload, Step: Final Response", 0),
    // Asked for its state after the pass, the unit lists 5 and 9; asked again, it is done.
    AnswerRow("resend list after the pass", 12, Unit::kBeginsOnly,
              {{kKx2StatusRequest, 1, BuildResendList({5, 9})}, {kKx2StatusRequest, 2, kDone}},
              kNoAbort, RunOutcome::kCompleted, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, -12, 5, -9},
              2, "1 Finished sending 12 packets to KX2. Will wait 8 seconds for final response\n",
              2, "", 0),
    // A list replaces the flags at once: the rest of this pass is packet 4 only, as the last.
    AnswerRow("resend list during the pass", 6, Unit::kHonest,
              {{kKx2Data, 2, BuildResendList({1, 4})}}, kNoAbort, RunOutcome::kCompleted, 1,
              {1, 2, -4}, 1, kCaution, 0, "", 0),
    // Nothing listed, or only numbers outside the table: the pass after the list sends nothing.
    AnswerRow("empty resend list", 4, Unit::kHonest, {{kKx2LastData, 1, BuildResendList({})}},
              kNoAbort, RunOutcome::kCompleted, 1, {1, 2, 3, -4}, 1, kCaution, 0, "", 0),
    AnswerRow("resend list of numbers outside the table", 4, Unit::kHonest,
              {{kKx2LastData, 1, BuildResendList({0, -1, 5, 300, -32768})}}, kNoAbort,
              RunOutcome::kCompleted, 1, {1, 2, 3, -4}, 1, kCaution, 0, "", 0),
};

class Kx2AnswerTest : public Kx2EngineTest, public ::testing::WithParamInterface<AnswerRow> {};

TEST_P(Kx2AnswerTest, UploadEndsAsTheUnitAnswers) {
    const AnswerRow& row = GetParam();
    const FirmwareImage& image = MakeImage(row.packets * 1014);
    unit.answer = [&row, this](const Kx2ParsedFrame& f, ScriptedKx2Line& l) {
        if (f.type == row.abortAt.type && l.CountType(f.type) == row.abortAt.nth) {
            job.abortRequest = true;
        }
        for (const Instead& instead : row.instead) {
            if (f.type == instead.type && l.CountType(f.type) == instead.nth) {
                return l.ReplyBytes(instead.bytes);
            }
        }
        if (row.unit == Unit::kHonest ||
            (row.unit == Unit::kBeginsOnly && f.type == kKx2StartRequest)) {
            test::HonestKx2(f, l);
        }
    };
    Kx2Uploader kx2(job, port, clock, state);
    EXPECT_EQ(kx2.UploadFile(image), row.outcome == RunOutcome::kCompleted);
    EXPECT_EQ(kx2.Outcome(), row.outcome);
    EXPECT_EQ(unit.CountType(kKx2StartRequest), row.startRequests);
    EXPECT_EQ(unit.DataFrames(), row.data);
    EXPECT_EQ(unit.CountType(kKx2StatusRequest), row.statusRequests);
    const auto lines = Lines();
    EXPECT_EQ(static_cast<size_t>(std::count(lines.begin(), lines.end(), row.line)), row.times);
    const bool failed =
        row.outcome == RunOutcome::kFailed || row.outcome == RunOutcome::kNoFinalAnswer;
    EXPECT_EQ(sink.Count(ev::kFileFailed), failed ? 1u : 0u);
    EXPECT_EQ(sink.Count(ev::kFileDone), row.outcome == RunOutcome::kCompleted ? 1u : 0u);
    // Every ending is in the history: the success, or the failure with its reason.
    const bool completed = row.outcome == RunOutcome::kCompleted;
    EXPECT_NE(History().find(
                  completed ? "Upload COMM File Successful"
                            : "FAILED!\n                        ERROR = " + row.historyText + "\n"),
              std::string::npos)
        << History();
    // Packets the unit asked for again are retries, not progress.
    const UploadProgress& p = kx2.Progress();
    EXPECT_LE(p.currentPacketsSent, p.currentPackets);
    EXPECT_EQ(static_cast<size_t>(p.currentPacketsSent + p.packetsResent), row.data.size());
    if (row.elapsedMs != 0) {
        EXPECT_EQ(clock.ElapsedMs(), row.elapsedMs);
    }
    EXPECT_TRUE(kx2.Packets().empty());
}

INSTANTIATE_TEST_SUITE_P(Units, Kx2AnswerTest, ::testing::ValuesIn(kAnswerRows),
                         test::RowNames([](const AnswerRow& r) { return r.name; }));

// Refusals: each is decided before the unit hears anything.
struct RefusalCase {
    const char* name;
    std::string settings;
    std::string fileName;
    size_t fileSize;
    std::string logStart;
    std::string historyText;
};

class Kx2RefusalTest : public Kx2EngineTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Kx2RefusalTest, RefusedBeforeAnythingIsSent) {
    const RefusalCase c = GetParam();
    Settings(c.settings);
    Kx2Uploader kx2(job, port, clock, state);
    EXPECT_FALSE(kx2.UploadFile(MakeImage(c.fileSize, c.fileName)));
    EXPECT_TRUE(line.Written().empty());
    const std::string last = Lines().back();
    EXPECT_EQ(last.rfind("0 " + c.logStart, 0), 0u) << last;
    EXPECT_NE(last.find("upload refused\n"), std::string::npos) << last;
    EXPECT_EQ(sink.Count(ev::kFileFailed), 1u);
    EXPECT_NE(History().find("ERROR = " + c.historyText + "\n"), std::string::npos) << History();
    EXPECT_EQ(kx2.Outcome(), RunOutcome::kFailed);
}

const char kPacketRange[] = "Max Packet Size outside 11 to 4096";
const char kDelayRange[] = "Delay Between Packets outside 0 to 65535";

INSTANTIATE_TEST_SUITE_P(
    Cases, Kx2RefusalTest,
    ::testing::Values(RefusalCase("SmallPacket", "Max Packet Size=10\n", "A.kx", 100,
                                  "ERROR: Max Packet Size 10 is outside", kPacketRange),
                      RefusalCase("LargePacket", "Max Packet Size=4097\n", "A.kx", 100,
                                  "ERROR: Max Packet Size 4097 is outside", kPacketRange),
                      RefusalCase("NegativeDelay", "Delay Between Packets=-1\n", "A.kx", 100,
                                  "ERROR: Delay Between Packets -1 is outside", kDelayRange),
                      RefusalCase("HugeDelay", "Delay Between Packets=65536\n", "A.kx", 100,
                                  "ERROR: Delay Between Packets 65536 is outside", kDelayRange),
                      RefusalCase("EmptyFile", "", "A.kx", 0, "ERROR: File \"", "File is empty"),
                      RefusalCase("LongName", "", std::string(47, 'N') + ".kx", 100,
                                  "ERROR: File name \"", "File name longer than 49 characters"),
                      RefusalCase("TooManyPackets", "Max Packet Size=11\n", "A.kx", 5001,
                                  "ERROR: File needs 5001 packets, more than 5000",
                                  "File needs more than 5000 packets")),
    [](const ::testing::TestParamInfo<RefusalCase>& p) { return std::string(p.param.name); });

// The limits themselves are taken, and settings that are there are not written back.
TEST_F(Kx2EngineTest, LimitsThemselvesAreAccepted) {
    Settings("Max Packet Size=11\nDelay Between Packets=0\n");
    const std::string ini = dir.Read("Quillon.ini");
    const FirmwareImage& image = MakeImage(5000, std::string(46, 'N') + ".kx");  // 49 characters
    Kx2Uploader kx2(job, port, clock, state);
    ASSERT_TRUE(kx2.UploadFile(image));
    EXPECT_EQ(unit.DataFrames().size(), 5000u);
    auto request =
        ParseStartRequest(unit.Frames()[0].payload.data(), unit.Frames()[0].payload.size());
    ASSERT_TRUE(request);
    EXPECT_EQ(request->name.size(), 49u);
    EXPECT_EQ(dir.Read("Quillon.ini"), ini);
}

// Runs out of memory at one chosen packet.
class StarvedKx2 : public Kx2Uploader {
  public:
    using Kx2Uploader::Kx2Uploader;
    int failAt = 0;

  protected:
    std::vector<uint8_t> CopyPacketBytes(const uint8_t* bytes, size_t count) override {
        if (++copies_ == failAt) {
            throw std::bad_alloc();
        }
        return Kx2Uploader::CopyPacketBytes(bytes, count);
    }

  private:
    int copies_ = 0;
};

TEST_F(Kx2EngineTest, PacketTableThatCannotBeFilledIsRefusedBeforeTheStartRequest) {
    StarvedKx2 starved(job, port, clock, state);
    starved.failAt = 4;
    EXPECT_FALSE(starved.UploadFile(MakeImage(6 * 1014)));
    EXPECT_EQ(Lines().back(), "0 ERROR: Out of memory for packet 4; upload refused\n");
    EXPECT_NE(History().find("ERROR = Out of memory for the packet table\n"), std::string::npos);
    EXPECT_TRUE(starved.Packets().empty());
    EXPECT_EQ(sink.Count(ev::kFileFailed), 1u);
    EXPECT_TRUE(line.Written().empty());
}

}  // namespace
}  // namespace quillon
