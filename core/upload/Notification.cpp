#include "upload/Notification.h"

namespace quillon {

bool NoteRecordWritten(NotificationSink& sink, bool written, const std::string& what) {
    if (!written) {
        Notification n(UM_RECORD_LOST);
        n.text = what;
        sink.Send(n);
    }
    return written;
}

const char* NotificationName(int code) {
    switch (code) {
        case UM_LOG_LINE:
            return "UM_LOG_LINE";
        case UM_TX_BYTES:
            return "UM_TX_BYTES";
        case UM_RX_BYTES:
            return "UM_RX_BYTES";
        case UM_INTERNAL_ERROR:
            return "UM_INTERNAL_ERROR";
        case UM_FILE_START:
            return "UM_FILE_START";
        case UM_PROGRESS:
            return "UM_PROGRESS";
        case UM_DELAY_TICK:
            return "UM_DELAY_TICK";
        case UM_FILE_DONE:
            return "UM_FILE_DONE";
        case UM_FILE_FAILED:
            return "UM_FILE_FAILED";
        case UM_WORKER_DONE:
            return "UM_WORKER_DONE";
        case UM_PORT_OPEN_FAILED:
            return "UM_PORT_OPEN_FAILED";
        case UM_MESSAGE_LOG_OPENED:
            return "UM_MESSAGE_LOG_OPENED";
        case UM_AWAITING_CONFIRMATION:
            return "UM_AWAITING_CONFIRMATION";
        case UM_RECORD_LOST:
            return "UM_RECORD_LOST";
        case UM_START_UPLOAD:
            return "UM_START_UPLOAD";
        case UM_SERIAL_TEXT:
            return "UM_SERIAL_TEXT";
        default:
            return "UM_UNKNOWN";
    }
}

}  // namespace quillon
