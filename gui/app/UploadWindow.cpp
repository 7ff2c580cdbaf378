#include "app/UploadWindow.h"

#include "dialogs/DialogRunner.h"
#include "dialogs/SerialTerminalWindow.h"

namespace quillon {

UploadProgressWindow::Selection ToSelection(const MainWindow::UploadRequest& request) {
    UploadProgressWindow::Selection selection;
    selection.commPath = request.files.comm;
    selection.readerPath = request.files.reader;
    selection.speechPath = request.files.speech;
    selection.kx2 = request.kx2;
    selection.session = request.session;
    selection.line = request.line;
    return selection;
}

MainWindow::UploadWindow MakeUploadWindow(UploadWindowServices services, QWidget* parent) {
    QPointer<QWidget> owner(parent);
    return [services, owner](const MainWindow::UploadRequest& request) {
        UploadProgressWindow window(ToSelection(request), services.state, services.clock,
                                    services.runner, services.sounds, services.sessions,
                                    owner.data());
        services.runner.Run(window);
    };
}

MainWindow::TextView MakeTextView(UploadWindowServices services, QWidget* parent) {
    QPointer<QWidget> owner(parent);
    return [services, owner](const SerialTerminalWindow::Line& line) {
        SerialTerminalWindow view(line, services.state, services.clock, owner.data());
        view.SetEcho(true);
        services.runner.Run(view);
    };
}

}  // namespace quillon
