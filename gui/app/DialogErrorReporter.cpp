#include "app/DialogErrorReporter.h"

#include "dialogs/DialogRunner.h"
#include "dialogs/ErrorMessageDialog.h"

namespace quillon {

void DialogErrorReporter::ShowError(int number, const std::optional<std::string>& fileName,
                                    const std::string& text) {
    ErrorMessageDialog dialog(parent_.data());
    dialog.SetErrorNumber(number);
    if (fileName) {
        dialog.SetFileName(QString::fromStdString(*fileName));
    }
    dialog.SetMessage(QString::fromStdString(text));
    runner_.Run(dialog);
}

}  // namespace quillon
