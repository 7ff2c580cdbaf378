// quillon7-screenshots DIR: draws every custom control in its states and each window of quillon7
// into PNG files in DIR, for reviews and the documentation. It needs no display: the pictures are
// drawn offscreen unless another platform is asked for (QT_QPA_PLATFORM, -platform).
#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>

#include "app/MainPictures.h"
#include "platform/OsVersionText.h"
#include "platform/StandardStreams.h"
#include "program/ProgramState.h"
#include "tools/ScreenshotGallery.h"

namespace {
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr const char* kUsage =
    "usage: quillon7-screenshots DIR\n"
    "Renders the controls and windows of quillon7 as PNG files into DIR (made if missing).\n";
}  // namespace

int main(int argc, char* argv[]) {
    if (!quillon::OpenClosedStandardStreams()) {
        return kExitFailure;
    }
    bool platformGiven = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return kExitSuccess;
        }
        platformGiven = platformGiven || std::strcmp(argv[i], "-platform") == 0;
    }
    if (!platformGiven) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The windows are quillon7's and go by its name, so that what they show (the names of their
    // temporary folders) is what the program itself shows.
    QCoreApplication::setApplicationName(QStringLiteral("quillon7"));
    QApplication application(argc, argv);
    QApplication::setWindowIcon(quillon::ProgramIcon());
    // What is left once Qt has taken its own options (such as -platform).
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() != 1 || arguments[0].isEmpty() || arguments[0].startsWith('-')) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    quillon::ProgramState state;
    state.osVersionText = quillon::BuildOsVersionText();
    return quillon::RenderScreenshots(arguments[0], state) ? kExitSuccess : kExitFailure;
}
