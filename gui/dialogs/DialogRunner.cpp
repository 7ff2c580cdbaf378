#include "dialogs/DialogRunner.h"

#include "dialogs/WindowPlacement.h"

namespace quillon {

int DialogRunner::Run(QDialog& dialog) {
    WindowPlacement::CentreOverParent(dialog);
    if (answers_.empty()) {
        return dialog.exec();
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    ++answered_;
    if (answer.inspect) {
        answer.inspect(dialog);
    }
    dialog.done(answer.result);
    return answer.result;
}

void DialogRunner::AnswerNext(int result, Inspector inspect) {
    answers_.push_back(Answer{result, std::move(inspect)});
}

}  // namespace quillon
