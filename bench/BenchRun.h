// One upload run as the command line runs it, for the bench programs: the session's start steps
// on file (refusals printed to stderr), then the worker on device with the system's serial
// library, waited for. Returns the run's outcome and the seconds from Start to the worker's end.
#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "serial/SystemSerialBackend.h"
#include "session/UploadSession.h"

namespace quillon::bench {

class StderrReporter final : public ErrorReporter {
  public:
    void ShowError(int number, const std::optional<std::string>& fileName,
                   const std::string& text) override {
        std::fprintf(stderr, "error %d %s: %s\n", number, fileName.value_or("-").c_str(),
                     text.c_str());
    }
};

struct BenchResult {
    RunOutcome outcome = RunOutcome::kNotFinished;
    double seconds = 0;
};

inline BenchResult RunUpload(ProgramState& state, Clock& clock, const std::string& file, bool kx2,
                             const std::string& device, int baudRate,
                             std::shared_ptr<EventSink> events) {
    UploadSession session(state, clock);
    StderrReporter errors;
    const PortName port{1, device};
    if (!session.CheckFiles({file, std::nullopt, std::nullopt}, kx2, false,
                            IniFile(state.IniPath()), errors) ||
        !session.CheckPort(MakeSystemSerialBackend(), port, baudRate, errors)) {
        return {};
    }
    const auto begin = std::chrono::steady_clock::now();
    session.Start(RunLine{port, baudRate}, std::move(events));
    session.Wait();
    return {session.Outcome(),
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count()};
}

}  // namespace quillon::bench
