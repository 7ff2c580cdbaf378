// Entry point of the desktop program: builds the program state (application folder, operating
// system text) and runs the main window. "--screenshots DIR" renders the controls and windows
// to PNG files and exits; "--app-dir DIR" overrides the application folder; "--simulate" puts a
// simulated unit on a pseudo-terminal behind the serial port, for a first try without hardware.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "app/MainPictures.h"
#include "app/Quillon7App.h"
#include "platform/AppDirectory.h"
#include "platform/OsVersionText.h"
#include "platform/ProgramState.h"
#include "tools/ScreenshotGallery.h"

namespace {
constexpr int kExitFailure = 1;
}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillon7"));
    QApplication::setWindowIcon(quillon::ProgramIcon());

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption screenshots(QStringLiteral("screenshots"),
                                         QStringLiteral("Render the controls and dialogs as PNG "
                                                        "files into <dir>, then exit."),
                                         QStringLiteral("dir"));
    const QCommandLineOption appDir(QStringLiteral("app-dir"),
                                    QStringLiteral("Use <dir> for settings, logs and history."),
                                    QStringLiteral("dir"));
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Talk to a simulated HBD or KX2 unit (by the "
                                                     "mode at start) instead of the serial port."));
    parser.addOption(screenshots);
    parser.addOption(appDir);
    parser.addOption(simulate);
    parser.process(application);

    quillon::ProgramState state;
    state.appDir = quillon::ResolveAppDirectory(parser.value(appDir).toStdString());
    if (!quillon::CreateAppFolders(state.appDir)) {
        std::fprintf(stderr, "quillon7: cannot create the application folder %s\n",
                     state.appDir.c_str());
    }
    state.osVersionText = quillon::BuildOsVersionText();

    if (parser.isSet(screenshots)) {
        return quillon::RenderScreenshots(parser.value(screenshots), state) ? 0 : kExitFailure;
    }

    quillon::Quillon7App app(state);
    if (parser.isSet(simulate)) {
        app.EnableSimulation();
    }
    return app.Run();
}
