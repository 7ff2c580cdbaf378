// The three HBD board kinds as numbered everywhere in the program (a KX2 upload counts as COMM).
#pragma once

#include <cstdint>

namespace quillon {

enum FileKind : int32_t { kKindComm = 1, kKindReader = 2, kKindSpeech = 3 };

// "COMM", "READER", "SPEECH"; any other number gives "?????".
const char* FileKindName(int kind);

}  // namespace quillon
