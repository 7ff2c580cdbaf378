#include "dialogs/QtWavOutput.h"

#include <QCoreApplication>
#include <QUrl>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#ifdef QUILLON_HAVE_MULTIMEDIA
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#endif

namespace quillon {

namespace {

constexpr std::size_t kRiffHeader = 12;
constexpr std::size_t kChunkHeader = 8;
constexpr std::size_t kByteRateAt = 8;  // within the "fmt " chunk body
constexpr int kMaxChunks = 64;
[[maybe_unused]] constexpr int kReleaseSlackMs = 500;

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

uint32_t QtWavOutput::DurationMs(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return 0;
    }
    std::array<uint8_t, kRiffHeader> riff{};
    uint32_t byteRate = 0;
    uint32_t dataSize = 0;
    if (std::fread(riff.data(), 1, riff.size(), f) == riff.size() &&
        std::memcmp(riff.data(), "RIFF", 4) == 0 && std::memcmp(riff.data() + 8, "WAVE", 4) == 0) {
        for (int i = 0; i < kMaxChunks && dataSize == 0; ++i) {
            std::array<uint8_t, kChunkHeader> chunk{};
            if (std::fread(chunk.data(), 1, chunk.size(), f) != chunk.size()) {
                break;
            }
            const uint32_t size = Le32(chunk.data() + 4);
            if (std::memcmp(chunk.data(), "fmt ", 4) == 0 && size >= kByteRateAt + 4) {
                std::array<uint8_t, kByteRateAt + 4> fmt{};
                if (std::fread(fmt.data(), 1, fmt.size(), f) != fmt.size()) {
                    break;
                }
                byteRate = Le32(fmt.data() + kByteRateAt);
                std::fseek(f, static_cast<long>(size - fmt.size() + (size & 1u)), SEEK_CUR);
            } else if (std::memcmp(chunk.data(), "data", 4) == 0) {
                dataSize = size;
            } else {
                std::fseek(f, static_cast<long>(size + (size & 1u)), SEEK_CUR);
            }
        }
    }
    std::fclose(f);
    if (byteRate == 0) {
        return 0;
    }
    const uint64_t ms = static_cast<uint64_t>(dataSize) * 1000u / byteRate;
    return static_cast<uint32_t>(std::min<uint64_t>(ms, kMaxPlayMs));
}

void QtWavOutput::operator()(const std::string& path) const {
    const uint32_t ms = DurationMs(path);
#ifdef QUILLON_HAVE_MULTIMEDIA
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || ms == 0) {
        return;
    }
    QMetaObject::invokeMethod(
        app,
        [path, ms] {
            if (QMediaDevices::audioOutputs().isEmpty()) {
                return;
            }
            auto* effect = new QSoundEffect(QCoreApplication::instance());
            effect->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
            effect->play();
            // Freed after its own length: a state signal may never arrive.
            QTimer::singleShot(static_cast<int>(ms) + kReleaseSlackMs, effect,
                               &QObject::deleteLater);
        },
        Qt::QueuedConnection);
#endif
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace quillon
