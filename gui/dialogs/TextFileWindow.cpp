#include "dialogs/TextFileWindow.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "dialogs/DialogRunner.h"

namespace quillon {

namespace {
constexpr qint64 kLargestShownBytes = 16 * 1024 * 1024;
}  // namespace

TextFileWindow::TextFileWindow(const QString& path, QWidget* parent)
    : QDialog(parent), path_(path), pane_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("TextFileWindow"));
    setWindowTitle(QStringLiteral("%1 - %2").arg(QFileInfo(path).fileName(), path));
    setSizeGripEnabled(true);
    pane_->setReadOnly(true);
    pane_->setLineWrapMode(QPlainTextEdit::NoWrap);
    pane_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        pane_->setPlainText(QString::fromUtf8(file.read(kLargestShownBytes)));
    } else {
        pane_->setPlainText(QStringLiteral("Cannot read %1:\n%2").arg(path, file.errorString()));
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pane_);
    layout->addWidget(buttons);

    const QFontMetrics metrics(pane_->font());
    resize(metrics.horizontalAdvance(QLatin1Char('M')) * kColumns, metrics.lineSpacing() * kLines);
}

void TextFileWindow::OpenOrShow(const QString& path, const UrlOpener& opener, DialogRunner& runner,
                                QWidget* parent) {
    if (opener && opener(QUrl::fromLocalFile(path))) {
        return;
    }
    TextFileWindow window(path, parent);
    runner.Run(window);
}

}  // namespace quillon
