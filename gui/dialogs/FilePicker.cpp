#include "dialogs/FilePicker.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

#include "dialogs/WindowPlacement.h"

namespace quillon {

std::optional<QString> FilePicker::PickOpenFile(QWidget* parent, const Request& request) {
    if (answers_.empty()) {
        return ShowDialog(parent, request);
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer.inspect) {
        answer.inspect(request);
    }
    return answer.path;
}

void FilePicker::AnswerNext(std::optional<QString> path, Inspector inspect) {
    answers_.push_back(Answer{std::move(path), std::move(inspect)});
}

QString FilePicker::ConvertFilter(const QString& oldFilter) {
    // Pairs of "shown text|pattern"; the shown text already names the patterns.
    const QStringList parts = oldFilter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString shown = parts.at(i);
        shown.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        filters << shown;
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<QString> FilePicker::ShowDialog(QWidget* parent, const Request& request) {
    QFileDialog dialog(parent, request.caption);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters(request.filter.split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(request.defaultSuffix);
    WindowPlacement::CentreOverParent(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    // In the platform's own form (backslashes on Windows), as the path is shown and recorded.
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

}  // namespace quillon
