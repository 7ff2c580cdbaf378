// quillon7-cli upload: the same checks, settings, worker and records as the desktop's Start.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <optional>
#include <thread>

#include "cli/BaudOption.h"
#include "cli/CliContext.h"
#include "cli/Console.h"
#include "cli/ConsoleErrorReporter.h"
#include "cli/ConsoleReporter.h"
#include "cli/InterruptWatcher.h"
#include "cli/JsonReporter.h"
#include "cli/SettingEffect.h"
#include "platform/AppDirectory.h"
#include "program/ArgParser.h"
#include "serial/PortName.h"
#include "serial/SerialPort.h"
#include "serial/SystemSerialBackend.h"
#include "session/UploadSession.h"
#include "settings/SettingsKeys.h"
#include "sim/SimulatedLine.h"

namespace quillon::cli {

namespace {

int ExitFor(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::kCompleted:
            return kExitOk;
        case RunOutcome::kAborted:
            return kExitInterrupted;
        case RunOutcome::kPortOpenFailed:
            return kExitPortFailed;
        default:
            return kExitFailed;
    }
}

// The line of the run: the simulated unit, --port, or the settings file's port. Returns an exit
// status when it cannot be had, else kExitOk.
int ChoosePort(const ArgParser& parser, const IniFile& ini, bool kx2, PortName* port,
               std::unique_ptr<sim::SimulatedLine>* simulated, ConsoleErrorReporter& errors) {
    std::optional<PortName> typed;
    if (parser.Has("simulate")) {
        std::string error;
        *simulated = sim::SimulatedLine::Start(kx2, &error);
        if (!*simulated) {
            errors.Say("upload", error);
            return kExitPortFailed;
        }
        typed = PortName{0, (*simulated)->DevicePath()};
    } else if (auto text = parser.Value("port")) {
        std::string error;
        typed = PortName::Parse(*text, &error);
        if (!typed) {
            errors.Say("upload", error);
            return kExitUsage;
        }
    }
    *port = UploadSession::ChoosePort(ini, typed);
    return kExitOk;
}

// The boards in the order the worker will upload them.
void ExpectBoards(RunTally& tally, const FileSelection& files, bool commFirst) {
    const std::optional<std::string>& first = commFirst ? files.comm : files.reader;
    const std::optional<std::string>& second = commFirst ? files.reader : files.comm;
    if (first) {
        tally.Expect(commFirst ? FileKind::kComm : FileKind::kReader, *first);
    }
    if (second) {
        tally.Expect(commFirst ? FileKind::kReader : FileKind::kComm, *second);
    }
    if (files.speech) {
        tally.Expect(FileKind::kSpeech, *files.speech);
    }
}

// What --json, --quiet and -v/--verbose ask for; --json is seen even in arguments that do not
// parse, so their usage error comes as JSON too.
struct Output {
    bool json = false;
    OutputMode mode = OutputMode::kNormal;
};

Output ChooseOutput(const std::vector<std::string>& args) {
    Output output;
    for (const std::string& arg : args) {
        output.json = output.json || arg == "--json";
        if (arg == "--quiet") {
            output.mode = OutputMode::kQuiet;
        } else if (arg == "--verbose" || arg == "-v") {
            output.mode = OutputMode::kVerbose;
        }
    }
    return output;
}

// The run itself, after every check: the session's worker, its events to the chosen reporter;
// the caller prints the summary or the JSON result. Returns the exit status.
struct Run {
    UploadSession& session;
    const RunLine& line;
    InterruptWatcher& interrupts;
    const CliContext& context;
    bool json;
};

// A second Ctrl-C and a worker that did not stop within its grace (stuck writing to a console
// that takes nothing, say): the board in progress is recorded as aborted and the result said,
// then the program ends without waiting for the worker.
[[noreturn]] void QuitAtOnce(const Run& run) {
    run.session.RecordStopped();
    // The output that held the worker up may hold this up too: the last words get a second.
    std::promise<void> said;
    std::future<void> saying = said.get_future();
    std::thread([&run, done = std::move(said)]() mutable {
        if (run.json) {
            JsonReporter(run.context.out, run.context.err, "", "", 0)
                .PrintResult(RunOutcome::kAborted, kExitInterrupted);
        }
        std::fputs("Interrupted.\n", run.context.err);
        std::fflush(nullptr);
        done.set_value();
    }).detach();
    saying.wait_for(std::chrono::seconds(1));
    std::_Exit(kExitInterrupted);
}

int Upload(const Run& run, std::shared_ptr<EventSink> sink) {
    // Woken as the worker ends: the sink's last event is the worker's last word.
    struct WakingSink final : EventSink {
        std::shared_ptr<EventSink> inner;
        InterruptWatcher& interrupts;
        WakingSink(std::shared_ptr<EventSink> i, InterruptWatcher& w)
            : inner(std::move(i)), interrupts(w) {}
        void Send(const UploadEvent& e) override {
            inner->Send(e);
            if (std::holds_alternative<event::WorkerDone>(e) ||
                std::holds_alternative<event::PortOpenFailed>(e)) {
                interrupts.Wake();
            }
        }
    };
    run.session.Start(run.line, std::make_shared<WakingSink>(std::move(sink), run.interrupts));
    if (!run.interrupts.WaitForRun(
            [&] { return run.session.Job().outcome.load() != RunOutcome::kNotFinished; },
            run.context.err)) {
        QuitAtOnce(run);
    }
    run.session.Wait();
    return ExitFor(run.session.Outcome());
}

// Options that cannot go together or say nothing usable; false after saying which. The baud
// rate typed, if any, goes to *typedBaud.
bool OptionsAgree(const ArgParser& parser, std::optional<int>* typedBaud,
                  ConsoleErrorReporter& errors) {
    const char* clash = nullptr;
    if (parser.Has("verbose") && parser.Has("quiet")) {
        clash = "give -v or --quiet, not both";
    } else if (parser.Has("kx") &&
               (parser.Has("comm") || parser.Has("reader") || parser.Has("speech"))) {
        clash = "--kx cannot be combined with HBD files";
    } else if (parser.Has("port") && parser.Has("simulate")) {
        clash = "give --port or --simulate, not both";
    }
    if (clash != nullptr) {
        errors.Say("upload", clash);
        return false;
    }
    if (!ParseBaudOption(parser, "upload", typedBaud, errors)) {
        return false;
    }
    std::string portError;
    if (auto text = parser.Value("port"); text && !PortName::Parse(*text, &portError)) {
        errors.Say("upload", portError);
        return false;
    }
    return true;
}

// How the run is shown: the output chosen and the header's unit, device and rate.
struct View {
    const Output& output;
    bool kx2;
    const char* unit;
    const std::string& device;
    int baud;
};

int UploadWithJson(const Run& run, const View& view, const FileSelection& files) {
    auto reporter = std::make_shared<JsonReporter>(run.context.out, run.context.err, view.unit,
                                                   view.device, view.baud);
    ExpectBoards(reporter->Tally(), files, run.line.commFirst);
    const int status = Upload(run, reporter);
    reporter->PrintResult(run.session.Outcome(), status);
    return status;
}

int UploadOnConsole(const Run& run, const View& view, const FileSelection& files,
                    const std::string& historyPath) {
    std::FILE* out = run.context.out;
    const bool terminal = IsTerminal(out);
    const bool escapes = terminal && TerminalTakesEscapes(out);
    auto reporter = std::make_shared<ConsoleReporter>(
        out, run.context.err, view.output.mode,
        ConsoleKind{terminal, escapes && std::getenv("NO_COLOR") == nullptr, escapes});
    ExpectBoards(reporter->Tally(), files, run.line.commFirst);
    reporter->PrintHeader(view.unit, view.device, view.baud);
    const int status = Upload(run, reporter);
    reporter->PrintSummary(run.session.Outcome(), view.kx2, historyPath);
    return status;
}

}  // namespace

int RunUpload(const CliContext& context) {
    const Output output = ChooseOutput(context.args);
    ConsoleErrorReporter errors(context.err, output.json ? context.out : nullptr);
    // Every --json run ends with its result line, also one refused before it started.
    auto refuse = [&](int status) {
        if (output.json) {
            JsonReporter(context.out, context.err, "", "", 0)
                .PrintResult(RunOutcome::kNotFinished, status);
        }
        return status;
    };
    ArgParser parser = CommandParser(context);
    if (const Parsed parsed = ParseCommandLine(context, parser, errors); parsed != Parsed::kRun) {
        return parsed == Parsed::kHelpShown ? kExitOk : refuse(kExitUsage);
    }
    std::optional<int> typedBaud;
    if (!OptionsAgree(parser, &typedBaud, errors)) {
        return refuse(kExitUsage);
    }
    const bool kx2 = parser.Has("kx");
    ProgramState state;
    state.appDir = ResolveAppDirectory(parser.Value("app-dir").value_or(""));
    IniFile ini(state.IniPath());
    SystemClock clock;
    UploadSession session(state, clock);
    // Every file is read once, here, before anything is written or opened: what the checks
    // passed is what the unit gets, whatever happens to the files on disk from now on.
    const FileSelection files = SelectedFiles(parser, kx2);
    if (!session.CheckFiles(files, kx2, !parser.Has("no-validate"), ini, errors)) {
        return refuse(kExitUsage);
    }

    // Every thread started from here on (the simulated unit, the worker) inherits the blocked
    // signals, so Ctrl-C reaches only the watcher.
    InterruptWatcher interrupts([&session] { session.Stop(); });

    CreateAppFolders(state.appDir);
    WarnAboutSettingsFile(state.IniPath(), context.err);
    settings::CreateDefaultFile(ini);
    state.isKx2 = kx2;
    state.showSerialData = parser.Has("show-bytes");

    session.ApplyTamarackMarkers(ini);
    FileSelection remembered = files;
    if (kx2) {
        remembered.comm.reset();  // the desktop's COMM file stays what it was
    }
    UploadSession::RememberFiles(remembered, ini);

    const int baud = ChooseBaud(typedBaud, ini, "upload", context.err);
    std::unique_ptr<sim::SimulatedLine> simulated;
    PortName port;
    if (int status = ChoosePort(parser, ini, kx2, &port, &simulated, errors); status != kExitOk) {
        return refuse(status);
    }
    // The simulated unit comes with the serial library that reaches it.
    const std::shared_ptr<SerialBackend> line =
        simulated ? simulated->Backend() : MakeSystemSerialBackend();
    if (!session.CheckPort(line, port, baud, errors)) {
        return refuse(kExitPortFailed);
    }
    const std::string device = simulated ? port.device : session.DevicePath();
    const RunLine runLine{port, baud, settings::ReadBool(ini, settings::kLoadCommFirst),
                          simulated != nullptr};
    const Run run{session, runLine, interrupts, context, output.json};
    const View view{output, kx2, kx2 ? "KX2" : "HBD", device, baud};
    if (output.json) {
        return UploadWithJson(run, view, files);
    }
    const int status = UploadOnConsole(run, view, files, state.HistoryPath());
    if (simulated) {
        std::fprintf(context.out, "%s", simulated->FinishAndReport().c_str());
    }
    return status;
}

}  // namespace quillon::cli
