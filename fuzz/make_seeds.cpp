// Writes the starting corpus of every fuzz target into DIR/<target>/: well-formed settings
// files, HBD answers, KX2 unit frames and whole conversations, firmware with its markers in
// 8- and 16-bit text, and log folder names. Built from the program's own frame builders, so
// the seeds follow the wire formats as the code has them; nothing binary is kept in git.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "firmware/FileChecks.h"
#include "protocol/Boards.h"
#include "protocol/HbdControlPacket.h"
#include "protocol/Kx2Frame.h"

namespace {

using namespace quillon;
using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

class SeedWriter {
  public:
    explicit SeedWriter(fs::path root) : root_(std::move(root)) {}

    bool Write(const std::string& target, const Bytes& bytes) {
        const fs::path dir = root_ / target;
        std::error_code ec;
        fs::create_directories(dir, ec);
        const fs::path file = dir / ("seed-" + std::to_string(++count_));
        std::FILE* f = std::fopen(file.c_str(), "wb");
        if (f == nullptr) {
            return false;
        }
        const bool ok =
            bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return std::fclose(f) == 0 && ok;
    }
    int Count() const { return count_; }

  private:
    fs::path root_;
    int count_ = 0;
};

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

// One length-prefixed chunk per host packet, as the whole-upload targets read their input.
Bytes Chunks(const std::vector<Bytes>& answers) {
    Bytes all;
    for (const Bytes& a : answers) {
        all.push_back(static_cast<uint8_t>(a.size()));
        all.insert(all.end(), a.begin(),
                   a.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(a.size(), 255)));
    }
    return all;
}

Bytes HbdReply(uint8_t code) {
    return {hbd::kHeaderFirst, hbd::kHeaderSecond, hbd::kHeaderThird, code};
}

Bytes Utf16(const std::string& s) {
    Bytes out;
    for (char c : s) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(0);
    }
    return out;
}

bool WriteIniSeeds(SeedWriter& w) {
    const std::string settings =
        "[HBD Params]\nRetransmit Control Packets=4\nWait for HBD Response=6\n"
        "[Logs]\nLog Messages=1\n[Serial Port]\nPort Number=1\nBaud Rate=19200\n"
        "Device=/dev/ttyUSB0\n[KX2]\nIs KX2=1\nMax Packet Size=1024\n";
    std::string crlf;
    for (char c : settings) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const Bytes names = {3,   'L', 'o', 'g', 12,  'L', 'o', 'g', ' ', 'M',
                         'e', 's', 's', 'a', 'g', 'e', 's', 1,   '0'};
    return w.Write("fuzz_ini", Join({names, Text(settings)})) &&
           w.Write("fuzz_ini", Join({names, Text(crlf)})) &&
           w.Write("fuzz_ini",
                   Join({names, Text("; comment\n[ logs ]\n log messages = \"-12x\"\n")}));
}

bool WriteHbdSeeds(SeedWriter& w) {
    bool ok =
        w.Write("fuzz_hbd_response", Join({{4}, HbdReply(hbd::kReplyGoodPacket)})) &&
        w.Write("fuzz_hbd_response", Join({{6}, {0xA5, 0x05, 0x05, 0x05, 0x01}, HbdReply(0x41)})) &&
        w.Write("fuzz_hbd_response", Join({{12}, {hbd::kHeaderFirst, hbd::kHeaderSecond}}));
    // A clean two-packet COMM conversation, and ones with the unit's error codes in it.
    for (uint8_t trouble :
         {uint8_t{0}, hbd::kReplyBadPacket, hbd::kReplyWriteFailed, hbd::kReplyAbortTransfer}) {
        std::vector<Bytes> answers = {HbdReply(FindBoard(FileKind::kComm)->readyReply),
                                      HbdReply(hbd::kReplyReadyNext)};
        if (trouble != 0) {
            answers.push_back(HbdReply(trouble));
        }
        answers.push_back(HbdReply(hbd::kReplyGoodPacket));
        answers.push_back(HbdReply(hbd::kReplyReadyNext));
        answers.push_back(
            Join({HbdReply(hbd::kReplyEndOfBlock), HbdReply(hbd::kReplyFlashWritten)}));
        answers.push_back(HbdReply(hbd::kReplyGoodPacket));
        ok = ok && w.Write("fuzz_hbd_upload", Join({{0}, Chunks(answers)}));
    }
    return ok;
}

bool WriteKx2Seeds(SeedWriter& w) {
    const Bytes begin = BuildUnitFrame(kKx2BeginUpload);
    const Bytes complete = BuildUnitFrame(kKx2Complete);
    const Bytes cancel = BuildUnitFrame(kKx2Cancel);
    const Bytes resend = BuildResendList({2, 4});
    Kx2FrameBuilder start;
    Kx2StartRequest request;
    request.fileLength = 300000;
    request.baudRate = 115200;
    request.maxPacketSize = 1024;
    request.packetCount = 296;
    request.delayMs = 150;
    request.name = "FIRMWARE.kx";
    BuildStartRequest(start, request);
    bool ok = w.Write("fuzz_kx2_frame", Join({{3}, begin, {0x33, 0x01}, resend, complete})) &&
              w.Write("fuzz_kx2_frame", Join({{0}, {0x01, 0x50, 0xFF, 0xFF}, cancel})) &&
              w.Write("fuzz_kx2_frame", Join({{7}, start.Bytes()}));
    const Bytes none;
    // Start, five data frames, then the end of the pass; with and without a resend pass.
    ok = ok && w.Write("fuzz_kx2_upload", Chunks({begin, none, none, none, none, complete}));
    ok = ok && w.Write("fuzz_kx2_upload",
                       Chunks({begin, none, none, none, none, resend, none, complete}));
    ok = ok && w.Write("fuzz_kx2_upload", Chunks({BuildUnitFrame(0x2A), begin, none, cancel}));
    // Fault plans: a clean HBD run, a clean KX2 run (the unit's check time byte at its usual 250
    // ms), and an HBD run the user aborts at log line 12, then runs again.
    ok = ok && w.Write("fuzz_fault_plan", Bytes(20, 0));
    ok = ok && w.Write("fuzz_fault_plan", Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 25, 0, 0, 0, 0, 0, 0});
    ok = ok && w.Write("fuzz_fault_plan", Bytes{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 12});
    return ok;
}

bool WriteFileSeeds(SeedWriter& w) {
    bool ok = true;
    for (const std::string marker : {kCommMarker, kReaderTamarackMarker, kCommTamarackMarker}) {
        for (size_t offset : {size_t{0}, size_t{90}, size_t{110}, size_t{300}}) {
            Bytes head = {static_cast<uint8_t>(marker.size())};
            const Bytes filler(offset, 0x20);
            ok = ok &&
                 w.Write("fuzz_file_contains", Join({head, Text(marker), filler, Text(marker)}));
            ok = ok &&
                 w.Write("fuzz_file_contains", Join({head, Text(marker), filler, Utf16(marker)}));
        }
    }
    return ok;
}

bool WriteLogScanSeeds(SeedWriter& w) {
    const std::string msg = "Quillon_LogMsg_071524_1430052024.txt";
    const std::string serial = "Quillon_LogSerial_071524_1430052024.txt";
    const Bytes content = {5, 'h', 'e', 'l', 'l', 'o'};
    return w.Write("fuzz_log_scan", Join({{2, static_cast<uint8_t>(msg.size())},
                                          Text(msg),
                                          content,
                                          {2, static_cast<uint8_t>(serial.size())},
                                          Text(serial),
                                          content,
                                          Text("../History")})) &&
           w.Write("fuzz_log_scan",
                   Join({{0, 4}, Text("a.txt"), {1, 5}, Text("b.txt"), Text("b")}));
}

// Three 60-byte font records: height, width, escapement, orientation, weight (32-bit little
// endian), eight flag bytes, a 32-byte face name.
bool WriteFontSeeds(SeedWriter& w) {
    auto record = [](int32_t height, int32_t weight, const std::string& face) {
        Bytes r;
        for (int32_t v : {height, int32_t{0}, int32_t{0}, int32_t{0}, weight}) {
            for (int shift = 0; shift < 32; shift += 8) {
                r.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> shift));
            }
        }
        const Bytes flags = {0, 0, 0, 0, 0, 0, 0, 0x20};
        r.insert(r.end(), flags.begin(), flags.end());
        Bytes name(32, 0);
        std::copy(face.begin(), face.end(), name.begin());
        r.insert(r.end(), name.begin(), name.end());
        return r;
    };
    const Bytes file =
        Join({record(14, 700, "Arial"), record(14, 700, "Arial"), record(13, 400, "Courier New")});
    return w.Write("fuzz_font_info", file) &&
           w.Write("fuzz_font_info", Bytes(file.begin(), file.begin() + 100)) &&
           w.Write("fuzz_font_info", Join({record(-9999, 99999, std::string(31, 'Z')), file}));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 2;
    }
    SeedWriter w(argv[1]);
    const bool ok = WriteIniSeeds(w) && WriteHbdSeeds(w) && WriteKx2Seeds(w) && WriteFileSeeds(w) &&
                    WriteLogScanSeeds(w) && WriteFontSeeds(w);
    if (!ok) {
        std::fprintf(stderr, "make_seeds: cannot write under %s\n", argv[1]);
        return 1;
    }
    std::printf("%d seeds written to %s\n", w.Count(), argv[1]);
    return 0;
}
