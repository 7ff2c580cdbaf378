// The rules every run of a fault plan keeps, over the soak's pseudo-terminals or the fuzz target's
// stepped loopback line (see FaultSoak.h).
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#include "tests/core/upload/HbdTestSupport.h"
#include "tests/core/upload/Kx2TestSupport.h"

namespace quillon::test {

struct FinishedRun {
    RunOutcome expected = RunOutcome::kCompleted;
    const UploadJob* job = nullptr;
    const RecordingSink* sink = nullptr;
    std::string history{};  // History.txt after the run (and only this run)
    bool kx2 = false;
    std::vector<std::pair<FileKind, std::string>> files{
        // HBD: in the order sent
        {FileKind::kComm, PatternBytes(kBoardHeaderBytes + 3 * 1024 + 17, 1)},
        {FileKind::kSpeech, PatternBytes(1500, 2)}};
    std::vector<sim::ReceivedBoard> boards{};       // HBD: what the unit took in this run
    std::string kx = Kx2FileContent(5 * 200 + 77);  // KX2: the .kx file as checked
    sim::Kx2Unit::Report report{};
};

// The files, ports and other descriptors this process holds open. Not counted on Windows, where
// Wine's handle count stays the same with a file left open: there the loopback line says whether
// the port was closed, and nothing else.
inline int OpenDescriptors() {
#ifdef _WIN32
    return 0;
#else
    return static_cast<int>(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
#endif
}

inline size_t Occurrences(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// What went wrong; empty when the run kept every rule.
inline std::vector<std::string> CheckRun(const FinishedRun& run) {
    using O = RunOutcome;
    std::vector<std::string> wrong;
    auto expect = [&wrong](bool good, const std::string& what) {
        wrong.insert(wrong.end(), good ? 0 : 1, what);
    };
    const std::vector<int> codes = run.sink->Codes();
    auto count = [&codes](int code) {
        return size_t(std::count(codes.begin(), codes.end(), code));
    };
    expect(run.job->outcome == run.expected, std::string("ended ") +
                                                 RunOutcomeName(run.job->outcome) + ", not " +
                                                 RunOutcomeName(run.expected));
    expect(run.job->finished && !codes.empty() && codes.back() == ev::kWorkerDone,
           "the run did not end with the finished flag and ev::kWorkerDone");
    // Every ending is in the history: an abort as the failure of the file it stopped, a KX2
    // image the unit never confirmed as a failure too.
    const size_t failedNotes = count(ev::kFileFailed);
    const size_t failures = Occurrences(run.history, " File FAILED!");
    const size_t aborts = Occurrences(run.history, "ERROR = *** USER ABORTED UPLOAD ***");
    const bool failed = run.expected == O::kFailed || run.expected == O::kNoFinalAnswer;
    expect(failedNotes == (failed ? 1u : 0u) && failures == failedNotes + aborts &&
               (aborts != 0) == (run.expected == O::kAborted),
           "failures and aborts in the history do not match the run:\n" + run.history);
    expect(Occurrences(run.history, " File Successful (") == count(ev::kFileDone),
           "successes in the history differ from the files reported done:\n" + run.history);
    if (run.kx2) {
        expect(run.report.badFrames + run.report.badDataFrames + run.report.badStartRequests == 0,
               "the host sent a malformed frame");
        expect(run.expected != O::kCompleted ||
                   (run.report.complete &&
                    run.report.image == std::vector<uint8_t>(run.kx.begin(), run.kx.end())),
               "completed without the exact image at the unit");
        return wrong;
    }
    bool exact = run.boards.size() == run.files.size();
    for (size_t i = 0; exact && i < run.files.size(); ++i) {
        exact = run.boards[i].kind == run.files[i].first &&
                run.boards[i].image == ExpectedImage(run.files[i].second, run.files[i].first);
    }
    expect(run.expected != O::kCompleted || exact,
           "completed without every board byte-exact at the unit");
    return wrong;
}

}  // namespace quillon::test
