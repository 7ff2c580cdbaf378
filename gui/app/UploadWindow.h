// The windows the main window opens on a serial line: the upload progress window (step 5 of
// Start) and the serial text view (Text HBD), each shown modally. The services belong to the
// program and outlive every window.
#pragma once

#include <QPointer>

#include "app/MainWindow.h"
#include "dialogs/UploadProgressWindow.h"

namespace quillon {

struct UploadWindowServices {
    ProgramState& state;
    Clock& clock;
    DialogRunner& runner;
    SoundPlayer& sounds;
    // Makes the serial library each run uses (production: a new PosixSerialBackend), unless the
    // request brings the simulated unit's.
    UploadProgressWindow::SerialFactory serial;
};

// What the main window calls for step 5 of Start.
MainWindow::UploadWindow MakeUploadWindow(UploadWindowServices services, QWidget* parent);

// What the main window calls for Text HBD, once the port has opened: the view with echo on.
MainWindow::TextView MakeTextView(UploadWindowServices services, QWidget* parent);

// The progress window's selection for a Start request.
UploadProgressWindow::Selection ToSelection(const MainWindow::UploadRequest& request);

}  // namespace quillon
