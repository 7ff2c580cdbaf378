#include "dialogs/QtSoundPreview.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QUrl>

#include "firmware/WavFile.h"

#ifdef QUILLON_HAVE_MULTIMEDIA
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#endif

namespace quillon {

namespace {
// The effect loads its file before it starts; the wait allows for that.
constexpr int kLoadAllowanceMs = 250;
}  // namespace

// A sound that cannot be played gets the platform's default sound instead, so a test press on
// a missing or broken file is never mistaken for a working one that is merely quiet.
bool QtSoundPreview::PlayAndWait(const std::string& path) {
    const std::optional<uint32_t> duration = WavDurationMs(path);
    if (!duration) {
        QApplication::beep();
        return false;
    }
#ifdef QUILLON_HAVE_MULTIMEDIA
    if (QMediaDevices::audioOutputs().isEmpty()) {
        QApplication::beep();
        return false;
    }
    QSoundEffect effect;
    effect.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
    effect.play();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(*duration) + kLoadAllowanceMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    effect.stop();
    return true;
#else
    QApplication::beep();
    return false;
#endif
}

}  // namespace quillon
