// One upload run, from Start's checks to the worker's end, as the desktop's Start button and
// `quillon7-cli upload` both run it. A view makes a session, takes it through the start steps in
// order, then starts it with a sink for its events:
//   1. CheckFiles: something selected (error 200); every file's extension; each file read whole,
//      once, and checked as read;
//   2. RememberFiles: the files of the run become the remembered ones;
//   3. ChoosePort: the port of the run (the settings', or one typed);
//   4. CheckPort: the line of the run chosen (the system's serial backend, or a simulated unit's
//      line) and its port test-opened (error 201);
//   5. Start: the worker thread, which sends exactly the images of step 1.
// A step that refuses reports once through the ErrorReporter and returns false; the view stops
// there, so a refused selection remembers nothing and a port that does not open gets no worker.
//
// The session owns the job and the worker thread for their whole life. Stop asks the worker to
// stop at its next check; Wait joins it; the destructor does both. A view whose events reach it on
// a thread the worker's events wait for (the desktop's UI thread) must never Wait while the
// worker runs: it detaches its sink and keeps the session until Ended().
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "firmware/FirmwareImage.h"
#include "platform/Clock.h"
#include "program/ErrorReporter.h"
#include "program/ProgramState.h"
#include "protocol/Boards.h"
#include "serial/PortName.h"
#include "serial/SerialBackend.h"
#include "settings/IniFile.h"
#include "upload/UploadJob.h"

namespace quillon {

struct FileSelection {
    std::optional<std::string> comm;  // the .kx file in KX2 mode
    std::optional<std::string> reader;
    std::optional<std::string> speech;
    bool Empty() const { return !comm && !reader && !speech; }
};

// The files of a run as step 1 read and checked them: what the worker sends, byte for byte.
struct StartImages {
    FirmwareImageRef comm;  // the .kx image in KX2 mode
    FirmwareImageRef reader;
    FirmwareImageRef speech;
};

// Everything step 5 needs besides the images.
struct RunLine {
    PortName port;  // number 1 to 256 and device (empty: the number's default)
    int baudRate = 19200;
    bool commFirst = true;       // "Load COMM First"
    bool simulatedUnit = false;  // the message log says so
};

class UploadSession {
  public:
    UploadSession(ProgramState& state, Clock& clock) : state_(state), clock_(clock) {}
    ~UploadSession();  // Stop, then Wait
    UploadSession(const UploadSession&) = delete;
    UploadSession& operator=(const UploadSession&) = delete;

    // A file picked for one board slot: the extension rule, then (HBD mode) the board's checks
    // with validate. The block count (0 for the .kx file), or kFileRejected after one report.
    static int32_t CheckPick(const std::string& path, FileKind kind, bool kx2, bool validate,
                             ErrorReporter& errors);

    // Step 1: the checks of the selection, in the order SPEECH, READER, COMM (see
    // CheckStartSelection). reportEvery: every refused file is named (the command line's check),
    // not only the first.
    bool CheckFiles(const FileSelection& files, bool kx2, bool validate, const IniFile& ini,
                    ErrorReporter& errors, bool reportEvery = false);
    const StartImages& Images() const { return images_; }
    // The Tamarack Line marker of the run's COMM and READER images stored in the settings, as
    // picks of those files in that order would store it.
    void ApplyTamarackMarkers(IniFile& ini) const;

    // Step 2: each given path of two characters or more to its File Names key, SPEECH, READER,
    // then COMM. The caller decides what is remembered: the desktop its selected slots, the
    // command line its HBD files (a .kx is never remembered as the COMM file there).
    static void RememberFiles(const FileSelection& remembered, IniFile& ini);

    // Step 3: the settings' port, or the typed one instead. A typed device keeps the settings'
    // port number as its slot; a number out of range becomes port 1.
    static PortName ChoosePort(const IniFile& ini, const std::optional<PortName>& typed);

    // Step 4: line is the serial backend the run opens its port through (kept until the worker
    // has ended). Opens and closes the port; on failure error 201 with the device and the baud
    // rate, followed by what the serial backend says to do about it.
    bool CheckPort(std::shared_ptr<SerialBackend> line, const PortName& port, int baudRate,
                   ErrorReporter& errors);
    // The device the port of step 4 opens, as a technician names it (/dev/ttyUSB0, COM3).
    const std::string& DevicePath() const { return device_; }

    // Step 5: the worker on a thread of its own (HBD or KX2 by kx2 of step 1), its events to
    // events, which the session keeps until the worker has ended. Once only.
    void Start(const RunLine& line, std::shared_ptr<EventSink> events);

    bool Started() const { return started_; }
    // Asks the worker to stop at its next check (the user's abort).
    void Stop();
    bool Stopping() const { return job_.abortRequest.load(); }
    // True once the worker thread has returned: its last event is handled.
    bool Ended() const { return ended_.load(); }
    // Joins the worker (at once when it has ended). Never on a thread its events wait for.
    void Wait();
    RunOutcome Outcome() const { return job_.outcome.load(); }
    const UploadJob& Job() const { return job_; }

    // For a program that ends at once while the worker is stuck (a second Ctrl-C): the user's
    // abort recorded against the board in progress, unless its ending is recorded already.
    void RecordStopped();

  private:
    ProgramState& state_;
    Clock& clock_;
    std::shared_ptr<SerialBackend> line_;
    std::string device_;
    std::shared_ptr<EventSink> events_;
    StartImages images_;
    bool kx2_ = false;
    UploadJob job_;
    std::thread worker_;
    bool started_ = false;
    std::atomic<bool> ended_{false};
};

// Step 4 on its own (also the serial text view's check before it opens): opens and closes the
// port through line; on failure error 201 with the device and the baud rate, followed by what
// the serial backend says to do about it. *device (when given) gets the device as a technician
// names it.
bool TestOpenPort(SerialBackend& line, const PortName& port, int baudRate, ErrorReporter& errors,
                  std::string* device = nullptr);

// Step 1 on its own: something selected (error 200); each selected file read whole, once (its
// open error, with the reason, when it cannot be); then the checks on those bytes, in the order
// SPEECH, READER, COMM: with validate the size and content checks; always what the unit needs to
// take anything at all (a board image longer than its header; a .kx image within the unit's
// limits with the KX2 settings of ini). Stops at the first refusal unless reportEvery; nullopt
// when any file was refused.
std::optional<StartImages> CheckStartSelection(const FileSelection& files, bool kx2Mode,
                                               bool validate, const IniFile& ini,
                                               ErrorReporter& errors, bool reportEvery = false);

}  // namespace quillon
