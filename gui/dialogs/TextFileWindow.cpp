#include "dialogs/TextFileWindow.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/DialogRunner.h"

namespace quillon {

namespace {
constexpr qint64 kLargestShownBytes = 16 * 1024 * 1024;
}  // namespace

TextFileWindow::TextFileWindow(const QString& path, QWidget* parent, Saver saver)
    : QDialog(parent), path_(path), pane_(new QPlainTextEdit(this)), saver_(std::move(saver)) {
    setObjectName(QStringLiteral("TextFileWindow"));
    setWindowTitle(QStringLiteral("%1 - %2").arg(QFileInfo(path).fileName(), path));
    setSizeGripEnabled(true);
    pane_->setLineWrapMode(QPlainTextEdit::NoWrap);
    pane_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    QFile file(path);
    const bool readable = file.open(QIODevice::ReadOnly);
    if (readable) {
        // Shown and edited with "\n" line ends; the saver writes the file's own.
        QString text = QString::fromUtf8(file.read(kLargestShownBytes));
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        pane_->setPlainText(text);
    } else {
        pane_->setPlainText(QStringLiteral("Cannot read %1:\n%2").arg(path, file.errorString()));
    }
    const bool editable = saver_ && readable;
    pane_->setReadOnly(!editable);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pane_);
    if (editable) {
        save_ = buttons->addButton(QDialogButtonBox::Save);
        save_->setEnabled(false);
        connect(pane_, &QPlainTextEdit::modificationChanged, save_, &QPushButton::setEnabled);
        connect(save_, &QPushButton::clicked, this, &TextFileWindow::Save);
        status_ = new QLabel(this);
        layout->addWidget(status_);
    }
    layout->addWidget(buttons);

    const QFontMetrics metrics(pane_->font());
    resize(metrics.horizontalAdvance(QLatin1Char('M')) * kColumns, metrics.lineSpacing() * kLines);
}

void TextFileWindow::Save() {
    if (saver_(pane_->toPlainText())) {
        pane_->document()->setModified(false);
        status_->setText(QStringLiteral("Saved."));
    } else {
        status_->setText(QStringLiteral("Could not save %1; the file is as it was.").arg(path_));
    }
}

void TextFileWindow::OpenOrShow(const QString& path, const UrlOpener& opener, DialogRunner& runner,
                                QWidget* parent, Saver saver) {
    if (opener && opener(QUrl::fromLocalFile(path))) {
        return;
    }
    TextFileWindow window(path, parent, std::move(saver));
    runner.Run(window);
}

}  // namespace quillon
