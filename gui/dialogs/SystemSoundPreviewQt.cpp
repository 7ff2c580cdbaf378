#include "dialogs/SystemSoundPreview.h"

#include <QApplication>
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

void PlayDefaultSound() {
    QApplication::beep();
}

// A sound that cannot be played gets the platform's default sound instead, so a test press on
// a missing or broken file is never mistaken for a working one that is merely quiet.
bool SystemSoundPreview::PlayAndWait(const std::string& path) {
    const std::optional<uint32_t> duration = WavDurationMs(path);
    if (!duration) {
        defaultSound_();
        return false;
    }
#ifdef QUILLON_HAVE_MULTIMEDIA
    if (QMediaDevices::audioOutputs().isEmpty()) {
        defaultSound_();
        return false;
    }
    QSoundEffect effect;
    effect.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
    effect.play();
    WaitWhilePainting(static_cast<int>(*duration) + kLoadAllowanceMs);
    effect.stop();
    return true;
#else
    defaultSound_();
    return false;
#endif
}

}  // namespace quillon
