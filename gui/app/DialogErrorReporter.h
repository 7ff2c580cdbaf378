// Shows the file checks' and the windows' rejections in the numbered error dialog, over the
// window in front (or the given parent), through the dialog runner so tests can answer (and
// read) every error without a screen.
#pragma once

#include <QPointer>
#include <QWidget>

#include "program/ErrorReporter.h"

namespace quillon {

class DialogRunner;

class DialogErrorReporter final : public ErrorReporter {
  public:
    DialogErrorReporter(DialogRunner& runner, QWidget* parent) : runner_(runner), parent_(parent) {}

    void ShowError(int number, const std::optional<std::string>& fileName,
                   const std::string& text) override;

  private:
    DialogRunner& runner_;
    QPointer<QWidget> parent_;
};

}  // namespace quillon
