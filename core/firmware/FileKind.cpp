#include "firmware/FileKind.h"

namespace quillon {

const char* FileKindName(int kind) {
    switch (kind) {
        case kKindComm:
            return "COMM";
        case kKindReader:
            return "READER";
        case kKindSpeech:
            return "SPEECH";
        default:
            return "?????";
    }
}

}  // namespace quillon
