// Step 5 of Start: the upload progress window, shown modally with what Start chose. The services
// belong to the program and outlive every window.
#pragma once

#include <QPointer>

#include "app/CMainDlg.h"
#include "ui/CDlgUploadFiles.h"

namespace quillon {

struct UploadWindowServices {
    ProgramState& state;
    Clock& clock;
    DialogRunner& runner;
    SoundPlayer& sounds;
    // Makes the serial library each run uses (production: a new PosixSerialLibrary).
    CDlgUploadFiles::SerialFactory serial;
};

// What the main window calls for step 5 of Start.
CMainDlg::UploadWindow MakeUploadWindow(UploadWindowServices services, QWidget* parent);

// The progress window's selection for a Start request.
CDlgUploadFiles::Selection ToSelection(const CMainDlg::UploadRequest& request);

}  // namespace quillon
