// Entry point of the desktop program: builds the program state (application folder, operating
// system text) and runs the main window. "--app-dir DIR" overrides the application folder;
// "--simulate" puts a simulated unit on an in-process line in place of the serial port, for a
// first try without hardware.
// "--help" and "--version" are answered on stdout before any window system is touched, so they
// work without a display.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "app/MainPictures.h"
#include "app/Quillon7App.h"
#include "platform/AppDirectory.h"
#include "platform/OsVersionText.h"
#include "platform/StandardStreams.h"
#include "program/ProgramState.h"
#include "program/Version.h"

namespace {
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;

QStringList ArgumentList(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

// Prints the help or the version when asked for; true when the program has nothing more to do.
// Options the window system takes (such as -platform) are left for the second parse.
bool AnswerWithoutDisplay(QCommandLineParser& parser, const QStringList& arguments,
                          const QCommandLineOption& help, const QCommandLineOption& version) {
    static_cast<void>(parser.parse(arguments));
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        // Without an application object the usage line cannot name the program itself.
        const QString text =
            parser.helpText().replace(QStringLiteral("<executable_name>"), arguments.value(0));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return true;
    }
    if (parser.isSet(version)) {
        std::printf("quillon7 %d.%d\n", quillon::kVersionMajor, quillon::kVersionMinor);
        return true;
    }
    return false;
}
}  // namespace

int main(int argc, char* argv[]) {
    if (!quillon::OpenClosedStandardStreams()) {
        return kExitFailure;
    }
    QCoreApplication::setApplicationName(QStringLiteral("quillon7"));
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption appDir(QStringLiteral("app-dir"),
                                    QStringLiteral("Use <dir> for settings, logs and history."),
                                    QStringLiteral("dir"));
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Talk to a simulated HBD or KX2 unit (by the "
                                                     "mode at start) instead of the serial port."));
    parser.addOption(appDir);
    parser.addOption(simulate);
    if (AnswerWithoutDisplay(parser, ArgumentList(argc, argv), help, version)) {
        return kExitSuccess;
    }
    if (parser.isSet(appDir) && parser.value(appDir).isEmpty()) {
        // Not the program's own folder in its place, unasked.
        std::fputs("quillon7: --app-dir needs a folder, not an empty value\n", stderr);
        return kExitFailure;
    }

    QApplication application(argc, argv);
    QApplication::setWindowIcon(quillon::ProgramIcon());
    parser.process(application);

    quillon::ProgramState state;
    state.appDir = quillon::ResolveAppDirectory(parser.value(appDir).toStdString());
    if (!quillon::CreateAppFolders(state.appDir)) {
        std::fprintf(stderr, "quillon7: cannot create the application folder %s\n",
                     state.appDir.c_str());
    }
    state.osVersionText = quillon::BuildOsVersionText();

    quillon::Quillon7App app(state);
    if (parser.isSet(simulate)) {
        app.EnableSimulation();
    }
    return app.Run();
}
