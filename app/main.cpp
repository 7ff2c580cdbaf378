// Entry point of the desktop program: builds the program state (application folder, operating
// system text) and hands it to the windows. "--screenshots DIR" renders the controls and dialogs
// to PNG files and exits; "--app-dir DIR" overrides the application folder.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "app/ScreenshotGallery.h"
#include "platform/AppDirectory.h"
#include "platform/OsVersionText.h"
#include "ui/CDlgAboutQuillon.h"
#include "ui/DialogRunner.h"
#include "upload/ProgramState.h"

namespace {
constexpr int kExitFailure = 1;
}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillon7"));

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption screenshots(QStringLiteral("screenshots"),
                                         QStringLiteral("Render the controls and dialogs as PNG "
                                                        "files into <dir>, then exit."),
                                         QStringLiteral("dir"));
    const QCommandLineOption appDir(QStringLiteral("app-dir"),
                                    QStringLiteral("Use <dir> for settings, logs and history."),
                                    QStringLiteral("dir"));
    parser.addOption(screenshots);
    parser.addOption(appDir);
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

    // The main window comes later; until then the program introduces itself.
    quillon::DialogRunner runner;
    quillon::CDlgAboutQuillon about(state);
    runner.Run(about);
    return 0;
}
