// The three HBD boards and what the program knows of each, in one table: the name, the command
// that begins its upload and the unit's ready reply, the seconds one of its packets takes at the
// reference rate, and the part of its file that stays on the host. A KX2 upload counts as COMM.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillon {

// The board kinds as numbered everywhere (history, settings, the unit's own numbers).
enum class FileKind : int32_t { kComm = 1, kReader = 2, kSpeech = 3 };

struct BoardSpec {
    FileKind kind;
    const char* name;          // "COMM", "READER", "SPEECH"
    uint8_t beginCommand;      // host to unit: begin the upload of this board
    uint8_t readyReply;        // unit to host: ready to receive it
    int32_t secondsPerPacket;  // one packet exchange at the reference rate
    uint64_t keptOnHost;       // bytes at the start of the file that are never sent
};

// COMM and READER images keep their first 32 KiB on the host; the unit gets the rest.
inline constexpr uint64_t kBoardHeaderBytes = 32768;

inline constexpr std::array<BoardSpec, 3> kBoards{{
    {FileKind::kComm, "COMM", 0x31, 0x31, 1, kBoardHeaderBytes},
    {FileKind::kReader, "READER", 0x30, 0x30, 2, kBoardHeaderBytes},
    {FileKind::kSpeech, "SPEECH", 0x39, 0x39, 1, 0},
}};

// The board's facts, or nullptr for a number that names no board.
constexpr const BoardSpec* FindBoard(FileKind kind) {
    for (const BoardSpec& board : kBoards) {
        if (board.kind == kind) {
            return &board;
        }
    }
    return nullptr;
}

// 0, 1, 2 for COMM, READER, SPEECH: where a board stands in kBoards and in per-board arrays. Only
// for a kind FindBoard knows.
constexpr size_t BoardIndex(FileKind kind) {
    return static_cast<size_t>(kind) - 1;
}

// "COMM", "READER", "SPEECH"; any other number gives "?????".
constexpr const char* FileKindName(FileKind kind) {
    const BoardSpec* board = FindBoard(kind);
    return board != nullptr ? board->name : "?????";
}

}  // namespace quillon
