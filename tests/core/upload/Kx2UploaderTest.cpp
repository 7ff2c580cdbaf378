// Kx2Uploader against a scripted unit on the fake line: packet table, start request, passes,
// resend lists, the final phase, refusals, texts, notifications and the history.
#include "upload/Kx2Uploader.h"

#include <gtest/gtest.h>

#include <fstream>
#include "tests/support/RowName.h"

#include <algorithm>
#include <new>

#include "settings/IniFile.h"
#include "tests/core/upload/Kx2TestSupport.h"

namespace quillon {
namespace {

using test::ScriptedKx2Line;

constexpr char kHistoryNoBegin[] = "ERROR = No/Bad Response from KX2, Step: Begin Upload";
constexpr char kHistoryCancelled[] = "ERROR = KX2 canceled";

class Kx2EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        state.appDir = dir.Dir();
        job.notifications = &sink;
        job.baudRate = 115200;
        unit.answer = test::HonestKx2;
    }

    std::string MakeFile(size_t size, const std::string& name = "FW01.kx") {
        return dir.Write(name, test::Kx2FileContent(size));
    }
    void Settings(const std::string& kx2Lines) { dir.Write("Quillon.ini", "[KX2]\n" + kx2Lines); }
    std::string History() const { return dir.Read("History.txt"); }
    std::vector<std::pair<int, std::string>> Lines() const {
        std::vector<std::pair<int, std::string>> lines;
        for (const test::Recorded& r : sink.All()) {
            if (r.code == UM_LOG_LINE) {
                lines.emplace_back(static_cast<int>(r.wParam), r.text);
            }
        }
        return lines;
    }
    bool Logged(int level, const std::string& text) const {
        auto lines = Lines();
        return std::find(lines.begin(), lines.end(), std::make_pair(level, text)) != lines.end();
    }
    size_t CountLine(const std::string& text) const {
        auto lines = sink.LogLines();
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), text));
    }

    test::TempDir dir;
    test::FakeSerialBackend line;
    ScriptedKx2Line unit{line};
    test::FakeClock clock;
    test::RecordingSink sink;
    ProgramState state;
    UploadJob job;
    SerialPort port{line};
};

struct PacketCase {
    int32_t maxPacketSize;
    size_t fileSize;
    size_t packets;
    size_t lastPayload;
};

class Kx2PacketTableTest : public Kx2EngineTest,
                           public ::testing::WithParamInterface<PacketCase> {};

TEST_P(Kx2PacketTableTest, FileSizeGivesPacketsAndTheFinalOneIsTypeThree) {
    const PacketCase c = GetParam();
    Settings("Max Packet Size=" + std::to_string(c.maxPacketSize) + "\nDelay Between Packets=0\n");
    const std::string path = MakeFile(c.fileSize);
    Kx2Uploader kx2(port, job, clock, state);
    ASSERT_TRUE(kx2.UploadFile(path));

    auto data = unit.DataFrames();
    ASSERT_EQ(data.size(), c.packets);
    for (size_t i = 0; i < data.size(); ++i) {
        EXPECT_EQ(data[i].first, static_cast<int>(i + 1));
        EXPECT_EQ(data[i].second, i + 1 == c.packets ? kKx2LastData : kKx2Data);
    }
    std::string joined;
    for (const Kx2ParsedFrame& f : unit.Frames()) {
        if (f.type == kKx2Data || f.type == kKx2LastData) {
            joined.append(f.payload.begin(), f.payload.end());
        }
    }
    EXPECT_EQ(joined, dir.Read("FW01.kx"));
    const Kx2ParsedFrame* last = nullptr;
    for (const Kx2ParsedFrame& f : unit.Frames()) {
        last = f.type == kKx2LastData ? &f : last;
    }
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->payload.size(), c.lastPayload);
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

TEST_F(Kx2EngineTest, DefaultsGiveFullFramesAnEstimateAndAreWrittenBack) {
    dir.Write("Quillon.ini", "[MISC]\nShow Upload Timing=1\n");
    const std::string path = MakeFile(100 * 1014);
    Kx2Uploader kx2(port, job, clock, state);
    ASSERT_TRUE(kx2.PrepareUpload(path));
    EXPECT_EQ(kx2.PayloadSize(), 1014);
    EXPECT_EQ(kx2.PacketCount(), 100);
    EXPECT_EQ(kx2.Progress().commEstimate, 115);
    EXPECT_EQ(kx2.Progress().totalRemaining, 115);
    EXPECT_EQ(kx2.Progress().currentKindName, "KX2-FILE");

    IniFile ini(state.IniPath());
    EXPECT_EQ(ini.Find("KX2", "Max Packet Size"), "1024");
    EXPECT_EQ(ini.Find("KX2", "Delay Between Packets"), "150");
    EXPECT_EQ(ini.Find("MISC", "Show Upload Timing"), "1");

    ASSERT_TRUE(kx2.UploadFile(path));
    for (const auto& call : line.Calls()) {
        if (call.rfind("WriteBlock", 0) == 0 && call != "WriteBlock(0,1024)") {
            EXPECT_TRUE(call == "WriteBlock(0,33)" || call == "WriteBlock(0,10)") << call;
        }
    }
    EXPECT_EQ(clock.SleptMs(), 100u * 150u);
}

TEST_F(Kx2EngineTest, SettingsThatArePresentAreNotRewritten) {
    Settings("Max Packet Size = 512 ; small\nDelay Between Packets=0\n");
    const std::string before = dir.Read("Quillon.ini");
    Kx2Uploader kx2(port, job, clock, state);
    kx2.LoadUploadSettings();
    EXPECT_EQ(kx2.CurrentSettings().maxPacketSize, 512);
    EXPECT_EQ(kx2.CurrentSettings().delayMs, 0);
    EXPECT_EQ(dir.Read("Quillon.ini"), before);
}

TEST_F(Kx2EngineTest, StartRequestOfAThreeHundredThousandByteFile) {
    const std::string path = MakeFile(300000, "ABC.kx2");
    Kx2Uploader kx2(port, job, clock, state);
    unit.answer = [](const Kx2ParsedFrame&, ScriptedKx2Line& l) { l.Reply(kKx2Cancel); };
    kx2.UploadFile(path);

    ASSERT_FALSE(unit.Frames().empty());
    const Kx2ParsedFrame& start = unit.Frames()[0];
    EXPECT_EQ(start.type, kKx2StartRequest);
    EXPECT_EQ(start.packetNumber, 0);
    auto request = ParseStartRequest(start.payload.data(), start.payload.size());
    ASSERT_TRUE(request);
    EXPECT_EQ(request->fileLength, 300000u);
    EXPECT_EQ(request->baudRate, 115200u);
    EXPECT_EQ(request->maxPacketSize, 1024);
    EXPECT_EQ(request->packetCount, 296);
    EXPECT_EQ(request->delayMs, 150);
    EXPECT_EQ(request->name, "ABC.kx2");
    EXPECT_EQ(start.payload.size() + kKx2Overhead, 33u);
    EXPECT_EQ(line.Calls()[2], "WriteBlock(0,33)");
    EXPECT_EQ(kx2.Progress().commEstimate, 340);
}

TEST_F(Kx2EngineTest, CleanUploadLogsEveryStepWithItsLevel) {
    const std::string path = MakeFile(1014 + 20);
    Kx2Uploader kx2(port, job, clock, state);
    ASSERT_TRUE(kx2.UploadFile(path));
    const std::vector<std::pair<int, std::string>> expected{
        {3, "Prep 3: Success; open file: " + path + "\n"},
        {3, "Prep 4: Scan file; will send 2 data packets to HBD\n\n"},
        {4, "Prep 5: Notify KX2, starting file upload\n"},
        {1, "Sending to KX2 \"Request to start Upload file\n"},
        {1, "Will wait 8 seconds for a response\n"},
        {1, "Note: Received \"Begin Upload\" from KX2\n"},
        {1, "Sending to KX2, packet 1 of 2 (1024 bytes)\n"},
        {6, "(0 ms)\n"},
        {1, "will delay 150 milli-seconds\n"},
        {1, "Sending to KX2, packet 2 of 2 (30 bytes)\n"},
        {6, "(0 ms)\n"},
        {1, "will delay 150 milli-seconds\n"},
        {1, "Finished sending 2 packets to KX2. Will wait 8 seconds for final response\n"},
        // The unit's "complete" came during the pass and was taken there, so the final phase
        // has to ask for it again.
        {1, "Did not correct response from KX2.  Will request \"status\" from KX2\n"},
        {1, "Sending to KX2 \"Status Request\n"},
    };
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(line.Calls()[0], "ClearTransmitQueue(0)");
    EXPECT_EQ(line.Calls()[1], "ClearReceiveQueue(0)");
}

TEST_F(Kx2EngineTest, CleanUploadSendsOnlyItsOwnNotifications) {
    const std::string path = MakeFile(3 * 1014);
    Kx2Uploader kx2(port, job, clock, state);
    ASSERT_TRUE(kx2.UploadFile(path));
    std::vector<int> codes;
    for (const test::Recorded& r : sink.All()) {
        if (r.code != UM_LOG_LINE) {
            codes.push_back(r.code);
            if (r.code == UM_PROGRESS) {
                EXPECT_EQ(r.wParam, codes.size() == 1 ? 1 : 0);
            }
        }
    }
    EXPECT_EQ(codes, (std::vector<int>{UM_PROGRESS, UM_FILE_START, UM_PROGRESS, UM_PROGRESS,
                                       UM_PROGRESS}));
    EXPECT_EQ(kx2.Progress().currentPacketsSent, 3);
    EXPECT_EQ(kx2.Progress().currentRemaining, kx2.Progress().commEstimate - 3);
    // The history has the begin entry and no success entry from this worker.
    EXPECT_NE(History().find("Begin Upload COMM File"), std::string::npos);
    EXPECT_EQ(History().find("Successful"), std::string::npos);
}

TEST_F(Kx2EngineTest, SerialDataIsShownOnlyWhileTheFlagIsOne) {
    state.showSerialData = 1;
    const std::string path = MakeFile(2 * 1014);
    Kx2Uploader kx2(port, job, clock, state);
    ASSERT_TRUE(kx2.UploadFile(path));
    std::vector<test::Recorded> tx, rx;
    for (const test::Recorded& r : sink.All()) {
        if (r.code == UM_TX_BYTES) {
            tx.push_back(r);
        } else if (r.code == UM_RX_BYTES) {
            rx.push_back(r);
        }
    }
    ASSERT_EQ(tx.size(), 4u);  // start request, two data frames and a status request, whole
    EXPECT_EQ(tx[0].bytes.size(), 33u);
    EXPECT_EQ(tx[1].wParam, 1024);
    EXPECT_EQ(tx[1].bytes.size(), 1024u);
    // Each answer: its first byte as it is found, then the whole frame.
    ASSERT_EQ(rx.size(), 6u);
    EXPECT_EQ(rx[0].bytes, std::vector<uint8_t>{kKx2FrameStart});
    EXPECT_EQ(rx[0].wParam, 1);
    EXPECT_EQ(rx[1].bytes, BuildUnitFrame(kKx2BeginUpload));
    EXPECT_EQ(rx[5].bytes, BuildUnitFrame(kKx2Complete));
}

TEST_F(Kx2EngineTest, ResendListNamingFiveAndNineSendsExactlyThose) {
    const std::string path = MakeFile(12 * 1014);
    // Asked for its state after the pass, the unit lists 5 and 9; asked again, it is done.
    unit.answer = [&](const Kx2ParsedFrame& f, ScriptedKx2Line& l) {
        if (f.type == kKx2StartRequest) {
            l.Reply(kKx2BeginUpload);
        } else if (f.type == kKx2StatusRequest && l.CountType(kKx2StatusRequest) == 1) {
            l.ReplyResend({5, 9});
        } else if (f.type == kKx2StatusRequest) {
            l.Reply(kKx2Complete);
        }
    };
    Kx2Uploader kx2(port, job, clock, state);
    ASSERT_TRUE(kx2.UploadFile(path));
    auto data = unit.DataFrames();
    ASSERT_EQ(data.size(), 14u);
    EXPECT_EQ(data[12], std::make_pair(5, int(kKx2Data)));
    EXPECT_EQ(data[13], std::make_pair(9, int(kKx2LastData)));
    EXPECT_EQ(CountLine("Finished sending 12 packets to KX2. Will wait 8 seconds for final "
                        "response\n"),
              2u);
}

TEST_F(Kx2EngineTest, ResendListWithNothingUsableClearsEveryFlag) {
    for (const std::vector<int16_t>& list :
         {std::vector<int16_t>{}, std::vector<int16_t>{0, -1, 5, 300, -32768}}) {
        SCOPED_TRACE(list.size());
        test::FakeSerialBackend freshLine;
        ScriptedKx2Line freshUnit(freshLine);
        SerialPort freshPort(freshLine);
        bool listed = false;
        freshUnit.answer = [&](const Kx2ParsedFrame& f, ScriptedKx2Line& l) {
            if (f.type == kKx2StartRequest) {
                l.Reply(kKx2BeginUpload);
            } else if (f.type == kKx2LastData && !listed) {
                listed = true;
                l.ReplyResend(list);
            } else if (f.type == kKx2StatusRequest) {
                l.Reply(kKx2Complete);
            }
        };
        const std::string path = MakeFile(4 * 1014);
        Kx2Uploader kx2(freshPort, job, clock, state);
        ASSERT_TRUE(kx2.UploadFile(path));
        EXPECT_EQ(freshUnit.DataFrames().size(), 4u) << "the pass after the list sends nothing";
        EXPECT_EQ(freshUnit.CountType(kKx2StatusRequest), 1u);
    }
}

TEST_F(Kx2EngineTest, ResendListArrivingMidPassReplacesTheFlagsAtOnce) {
    const std::string path = MakeFile(6 * 1014);
    unit.answer = [&](const Kx2ParsedFrame& f, ScriptedKx2Line& l) {
        if (f.type == kKx2StartRequest) {
            l.Reply(kKx2BeginUpload);
        } else if (f.packetNumber == 2 && f.type == kKx2Data && unit.DataFrames().size() == 2) {
            l.ReplyResend({1, 4});  // the rest of this pass: 4 only, as the last
        } else if (f.type == kKx2StatusRequest) {
            l.Reply(kKx2Complete);
        }
    };
    Kx2Uploader kx2(port, job, clock, state);
    ASSERT_TRUE(kx2.UploadFile(path));
    auto data = unit.DataFrames();
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[2], std::make_pair(4, int(kKx2LastData)));
}

TEST_F(Kx2EngineTest, CompleteDuringASendingPassIsConsumedThere) {
    const std::string path = MakeFile(5 * 1014);
    unit.answer = [&](const Kx2ParsedFrame& f, ScriptedKx2Line& l) {
        if (f.type == kKx2StartRequest) {
            l.Reply(kKx2BeginUpload);
        } else if (f.packetNumber == 2) {
            l.Reply(kKx2Complete);
        } else if (f.type == kKx2StatusRequest) {
            l.Reply(kKx2Complete);
        }
    };
    Kx2Uploader kx2(port, job, clock, state);
    ASSERT_TRUE(kx2.UploadFile(path));
    EXPECT_EQ(unit.DataFrames().size(), 5u);
    EXPECT_EQ(unit.CountType(kKx2StatusRequest), 1u) << "the final phase had to ask again";
    EXPECT_TRUE(
        Logged(1, "Did not correct response from KX2.  Will request \"status\" from KX2\n"));
    EXPECT_TRUE(Logged(1, "Sending to KX2 \"Status Request\n"));
}

TEST_F(Kx2EngineTest, CancelInTheHandshakeIsABeginUploadFailure) {
    const std::string path = MakeFile(3 * 1014);
    unit.answer = [](const Kx2ParsedFrame&, ScriptedKx2Line& l) { l.Reply(kKx2Cancel); };
    Kx2Uploader kx2(port, job, clock, state);
    EXPECT_FALSE(kx2.UploadFile(path));
    EXPECT_EQ(unit.CountType(kKx2StartRequest), 1u);
    EXPECT_TRUE(unit.DataFrames().empty());
    EXPECT_TRUE(Logged(0, "CAUTION: KX2 canceled the session. Will Abort\n"));
    EXPECT_FALSE(Logged(0, "Giving Up! Did not get proper response from KX2 after 3 tries\n"));
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 1u);
    EXPECT_NE(History().find(kHistoryNoBegin), std::string::npos);
    EXPECT_EQ(kx2.Outcome(), RunOutcome::kFailed);
    EXPECT_TRUE(kx2.Packets().empty());
}

TEST_F(Kx2EngineTest, CancelAfterTheHandshakeStopsTheSendingPass) {
    const std::string path = MakeFile(8 * 1014);
    unit.answer = [](const Kx2ParsedFrame& f, ScriptedKx2Line& l) {
        if (f.type == kKx2StartRequest) {
            l.Reply(kKx2BeginUpload);
        } else if (f.packetNumber == 3) {
            l.Reply(kKx2Cancel);
        }
    };
    Kx2Uploader kx2(port, job, clock, state);
    EXPECT_FALSE(kx2.UploadFile(path));
    EXPECT_EQ(unit.DataFrames().size(), 3u);
    EXPECT_EQ(CountLine("CAUTION: KX2 canceled the session. Will Abort\n"), 1u);
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 1u);
    EXPECT_NE(History().find(kHistoryCancelled), std::string::npos);
    EXPECT_EQ(History().find(kHistoryNoBegin), std::string::npos);
    EXPECT_EQ(kx2.Outcome(), RunOutcome::kFailed);
}

TEST_F(Kx2EngineTest, CancelInTheFinalPhaseOrInAResendPass) {
    for (bool inResendPass : {false, true}) {
        SCOPED_TRACE(inResendPass);
        test::FakeSerialBackend freshLine;
        ScriptedKx2Line freshUnit(freshLine);
        SerialPort freshPort(freshLine);
        test::RecordingSink freshSink;
        job.notifications = &freshSink;
        freshUnit.answer = [&](const Kx2ParsedFrame& f, ScriptedKx2Line& l) {
            if (f.type == kKx2StartRequest) {
                l.Reply(kKx2BeginUpload);
            } else if (f.type == kKx2StatusRequest) {
                inResendPass ? l.ReplyResend({1, 2}) : l.Reply(kKx2Cancel);
            } else if (f.packetNumber == 1 && freshUnit.DataFrames().size() > 3) {
                l.Reply(kKx2Cancel);
            }
        };
        const std::string path = MakeFile(3 * 1014);
        Kx2Uploader kx2(freshPort, job, clock, state);
        EXPECT_FALSE(kx2.UploadFile(path));
        EXPECT_EQ(freshUnit.DataFrames().size(), inResendPass ? 4u : 3u);
        EXPECT_EQ(freshSink.Count(UM_FILE_FAILED), 1u);
        EXPECT_EQ(kx2.Outcome(), RunOutcome::kFailed);
    }
    EXPECT_NE(History().find(kHistoryCancelled), std::string::npos);
}

TEST_F(Kx2EngineTest, NoAnswerToTheStartRequestGivesUpAfterThreeTries) {
    const std::string path = MakeFile(3 * 1014);
    unit.answer = nullptr;
    Kx2Uploader kx2(port, job, clock, state);
    EXPECT_FALSE(kx2.UploadFile(path));
    EXPECT_EQ(unit.CountType(kKx2StartRequest), 3u);
    EXPECT_EQ(CountLine("Sending to KX2 \"Request to start Upload file\n"), 3u);
    EXPECT_EQ(CountLine("Will wait 8 seconds for a response\n"), 3u);
    EXPECT_TRUE(Logged(0, "Giving Up! Did not get proper response from KX2 after 3 tries\n"));
    EXPECT_EQ(clock.ElapsedMs(), 3u * 16u * 500u) << "a silent line still waits 8 s per try";
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 1u);
    EXPECT_NE(History().find(kHistoryNoBegin), std::string::npos);
    EXPECT_TRUE(unit.DataFrames().empty());
}

TEST_F(Kx2EngineTest, UnknownAnswerEndsTheTryAtOnce) {
    const std::string path = MakeFile(1014);
    unit.answer = [](const Kx2ParsedFrame& f, ScriptedKx2Line& l) {
        if (f.type == kKx2StartRequest) {
            l.Reply(f.packetNumber == 0 && l.CountType(kKx2StartRequest) == 1 ? 0x2A
                                                                              : kKx2BeginUpload);
        } else {
            l.Reply(kKx2Complete);
        }
    };
    Kx2Uploader kx2(port, job, clock, state);
    EXPECT_TRUE(kx2.UploadFile(path));
    EXPECT_TRUE(Logged(0, "ERROR: Unknown response (0) from KX2\n"));
    EXPECT_EQ(unit.CountType(kKx2StartRequest), 2u);
    // No wait after the unknown answer: only the pacing and the final phase's one wait.
    EXPECT_EQ(clock.ElapsedMs(), 150u + 16u * 500u);
}

TEST_F(Kx2EngineTest, AbortSeenAfterAFailedHandshakeEndsQuietly) {
    const std::string path = MakeFile(1014);
    unit.answer = nullptr;
    job.abortRequest = 1;
    Kx2Uploader kx2(port, job, clock, state);
    EXPECT_FALSE(kx2.UploadFile(path));
    EXPECT_EQ(kx2.Outcome(), RunOutcome::kAborted);
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 0u);
    EXPECT_EQ(History().find("FAILED"), std::string::npos);
}

TEST_F(Kx2EngineTest, FinalPhaseRunningOutIsNotAFailure) {
    const std::string path = MakeFile(2 * 1014);
    unit.answer = [](const Kx2ParsedFrame& f, ScriptedKx2Line& l) {
        if (f.type == kKx2StartRequest) {
            l.Reply(kKx2BeginUpload);
        }
    };
    Kx2Uploader kx2(port, job, clock, state);
    EXPECT_FALSE(kx2.UploadFile(path));
    EXPECT_EQ(kx2.Outcome(), RunOutcome::kNoFinalAnswer);
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 0u);
    EXPECT_EQ(History().find("FAILED"), std::string::npos);
    EXPECT_EQ(unit.CountType(kKx2StatusRequest), 4u * 3u);
    EXPECT_EQ(CountLine("Finished sending 2 packets to KX2. Will wait 8 seconds for final "
                        "response\n"),
              4u);
    EXPECT_TRUE(kx2.Packets().empty());
}

TEST_F(Kx2EngineTest, UnknownAnswersInTheFinalPhaseCountAsFailedWaits) {
    const std::string path = MakeFile(1014);
    unit.answer = [](const Kx2ParsedFrame& f, ScriptedKx2Line& l) {
        if (f.type == kKx2StartRequest) {
            l.Reply(kKx2BeginUpload);
        } else if (f.type == kKx2StatusRequest && l.CountType(kKx2StatusRequest) == 1) {
            l.Reply(kKx2BeginUpload);  // not an answer the final phase takes
        } else if (f.type == kKx2StatusRequest) {
            l.Reply(kKx2Complete);
        }
    };
    Kx2Uploader kx2(port, job, clock, state);
    EXPECT_TRUE(kx2.UploadFile(path));
    EXPECT_TRUE(Logged(0, "ERROR: Unknown response (14) from KX2\n"));
    EXPECT_EQ(unit.CountType(kKx2StatusRequest), 2u);
}

TEST_F(Kx2EngineTest, UnopenableFileFailsQuietlyInPreparation) {
    Kx2Uploader kx2(port, job, clock, state);
    const std::string missing = dir.File("missing.kx");
    EXPECT_FALSE(kx2.UploadFile(missing));
    EXPECT_TRUE(Logged(0, "ERROR: Failed to open COMM File\"" + missing + "\"!\n"));
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 0u);
    EXPECT_TRUE(line.Written().empty());
    EXPECT_EQ(kx2.Outcome(), RunOutcome::kFailed);
}

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
    const std::string path = MakeFile(c.fileSize, c.fileName);
    Kx2Uploader kx2(port, job, clock, state);
    EXPECT_FALSE(kx2.UploadFile(path));
    EXPECT_TRUE(line.Written().empty());
    bool found = false;
    for (const auto& [level, text] : Lines()) {
        found = found || (level == 0 && text.rfind(c.logStart, 0) == 0 &&
                          text.find("upload refused\n") != std::string::npos);
    }
    EXPECT_TRUE(found) << c.logStart;
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 1u);
    EXPECT_NE(History().find("ERROR = " + c.historyText + "\n"), std::string::npos) << History();
    EXPECT_EQ(kx2.Outcome(), RunOutcome::kFailed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Kx2RefusalTest,
    ::testing::Values(
        RefusalCase{"SmallPacket", "Max Packet Size=10\n", "A.kx", 100,
                    "ERROR: Max Packet Size 10 is outside", "Max Packet Size outside 11 to 4096"},
        RefusalCase{"NegativePacket", "Max Packet Size=-5\n", "A.kx", 100,
                    "ERROR: Max Packet Size -5 is outside", "Max Packet Size outside 11 to 4096"},
        RefusalCase{"LargePacket", "Max Packet Size=4097\n", "A.kx", 100,
                    "ERROR: Max Packet Size 4097 is outside", "Max Packet Size outside 11 to 4096"},
        RefusalCase{"NegativeDelay", "Delay Between Packets=-1\n", "A.kx", 100,
                    "ERROR: Delay Between Packets -1 is outside",
                    "Delay Between Packets outside 0 to 65535"},
        RefusalCase{"HugeDelay", "Delay Between Packets=65536\n", "A.kx", 100,
                    "ERROR: Delay Between Packets 65536 is outside",
                    "Delay Between Packets outside 0 to 65535"},
        RefusalCase{"EmptyFile", "", "A.kx", 0, "ERROR: File \"", "File is empty"},
        RefusalCase{"LongName", "", std::string(47, 'N') + ".kx", 100, "ERROR: File name \"",
                    "File name longer than 49 characters"},
        RefusalCase{"TooManyPackets", "Max Packet Size=11\n", "A.kx", 5001,
                    "ERROR: File needs 5001 packets, more than 5000",
                    "File needs more than 5000 packets"}),
    [](const ::testing::TestParamInfo<RefusalCase>& p) { return std::string(p.param.name); });

TEST_F(Kx2EngineTest, LimitsThemselvesAreAccepted) {
    Settings("Max Packet Size=11\nDelay Between Packets=0\n");
    const std::string path = MakeFile(5000, std::string(46, 'N') + ".kx");  // 49 characters
    Kx2Uploader kx2(port, job, clock, state);
    EXPECT_TRUE(kx2.UploadFile(path));
    EXPECT_EQ(unit.DataFrames().size(), 5000u);
    auto request =
        ParseStartRequest(unit.Frames()[0].payload.data(), unit.Frames()[0].payload.size());
    ASSERT_TRUE(request);
    EXPECT_EQ(request->name.size(), 49u);
}

// Runs out of memory at one chosen packet.
class StarvedKx2 : public Kx2Uploader {
  public:
    using Kx2Uploader::Kx2Uploader;
    int failAt = 0;
    std::string growPath;  // appended to while the first packet is taken

  protected:
    std::vector<uint8_t> CopyPacketBytes(const uint8_t* bytes, size_t count) override {
        if (++copies_ == failAt) {
            throw std::bad_alloc();
        }
        if (copies_ == 1 && !growPath.empty()) {
            std::ofstream(growPath, std::ios::binary | std::ios::app) << std::string(2000, 'g');
        }
        return Kx2Uploader::CopyPacketBytes(bytes, count);
    }

  private:
    int copies_ = 0;
};

TEST_F(Kx2EngineTest, NoMemoryForAPacketIsRefusedBeforeTheStartRequest) {
    const std::string path = MakeFile(6 * 1014);
    StarvedKx2 kx2(port, job, clock, state);
    kx2.failAt = 4;
    EXPECT_FALSE(kx2.UploadFile(path));
    EXPECT_TRUE(line.Written().empty());
    EXPECT_TRUE(Logged(0, "ERROR: Out of memory for packet 4; upload refused\n"));
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 1u);
    EXPECT_NE(History().find("ERROR = Out of memory for the packet table\n"), std::string::npos);
    EXPECT_TRUE(kx2.Packets().empty());
}

TEST_F(Kx2EngineTest, AFileThatGrowsWhileItIsReadIsRefused) {
    const std::string path = MakeFile(2 * 1014);
    StarvedKx2 kx2(port, job, clock, state);
    kx2.growPath = path;
    EXPECT_FALSE(kx2.UploadFile(path));
    EXPECT_TRUE(line.Written().empty());
    EXPECT_NE(History().find("ERROR = File changed while it was read\n"), std::string::npos);
}

TEST_F(Kx2EngineTest, AFlagSetInTheHandshakeDoesNotThinTheFirstPass) {
    const std::string path = MakeFile(3 * 1014);
    unit.answer = [](const Kx2ParsedFrame& f, ScriptedKx2Line& l) {
        if (f.type == kKx2StartRequest && l.CountType(kKx2StartRequest) == 1) {
            l.ReplyResend({2});  // unknown at this point, but it decodes as a list
        } else if (f.type == kKx2StartRequest) {
            l.Reply(kKx2BeginUpload);
        } else if (f.type == kKx2StatusRequest) {
            l.Reply(kKx2Complete);
        }
    };
    Kx2Uploader kx2(port, job, clock, state);
    EXPECT_TRUE(kx2.UploadFile(path));
    EXPECT_TRUE(Logged(0, "ERROR: Unknown response (13) from KX2\n"));
    EXPECT_EQ(unit.DataFrames().size(), 3u);
}

TEST_F(Kx2EngineTest, UnfinishedFrameCountsAsNoFrameWithinTheReadBound) {
    const std::string path = MakeFile(1014);
    unit.answer = [](const Kx2ParsedFrame& f, ScriptedKx2Line& l) {
        if (f.type == kKx2StartRequest && l.CountType(kKx2StartRequest) == 1) {
            l.ReplyBytes({0x01, 0x50, 0x40, 0x00, 0x00, 0x00, kKx2BeginUpload});
        } else if (f.type == kKx2StartRequest) {
            l.Reply(kKx2BeginUpload);
        } else {
            l.Reply(kKx2Complete);
        }
    };
    Kx2Uploader kx2(port, job, clock, state);
    EXPECT_TRUE(kx2.UploadFile(path));
    EXPECT_EQ(unit.CountType(kKx2StartRequest), 2u);
    // 94 empty reads of 20 ms inside the first poll and 16 waits of 500 ms in the first try,
    // then the pacing and the final phase's one wait.
    EXPECT_EQ(clock.ElapsedMs(), 94u * 20u + 16u * 500u + 150u + 16u * 500u);
}

}  // namespace
}  // namespace quillon
