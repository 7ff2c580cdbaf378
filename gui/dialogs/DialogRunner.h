// Shows modal dialogs for whoever asks. Tests queue answers: while one is queued the next dialog
// is not shown but ended at once with that result (after an optional look at its contents), so
// every path behind a dialog can be driven without a screen or a user.
#pragma once

#include <QDialog>
#include <deque>
#include <functional>

namespace quillon {

class DialogRunner {
  public:
    using Inspector = std::function<void(QDialog& dialog)>;

    // The dialog's result: exec() normally, the next queued answer when one is waiting. Either
    // way the dialog is first centred over its parent's window.
    int Run(QDialog& dialog);

    // The next dialog run returns result; inspect (if given) sees it, filled, before that.
    void AnswerNext(int result, Inspector inspect = {});
    std::size_t PendingAnswers() const { return answers_.size(); }
    int AnsweredCount() const { return answered_; }

  private:
    struct Answer {
        int result = 0;
        Inspector inspect;
    };
    std::deque<Answer> answers_;
    int answered_ = 0;
};

}  // namespace quillon
