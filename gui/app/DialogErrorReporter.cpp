#include "app/DialogErrorReporter.h"

#include <QApplication>

#include "dialogs/DialogRunner.h"
#include "dialogs/ErrorMessageDialog.h"

namespace quillon {

void DialogErrorReporter::ShowError(int number, const std::optional<std::string>& fileName,
                                    const std::string& text) {
    // Over the window the user works in: a window opened from the main window (the log
    // browser, the settings) stays in front, with the error over it.
    QWidget* modal = QApplication::activeModalWidget();
    ErrorMessageDialog dialog(modal != nullptr ? modal : parent_.data());
    dialog.SetErrorNumber(number);
    if (fileName) {
        dialog.SetFileName(QString::fromStdString(*fileName));
    }
    dialog.SetMessage(QString::fromStdString(text));
    runner_.Run(dialog);
}

}  // namespace quillon
