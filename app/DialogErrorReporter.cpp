#include "app/DialogErrorReporter.h"

#include "ui/CDlgErrorMessage.h"
#include "ui/DialogRunner.h"

namespace quillon {

void DialogErrorReporter::ShowError(int number, const std::optional<std::string>& fileName,
                                    const std::string& text) {
    CDlgErrorMessage dialog(parent_.data());
    dialog.SetErrorNumber(number);
    if (fileName) {
        dialog.SetFileName(QString::fromStdString(*fileName));
    }
    dialog.SetMessage(QString::fromStdString(text));
    runner_.Run(dialog);
}

}  // namespace quillon
