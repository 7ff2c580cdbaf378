// What both uploaders work through: the job, the open line, the clock, the program state, the
// job's event sink, and the run's three records (the message log, the serial data log and the
// history). Each uploader keeps these as its base; none of them fails on its own.
#pragma once

#include "platform/Clock.h"
#include "program/ProgramState.h"
#include "records/SerialDataLog.h"
#include "records/UploadHistory.h"
#include "serial/SerialPort.h"
#include "upload/MessageLog.h"
#include "upload/UploadEvents.h"
#include "upload/UploadJob.h"

namespace quillon {

class UploaderParts {
  protected:
    UploaderParts(UploadJob& job, SerialPort& port, Clock& clock, ProgramState& state)
        : job_(job),
          port_(port),
          clock_(clock),
          state_(state),
          events_(*job.events),
          serialData_(events_, state.showSerialData),
          log_(*job.events, clock, state.appDir),
          serialLog_(clock, state.appDir),
          history_(state.appDir, clock) {
        state_.ResetInternalError();
    }

    UploadJob& job_;
    SerialPort& port_;
    Clock& clock_;
    ProgramState& state_;
    EventSink& events_;
    SerialDataEvents serialData_;
    MessageLog log_;
    SerialDataLog serialLog_;
    UploadHistory history_;
};

}  // namespace quillon
