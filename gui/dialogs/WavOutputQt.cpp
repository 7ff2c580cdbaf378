#include <QCoreApplication>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <thread>

#include "dialogs/WavOutput.h"
#include "firmware/WavFile.h"

#ifdef QUILLON_HAVE_MULTIMEDIA
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#endif

namespace quillon {

namespace {
[[maybe_unused]] constexpr int kReleaseSlackMs = 500;
}  // namespace

void WavOutput::operator()(const std::string& path) const {
    const uint32_t ms = std::min(WavDurationMs(path).value_or(0), kMaxPlayMs);
#ifdef QUILLON_HAVE_MULTIMEDIA
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || ms == 0) {
        return;
    }
    // The effect lives on the UI thread; this thread only waits.
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
