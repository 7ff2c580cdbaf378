#include "app/UploadWindow.h"

#include "ui/CDlgTextHBD.h"
#include "ui/DialogRunner.h"

namespace quillon {

CDlgUploadFiles::Selection ToSelection(const CMainDlg::UploadRequest& request) {
    CDlgUploadFiles::Selection selection;
    selection.commPath = request.files.comm;
    selection.readerPath = request.files.reader;
    selection.speechPath = request.files.speech;
    selection.portNumber = request.portNumber;
    selection.portDevice = request.device;
    selection.baudRate = request.baudRate;
    selection.kx2 = request.kx2;
    return selection;
}

CMainDlg::UploadWindow MakeUploadWindow(UploadWindowServices services, QWidget* parent) {
    QPointer<QWidget> owner(parent);
    return [services, owner](const CMainDlg::UploadRequest& request) {
        CDlgUploadFiles window(ToSelection(request), services.state, services.serial,
                               services.clock, services.runner, services.sounds, owner.data());
        services.runner.Run(window);
    };
}

CMainDlg::TextView MakeTextView(UploadWindowServices services, QWidget* parent) {
    QPointer<QWidget> owner(parent);
    return [services, owner](int portNumber, const std::string& device, int baudRate) {
        CDlgTextHBD view(CDlgTextHBD::Line{portNumber, device, baudRate}, services.state,
                         services.clock, owner.data());
        view.SetEcho(true);
        services.runner.Run(view);
    };
}

}  // namespace quillon
