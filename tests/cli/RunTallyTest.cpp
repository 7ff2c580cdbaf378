#include <gtest/gtest.h>

#include "cli/RunTally.h"

namespace quillon::cli {
namespace {

// A COMM board that goes wrong twice (each burst of error lines is one try) and completes, then
// a READER board that fails; SPEECH is never reached.
TEST(RunTallyTest, CountsEachBurstOfErrorsOnceAndFollowsEachBoard) {
    RunTally tally;
    tally.Expect(FileKind::kComm, "/fw/c.bin");
    tally.Expect(FileKind::kReader, "/fw/r.bin");
    tally.Expect(FileKind::kSpeech, "/fw/s.bin");
    UploadProgress p;
    p.currentKind = FileKind::kComm;
    tally.Note(event::FileStart{p});
    const int levels[] = {kLevelHost, kLevelError, kLevelError, kLevelAck, kLevelError};
    int wrongTries = 0;
    for (int level : levels) {
        wrongTries += tally.Note(event::LogLine{level, "line\n"}) ? 1 : 0;
    }
    EXPECT_EQ(wrongTries, 2);
    tally.Note(event::FileDone{p});
    p.currentKind = FileKind::kReader;
    tally.Note(event::FileStart{p});
    tally.Note(event::FileFailed{p, "Next Packet", FailureCause::kBadAnswer});

    const RunTally::Board* comm = tally.Find(FileKind::kComm);
    const RunTally::Board* reader = tally.Find(FileKind::kReader);
    const RunTally::Board* speech = tally.Find(FileKind::kSpeech);
    ASSERT_TRUE(comm && reader && speech);
    EXPECT_EQ(comm->state, RunTally::BoardState::kCompleted);
    EXPECT_EQ(comm->wrongTries, 2);
    EXPECT_EQ(reader->state, RunTally::BoardState::kFailed);
    EXPECT_EQ(reader->failureStep, "Next Packet");
    EXPECT_EQ(reader->failureCause, FailureCause::kBadAnswer);
    EXPECT_EQ(speech->state, RunTally::BoardState::kNotAttempted);
}

}  // namespace
}  // namespace quillon::cli
