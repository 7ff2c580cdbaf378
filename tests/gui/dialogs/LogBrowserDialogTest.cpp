// The log browser: which files it lists and how, view and delete with and without a selection,
// the delete confirmation, the row numbers kept until a refresh, and a failed delete.
#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <map>

#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/LogBrowserDialog.h"
#include "dialogs/TextFileWindow.h"
#include "platform/ErrorReporter.h"

using quillon::LogBrowserDialog;

namespace {

class RecordingErrors final : public quillon::ErrorReporter {
  public:
    void ShowError(int number, const std::optional<std::string>& fileName,
                   const std::string& text) override {
        numbers.push_back(number);
        files.push_back(fileName.value_or(""));
        texts.push_back(text);
    }
    std::vector<int> numbers;
    std::vector<std::string> files;
    std::vector<std::string> texts;
};

struct LogsFolder {
    QTemporaryDir dir;
    std::string logs = dir.path().toStdString() + "/Logs";
    quillon::DialogRunner runner;
    RecordingErrors errors;

    LogsFolder() { QDir().mkpath(QString::fromStdString(logs)); }
    void Write(const std::string& name, std::size_t bytes) const {
        std::ofstream(logs + "/" + name, std::ios::binary) << std::string(bytes, 'L');
    }
    bool Exists(const std::string& name) const {
        return QFile::exists(QString::fromStdString(logs + "/" + name));
    }
};

// Column texts of every row, by file name.
std::map<QString, QStringList> Rows(const LogBrowserDialog& dialog) {
    std::map<QString, QStringList> rows;
    QTreeWidget* list = dialog.List();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList texts;
        for (int c = 0; c < LogBrowserDialog::kColumns; ++c) {
            texts << list->topLevelItem(i)->text(c);
        }
        rows[texts[LogBrowserDialog::kColName]] = texts;
    }
    return rows;
}

QStringList Counts(const LogBrowserDialog& dialog) {
    QStringList counts;
    for (int i = 0; i < dialog.List()->topLevelItemCount(); ++i) {
        counts << dialog.List()->topLevelItem(i)->text(LogBrowserDialog::kColCount);
    }
    return counts;
}

}  // namespace

class LogBrowserTest : public QObject {
    Q_OBJECT

  private slots:
    void ColumnsAndSizes();
    void ViewAndDeleteNeedTheMarkedRow();
    void DeleteSecondOfThreeKeepsNumbersUntilRefresh();
    void DeleteAnsweredNoKeepsFileAndRow();
    void FailedDeleteIsReportedAndRowStays();
    void ViewOpensTheFileAndContextMenuGreysWithoutSelection();
    void LayoutFollowsTheWindowSize();
};

// Which files are listed and how sizes round is the folder scan's business; here only that its
// rows reach the columns.
void LogBrowserTest::ColumnsAndSizes() {
    LogsFolder folder;
    folder.Write("Quillon_LogMsg_a.txt", 0);
    folder.Write("Quillon_LogSerial_d.TXT", 1025);
    folder.Write("Quillon_LogMsg_e.log", 10);
    LogBrowserDialog dialog(folder.logs, folder.runner, folder.errors);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("View Logs"));
    QStringList headers;
    for (int c = 0; c < LogBrowserDialog::kColumns; ++c) {
        headers << dialog.List()->headerItem()->text(c);
        QCOMPARE(dialog.List()->columnWidth(c), LogBrowserDialog::kColumnWidths[c]);
    }
    QCOMPARE(headers, QStringList({"Count", "Type", "File Name", "Date", "Time", "Size"}));
    const auto rows = Rows(dialog);
    QCOMPARE(rows.size(), std::size_t(2));
    QCOMPARE(rows.at("Quillon_LogMsg_a")[LogBrowserDialog::kColSize], QStringLiteral("0 KB"));
    QCOMPARE(rows.at("Quillon_LogMsg_a")[LogBrowserDialog::kColType], QStringLiteral("Status"));
    QCOMPARE(rows.at("Quillon_LogSerial_d")[LogBrowserDialog::kColSize], QStringLiteral("2 KB"));
    QCOMPARE(rows.at("Quillon_LogSerial_d")[LogBrowserDialog::kColType], QStringLiteral("Serial"));
    QVERIFY(rows.at("Quillon_LogMsg_a")[LogBrowserDialog::kColTime].contains(
        QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"))));
    QCOMPARE(Counts(dialog), QStringList({"1", "2"}));
    QCOMPARE(dialog.RowsAdded(), 2);
}

void LogBrowserTest::ViewAndDeleteNeedTheMarkedRow() {
    LogsFolder folder;
    folder.Write("Quillon_LogMsg_a.txt", 10);
    LogBrowserDialog dialog(folder.logs, folder.runner, folder.errors);
    bool opened = false;
    // A desktop without a viewer.
    dialog.SetUrlOpener([&opened](const QUrl&) {
        opened = true;
        return false;
    });
    dialog.ViewButton()->click();
    dialog.DeleteButton()->click();
    QCOMPARE(folder.errors.numbers, std::vector<int>({202, 202}));
    QCOMPARE(folder.errors.texts[0],
             std::string("No file has been selected!\n\nClick a row to select a log file"));
    QCOMPARE(folder.errors.files[0], std::string());
    QVERIFY(!opened);
    QVERIFY(folder.Exists("Quillon_LogMsg_a.txt"));
    // The row the list marks as current when it gets the focus is the one View opens; with no
    // viewer the program shows the file in its own window.
    dialog.List()->selectionModel()->setCurrentIndex(dialog.List()->model()->index(0, 0),
                                                     QItemSelectionModel::NoUpdate);
    QString shown;
    folder.runner.AnswerNext(0, [&shown](QDialog& window) {
        auto* text = qobject_cast<quillon::TextFileWindow*>(&window);
        shown = text == nullptr ? QString() : text->TextPane()->toPlainText();
    });
    dialog.ViewButton()->click();
    QVERIFY(opened);
    QCOMPARE(shown, QStringLiteral("LLLLLLLLLL"));
    QCOMPARE(folder.errors.numbers.size(), std::size_t(2));
}

void LogBrowserTest::DeleteSecondOfThreeKeepsNumbersUntilRefresh() {
    LogsFolder folder;
    folder.Write("Quillon_LogMsg_1.txt", 10);
    folder.Write("Quillon_LogMsg_2.txt", 10);
    folder.Write("Quillon_LogMsg_3.txt", 10);
    LogBrowserDialog dialog(folder.logs, folder.runner, folder.errors);
    QTreeWidgetItem* second = dialog.List()->topLevelItem(1);
    const QString name = second->text(LogBrowserDialog::kColName);
    dialog.List()->setCurrentItem(second);
    QString question;
    folder.runner.AnswerNext(quillon::ConfirmDialog::kResultYes, [&question](QDialog& d) {
        question = qobject_cast<quillon::ConfirmDialog*>(&d)->Text();
    });
    dialog.DeleteButton()->click();
    QCOMPARE(question, QStringLiteral("Are you sure?\n\nDelete log file?\n") + name);
    QVERIFY(!folder.Exists(name.toStdString() + ".txt"));
    QCOMPARE(Counts(dialog), QStringList({"1", "3"}));
    QVERIFY(folder.errors.numbers.empty());
    dialog.RefreshButton()->click();
    QCOMPARE(Counts(dialog), QStringList({"1", "2"}));
    QCOMPARE(dialog.RowsAdded(), 2);
}

void LogBrowserTest::DeleteAnsweredNoKeepsFileAndRow() {
    LogsFolder folder;
    folder.Write("Quillon_LogMsg_1.txt", 10);
    LogBrowserDialog dialog(folder.logs, folder.runner, folder.errors);
    dialog.List()->setCurrentItem(dialog.List()->topLevelItem(0));
    folder.runner.AnswerNext(quillon::ConfirmDialog::kResultNo);
    dialog.DeleteButton()->click();
    QVERIFY(folder.Exists("Quillon_LogMsg_1.txt"));
    QCOMPARE(dialog.List()->topLevelItemCount(), 1);
}

void LogBrowserTest::FailedDeleteIsReportedAndRowStays() {
    LogsFolder folder;
    folder.Write("Quillon_LogMsg_gone.txt", 10);
    LogBrowserDialog dialog(folder.logs, folder.runner, folder.errors);
    // Someone else removes the file after the list was made.
    QFile::remove(QString::fromStdString(folder.logs + "/Quillon_LogMsg_gone.txt"));
    dialog.List()->setCurrentItem(dialog.List()->topLevelItem(0));
    folder.runner.AnswerNext(quillon::ConfirmDialog::kResultYes);
    dialog.DeleteButton()->click();
    QCOMPARE(folder.errors.numbers.size(), std::size_t(1));
    QVERIFY(folder.errors.texts[0].find("Quillon_LogMsg_gone") != std::string::npos);
    QCOMPARE(dialog.List()->topLevelItemCount(), 1);
}

void LogBrowserTest::ViewOpensTheFileAndContextMenuGreysWithoutSelection() {
    LogsFolder folder;
    folder.Write("Quillon_LogMsg_v.txt", 10);
    LogBrowserDialog dialog(folder.logs, folder.runner, folder.errors);
    QList<QUrl> opened;
    dialog.SetUrlOpener([&opened](const QUrl& url) {
        opened << url;
        return true;
    });
    QStringList entries;
    QList<bool> enabled;
    QString choose;
    dialog.SetMenuRunner([&](QMenu& menu) -> QAction* {
        entries.clear();
        enabled.clear();
        QAction* chosen = nullptr;
        for (QAction* action : menu.actions()) {
            entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
            enabled << action->isEnabled();
            if (action->text() == choose) {
                chosen = action;
            }
        }
        return chosen;
    });
    dialog.ShowContextMenu();
    QCOMPARE(entries, QStringList({"Refresh List", "-", "View Selected File", "-",
                                   "Delete Selected File", "-"}));
    QCOMPARE(enabled[2], false);
    QCOMPARE(enabled[4], false);

    dialog.List()->setCurrentItem(dialog.List()->topLevelItem(0));
    choose = QStringLiteral("View Selected File");
    dialog.ShowContextMenu();
    QCOMPARE(enabled[2], true);
    const QString file = QString::fromStdString(folder.logs + "/Quillon_LogMsg_v.txt");
    QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(file)}));

    emit dialog.List()->itemDoubleClicked(dialog.List()->topLevelItem(0), 0);
    QCOMPARE(opened.size(), 2);
}

void LogBrowserTest::LayoutFollowsTheWindowSize() {
    LogsFolder folder;
    LogBrowserDialog dialog(folder.logs, folder.runner, folder.errors);
    dialog.setWindowState(Qt::WindowNoState);
    dialog.resize(1000, 600);
    QCoreApplication::processEvents();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.resize(1000, 600);
    QTRY_COMPARE(dialog.List()->geometry(),
                 QRect(5, 10, dialog.width() - 10, dialog.height() - 48));
    const int w = dialog.width();
    const int top = dialog.height() - 33;
    QCOMPARE(dialog.ExitButton()->geometry(), QRect(w - 140, top, 120, 28));
    QCOMPARE(dialog.ViewButton()->geometry(), QRect(w - 270, top, 120, 28));
    QCOMPARE(dialog.RefreshButton()->geometry(), QRect(w - 400, top, 120, 28));
    QCOMPARE(dialog.DeleteButton()->geometry(), QRect(w - 530, top, 120, 28));
    dialog.ExitButton()->click();
    QVERIFY(!dialog.isVisible());
}

QTEST_MAIN(LogBrowserTest)
#include "LogBrowserDialogTest.moc"
