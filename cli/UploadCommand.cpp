// quillon7-cli upload: the same checks, settings, worker and records as the desktop's Start.
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "cli/ArgParser.h"
#include "cli/CliContext.h"
#include "cli/Console.h"
#include "cli/ConsoleErrorReporter.h"
#include "cli/ConsoleReporter.h"
#include "cli/InterruptWatcher.h"
#include "cli/SimulatedSession.h"
#include "firmware/FileChecks.h"
#include "platform/AppDirectory.h"
#include "serial/PortName.h"
#include "serial/SystemSerialBackend.h"
#include "settings/SettingsKeys.h"
#include "upload/StartChecks.h"
#include "upload/UploadWorkers.h"

namespace quillon::cli {

namespace {

constexpr char kUploadHelp[] =
    "Usage: quillon7-cli upload [FILES] [--port DEVICE | --simulate] [options]\n"
    "\n"
    "Uploads firmware to an HBD unit (COMM, READER and SPEECH boards, in the configured order)\n"
    "or to a KX2 unit (one .kx image), with the settings, message log and history of the\n"
    "desktop program.\n"
    "\n"
    "Files:\n"
    "  --comm FILE       COMM board image (.bin)\n"
    "  --reader FILE     READER board image (.bin)\n"
    "  --speech FILE     SPEECH board image (.bin)\n"
    "  --kx FILE         KX2 image (.kx); not together with the three above\n"
    "\n"
    "Line:\n"
    "  --port DEVICE     a device (/dev/ttyUSB0, ttyUSB0) or a port number as in the settings\n"
    "                    (default: the settings file)\n"
    "  --simulate        upload to a simulated unit started in this process (HBD or KX2,\n"
    "                    as the files call for); no hardware needed\n"
    "  --baud N          bits per second (default: the settings file)\n"
    "\n"
    "Options:\n"
    "  --app-dir DIR     folder of Quillon.ini, History.txt and Logs/ (default: beside the\n"
    "                    program when writable, else ~/.local/share/quillon7)\n"
    "  --no-validate     skip the size and content checks (a file must still exist)\n"
    "  --show-bytes      show every byte sent and received as hex lines\n"
    "  --json            one JSON object per worker notification on stdout\n"
    "  --quiet           only errors and the summary\n"
    "  --help            this text\n"
    "\n"
    "Exit status: 0 every selected file uploaded; 1 an upload failed (also a KX2 unit that\n"
    "never confirmed the upload); 2 usage error or a rejected file; 3 the serial port could\n"
    "not be opened; 130 interrupted (Ctrl-C: the unit is told nothing more, the history\n"
    "records the abort; a second Ctrl-C within 2 seconds ends at once).\n";

int ExitFor(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::kCompleted:
            return kExitOk;
        case RunOutcome::kAborted:
            return kExitInterrupted;
        case RunOutcome::kPortOpenFailed:
            return kExitPortFailed;
        default:
            return kExitUploadFailed;
    }
}

// The pick checks of the desktop: extension rule, then the file checks with the validate flag.
bool CheckPicks(const FileSelection& files, bool kx2, bool validate, IniFile& ini,
                ErrorReporter& errors) {
    struct Pick {
        const std::optional<std::string>& path;
        int kind;
        int32_t (*validateFile)(const std::string&, bool, ErrorReporter&);
    };
    const Pick picks[] = {{files.comm, kKindComm, ValidateCommFile},
                          {files.reader, kKindReader, ValidateReaderFile},
                          {files.speech, kKindSpeech, ValidateSpeechFile}};
    for (const Pick& pick : picks) {
        if (!pick.path) {
            continue;
        }
        if (!CheckProgramFileExtension(*pick.path, kx2, errors)) {
            return false;
        }
        if (kx2) {
            continue;  // the .kx file is checked at start only
        }
        if (pick.validateFile(*pick.path, validate, errors) == kFileRejected) {
            return false;
        }
        if (pick.kind != kKindSpeech) {
            UpdateTamarackSetting(SearchTamarackMarker(*pick.path, pick.kind), ini);
        }
    }
    return true;
}

// Start step 3: the files of this run become the remembered ones, as the desktop does.
void RememberFiles(const FileSelection& files, bool kx2, IniFile& ini) {
    if (files.speech) {
        settings::Write(ini, settings::kFileSpeech, *files.speech);
    }
    if (files.reader) {
        settings::Write(ini, settings::kFileReader, *files.reader);
    }
    if (files.comm && !kx2) {
        settings::Write(ini, settings::kFileComm, *files.comm);
    }
}

// --baud, else the settings file; nullopt after saying what is wrong.
std::optional<int> ChooseBaud(const ArgParser& parser, const IniFile& ini, std::FILE* err) {
    auto text = parser.Value("baud");
    if (!text) {
        return settings::Read(ini, settings::kBaudRate);
    }
    auto number = ParseNumber(*text, 1, 4000000);
    if (!number) {
        std::fprintf(err,
                     "quillon7-cli upload: --baud wants a number of bits per second, not '%s'\n",
                     text->c_str());
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

// The line of the run: the simulated unit, --port, or the settings file's port. Returns an exit
// status when it cannot be had, else kExitOk.
int ChoosePort(const ArgParser& parser, const IniFile& ini, bool kx2, PortName* port,
               std::unique_ptr<SimulatedSession>* simulated, std::FILE* err) {
    port->portNumber = settings::Read(ini, settings::kPortNumber);
    port->device = settings::Read(ini, settings::kPortDevice);
    if (parser.Has("simulate")) {
        std::string error;
        *simulated = StartSimulatedUnit(kx2, &error);
        if (!*simulated) {
            std::fprintf(err, "quillon7-cli upload: %s\n", error.c_str());
            return kExitPortFailed;
        }
        port->device = (*simulated)->DevicePath();
    } else if (auto text = parser.Value("port")) {
        std::string error;
        auto parsed = PortName::Parse(*text, &error);
        if (!parsed) {
            std::fprintf(err, "quillon7-cli upload: %s\n", error.c_str());
            return kExitUsage;
        }
        // A typed device keeps the port number of the settings as its slot.
        int number = parsed->portNumber != 0 ? parsed->portNumber : port->portNumber;
        *port = *parsed;
        port->portNumber = number;
    }
    if (port->portNumber < PortName::kMinPortNumber ||
        port->portNumber > PortName::kMaxPortNumber) {
        port->portNumber = 1;
    }
    return kExitOk;
}

void ExpectBoards(ConsoleReporter& reporter, const FileSelection& files) {
    if (files.comm) {
        reporter.Expect(kKindComm, *files.comm);
    }
    if (files.reader) {
        reporter.Expect(kKindReader, *files.reader);
    }
    if (files.speech) {
        reporter.Expect(kKindSpeech, *files.speech);
    }
}

}  // namespace

int RunUpload(const CliContext& context) {
    ArgParser parser({"comm", "reader", "speech", "kx", "port", "baud", "app-dir"},
                     {"simulate", "no-validate", "show-bytes", "json", "quiet", "help"});
    if (!parser.Parse(context.args) || !parser.Positional().empty()) {
        std::fprintf(context.err, "quillon7-cli upload: %s\nTry 'quillon7-cli upload --help'.\n",
                     parser.Error().empty() ? "unexpected argument" : parser.Error().c_str());
        return kExitUsage;
    }
    if (parser.Has("help")) {
        std::fputs(kUploadHelp, context.out);
        return kExitOk;
    }
    const bool kx2 = parser.Has("kx");
    if (kx2 && (parser.Has("comm") || parser.Has("reader") || parser.Has("speech"))) {
        std::fprintf(context.err, "quillon7-cli upload: --kx cannot be combined with HBD files\n");
        return kExitUsage;
    }
    if (parser.Has("port") && parser.Has("simulate")) {
        std::fprintf(context.err, "quillon7-cli upload: give --port or --simulate, not both\n");
        return kExitUsage;
    }

    // Every thread started from here on (the simulated unit, the worker) inherits the blocked
    // signals, so Ctrl-C reaches only the watcher.
    UploadJob job;
    InterruptWatcher interrupts(job);

    ProgramState state;
    state.appDir = ResolveAppDirectory(parser.Value("app-dir").value_or(""));
    CreateAppFolders(state.appDir);
    IniFile ini(state.IniPath());
    settings::CreateDefaultFile(ini);
    state.isKx2 = kx2 ? 1 : 0;
    state.showSerialData = parser.Has("show-bytes") ? 1 : 0;

    FileSelection files;
    files.comm = kx2 ? parser.Value("kx") : parser.Value("comm");
    files.reader = parser.Value("reader");
    files.speech = parser.Value("speech");

    ConsoleErrorReporter errors(context.err);
    const bool validate = !parser.Has("no-validate");
    if (!CheckPicks(files, kx2, validate, ini, errors) ||
        !CheckStartSelection(files, kx2, validate, errors)) {
        return kExitUsage;
    }
    RememberFiles(files, kx2, ini);

    const std::optional<int> baud = ChooseBaud(parser, ini, context.err);
    if (!baud) {
        return kExitUsage;
    }
    std::unique_ptr<SimulatedSession> simulated;
    PortName port;
    if (int status = ChoosePort(parser, ini, kx2, &port, &simulated, context.err);
        status != kExitOk) {
        return status;
    }

    // The simulated unit may come with a line of its own (Windows has no pseudo-terminals).
    SystemSerialBackend systemLine;
    SerialBackend* simulatedLine = simulated ? simulated->Line() : nullptr;
    SerialBackend& library = simulatedLine != nullptr ? *simulatedLine : systemLine;
    const int index = PortIndex(port.portNumber);
    systemLine.SetDevice(index, port.device);
    const std::string deviceName =
        simulatedLine != nullptr ? port.device : systemLine.DevicePath(index);
    if (!CheckSerialPort(library, port.portNumber, deviceName, *baud, errors)) {
        return kExitPortFailed;
    }

    const bool terminal = IsTerminal(context.out);
    OutputMode mode = parser.Has("json")    ? OutputMode::kJson
                      : parser.Has("quiet") ? OutputMode::kQuiet
                                            : OutputMode::kNormal;
    ConsoleReporter reporter(context.out, mode, terminal,
                             terminal && std::getenv("NO_COLOR") == nullptr);

    job.commFirst = settings::ReadBool(ini, settings::kLoadCommFirst) ? 1 : 0;
    job.commFile = files.comm;
    job.readerFile = files.reader;
    job.speechFile = files.speech;
    job.portNumber = port.portNumber;
    job.portDevice = port.device;
    job.baudRate = *baud;
    job.notifications = &reporter;
    ExpectBoards(reporter, files);

    SystemClock clock;
    WorkerContext worker{library, clock, state, [&systemLine](int i, const std::string& device) {
                             systemLine.SetDevice(i, device);
                         }};
    std::thread thread(
        [&] { kx2 ? RunKx2UploadWorker(job, worker) : RunHbdUploadWorker(job, worker); });
    thread.join();
    RunOutcome outcome = job.outcome.load();
    reporter.PrintSummary(outcome, kx2, reporter.MessageLogPath(), state.HistoryPath());
    if (simulated && mode != OutputMode::kJson) {
        std::fprintf(context.out, "%s", simulated->FinishAndReport().c_str());
    }
    return ExitFor(outcome);
}

}  // namespace quillon::cli
