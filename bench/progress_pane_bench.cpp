// Feeds a progress window the event stream of a whole 6 MiB SPEECH upload with the
// serial data shown (a 3 KB hex line per data packet, the unit's answers, about 40,000 log
// lines) and reports the time per event and in total. Offscreen; no worker, no line.
// Usage: bench_progress_panes [--scroll] [--packets N]
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "controls/LogTextPane.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/SoundPlayer.h"
#include "dialogs/UploadProgressWindow.h"
#include "dialogs/UploadSessions.h"
#include "platform/Clock.h"

using namespace quillon;
using Steady = std::chrono::steady_clock;

namespace {

constexpr int kSpeechPackets = 6 * 1024;  // 6 MiB of 1024-byte packets
constexpr size_t kPayload = 1024;
constexpr int kEventsEvery = 50;  // the UI thread gets to paint this often
constexpr double kWireSeconds = 6.0 * 1024 * 1024 * 10 / 115200;

struct Stream {
    std::vector<UploadEvent> events;
    std::vector<std::string> texts;  // kept alive for the events' views
    std::vector<uint8_t> payload;
    std::vector<uint8_t> answer;
    UploadProgress progress;
};

// Per packet: progress, the packet's log lines, its bytes, the answer and its log line.
void Build(Stream& s, int packets) {
    s.payload.resize(kPayload);
    for (size_t i = 0; i < kPayload; ++i) {
        s.payload[i] = static_cast<uint8_t>(i * 7);
    }
    s.answer = {0x02, 0x35, 0x30, 0x03};
    s.progress.currentKind = FileKind::kSpeech;
    s.progress.currentKindName = "SPEECH";
    s.progress.currentPackets = packets;
    s.progress.secondsPerPacket = 1;
    s.texts.reserve(static_cast<size_t>(packets) * 7);
    auto log = [&](int level, std::string text) {
        s.texts.push_back(std::move(text));
        s.events.push_back(event::LogLine{level, s.texts.back()});
    };
    s.events.push_back(event::FileStart{s.progress});
    for (int p = 1; p <= packets; ++p) {
        s.events.push_back(event::PacketSent{s.progress});
        log(1, "Send Prep Packet " + std::to_string(p) + "\n");
        log(2, "HBD ACK: Prep Packet\n");
        log(1, "Send Data Packet " + std::to_string(p) + " of " + std::to_string(packets) + "\n");
        s.events.push_back(event::BytesSent{s.payload});
        s.events.push_back(event::BytesReceived{s.answer});
        log(2, "HBD ACK: Data Packet OK\n");
        log(6, "    Packet time: 0.094 s\n");
        if (p % 2 == 0) {
            log(1, " \n");
        }
    }
}

double Percentile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool scroll = false;
    int packets = kSpeechPackets;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scroll") == 0) {
            scroll = true;
        } else if (std::strcmp(argv[i], "--packets") == 0 && i + 1 < argc) {
            packets = std::max(1, std::atoi(argv[++i]));
        }
    }

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quillon-pane-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "Quillon.ini") << "[Views]\nShow Serial View=1\n";
    ProgramState state;
    state.appDir = dir.string() + "/";
    SystemClock clock;
    DialogRunner runner;
    NullSoundPlayer sounds;
    UploadProgressWindow::Selection sel;
    sel.speechPath = "/bench/SPEECH.bin";
    UploadSessions sessions;
    UploadProgressWindow dlg(sel, state, clock, runner, sounds, sessions);
    dlg.resize(1280, 800);
    dlg.show();
    if (scroll) {
        dlg.ToggleScrollMessages();
        dlg.ToggleScrollBytes();
    }
    QApplication::processEvents();

    Stream stream;
    Build(stream, packets);
    std::vector<double> micros;
    micros.reserve(stream.events.size());
    const auto begin = Steady::now();
    double eventMicros = 0;
    for (size_t i = 0; i < stream.events.size(); ++i) {
        if (std::holds_alternative<event::PacketSent>(stream.events[i])) {
            ++stream.progress.currentPacketsSent;
        }
        const auto t0 = Steady::now();
        dlg.HandleEvent(stream.events[i]);
        const auto t1 = Steady::now();
        micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        if (i % kEventsEvery == 0) {
            QApplication::processEvents();
            eventMicros += std::chrono::duration<double, std::micro>(Steady::now() - t1).count();
        }
    }
    const double total = std::chrono::duration<double>(Steady::now() - begin).count();

    const size_t n = micros.size();
    const size_t slice = std::min<size_t>(5000, n / 2);
    std::vector<double> first(micros.begin(), micros.begin() + static_cast<long>(slice));
    std::vector<double> last(micros.end() - static_cast<long>(slice), micros.end());
    size_t logLines = 0;
    size_t hexLines = 0;
    for (const UploadEvent& e : stream.events) {
        logLines += std::holds_alternative<event::LogLine>(e) ? 1 : 0;
        hexLines += std::holds_alternative<event::BytesSent>(e) ||
                            std::holds_alternative<event::BytesReceived>(e)
                        ? 1
                        : 0;
    }
    std::printf("progress panes, %d packets, serial data shown, auto-scroll %s\n", packets,
                scroll ? "on" : "off");
    std::printf("events %zu (log lines %zu, hex lines %zu)\n", n, logLines, hexLines);
    std::printf("per event: median %.1f us, p99 %.1f us, max %.1f us\n", Percentile(micros, 0.5),
                Percentile(micros, 0.99), Percentile(micros, 1.0));
    std::printf("first %zu: median %.1f us, p99 %.1f us; last %zu: median %.1f us, p99 %.1f us\n",
                slice, Percentile(first, 0.5), Percentile(first, 0.99), slice,
                Percentile(last, 0.5), Percentile(last, 0.99));
    std::printf(
        "total %.2f s (event processing %.2f s) = %.1f%% of the %.0f s wire time at "
        "115200 baud\n",
        total, eventMicros / 1e6, 100.0 * total / kWireSeconds, kWireSeconds);
    std::printf("message pane %d blocks, serial pane %d blocks\n",
                dlg.MessagePane()->document()->blockCount(),
                dlg.SerialPane()->document()->blockCount());
    std::filesystem::remove_all(dir);
    const bool ok = Percentile(micros, 0.99) < 2000.0 && total < 0.1 * kWireSeconds;
    std::printf("%s\n", ok ? "within target" : "OVER TARGET");
    return 0;
}
