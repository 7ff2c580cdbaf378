#include "app/UploadWindow.h"

#include "dialogs/DialogRunner.h"
#include "dialogs/SerialTerminalWindow.h"

namespace quillon {

UploadProgressWindow::Selection ToSelection(const MainWindow::UploadRequest& request) {
    UploadProgressWindow::Selection selection;
    selection.commPath = request.files.comm;
    selection.readerPath = request.files.reader;
    selection.speechPath = request.files.speech;
    selection.images = request.images;
    selection.portNumber = request.portNumber;
    selection.portDevice = request.device;
    selection.baudRate = request.baudRate;
    selection.kx2 = request.kx2;
    return selection;
}

MainWindow::UploadWindow MakeUploadWindow(UploadWindowServices services, QWidget* parent) {
    QPointer<QWidget> owner(parent);
    return [services, owner](const MainWindow::UploadRequest& request) {
        UploadProgressWindow::SerialFactory serial = services.serial;
        if (request.line) {
            serial = [line = request.line] { return line; };
        }
        UploadProgressWindow window(ToSelection(request), services.state, serial, services.clock,
                                    services.runner, services.sounds, owner.data());
        services.runner.Run(window);
    };
}

MainWindow::TextView MakeTextView(UploadWindowServices services, QWidget* parent) {
    QPointer<QWidget> owner(parent);
    return [services, owner](int portNumber, const std::string& device, int baudRate) {
        SerialTerminalWindow view(SerialTerminalWindow::Line{portNumber, device, baudRate},
                                  services.state, services.clock, owner.data());
        view.SetEcho(true);
        services.runner.Run(view);
    };
}

}  // namespace quillon
