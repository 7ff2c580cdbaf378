// One Start, step by step, as the desktop's Start button and `quillon7-cli upload` both run it:
//   1. CheckStartSelection: something selected (error 200), each file read whole once and checked;
//   2. RememberStartFiles: the files of the run become the remembered ones;
//   3. ChooseRunPort: the port of the run (the settings', or one typed);
//   4. CheckSerialPort: the port test-opened (error 201);
//   5. FillUploadJob: the record the worker gets, with the images step 1 read.
// A step that refuses reports once through the ErrorReporter and returns false; the caller
// stops there, so a refused selection remembers nothing and a port that does not open gets no
// job. The callers add only what is theirs (the desktop's one-run-at-a-time check, the CLI's
// pick checks and simulated unit) between these steps.
#pragma once

#include <optional>
#include <string>

#include "firmware/FirmwareImage.h"
#include "platform/ErrorReporter.h"
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

// The files of a run as step 1 read and checked them: what the job carries and the uploaders
// send, byte for byte.
struct StartImages {
    FirmwareImageRef comm;  // the .kx image in KX2 mode
    FirmwareImageRef reader;
    FirmwareImageRef speech;
};

// Step 1: something selected (error 200); each selected file read whole, once (its open error,
// with the reason, when it cannot be); then the checks on those bytes, in the order SPEECH,
// READER, COMM: with validate the size and content checks; always what the unit needs to take
// anything at all (a board image longer than its header; a .kx image within the unit's limits
// with the KX2 settings of ini). Stops at the first refusal unless reportEvery (the command
// line's check, which names every bad file); nullopt when any file was refused.
std::optional<StartImages> CheckStartSelection(const FileSelection& files, bool kx2Mode,
                                               bool validate, const IniFile& ini,
                                               ErrorReporter& errors, bool reportEvery = false);

// Step 2: writes each given path of two characters or more to its File Names key, SPEECH,
// READER, then COMM. The caller decides what is remembered: the desktop its selected slots, the
// command line its HBD files (a .kx is never remembered as the COMM file there).
void RememberStartFiles(const FileSelection& remembered, IniFile& ini);

// Step 3: the settings' port, or the typed one instead. A typed device keeps the settings' port
// number as its slot; a number out of range becomes port 1.
PortName ChooseRunPort(const IniFile& ini, const std::optional<PortName>& typed);

// Step 4: opens and closes the port through the backend; on failure error 201 with the device
// shown and the baud rate, followed by what the backend says to do about it.
bool CheckSerialPort(SerialBackend& backend, int portNumber, const std::string& shownDevice,
                     int baudRate, ErrorReporter& errors);

// Step 5: the images, line and board order of the run into the job; its flags are left alone.
void FillUploadJob(const StartImages& images, const PortName& port, int baudRate, bool commFirst,
                   UploadJob& job);

}  // namespace quillon
