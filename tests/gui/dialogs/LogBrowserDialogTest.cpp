// The log browser: the rows it lists, View and Delete on the marked row (and their refusal
// without one), the delete confirmation and a delete that fails.
#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/LogBrowserDialog.h"
#include "dialogs/TextFileWindow.h"
#include "program/ErrorReporter.h"

using namespace quillon;

namespace {

// A Logs folder, the dialog over it, and the errors it reports as "number text".
struct Browser : ErrorReporter {
    QTemporaryDir dir;
    std::string logs = dir.path().toStdString() + "/Logs";
    DialogRunner runner;
    std::vector<std::string> errors;
    std::optional<LogBrowserDialog> dialog;

    struct LogFile {
        std::string name;
        std::size_t bytes;
        int ageSeconds = 0;
    };
    explicit Browser(const std::vector<LogFile>& files) {
        QDir().mkpath(QString::fromStdString(logs));
        const auto now = std::filesystem::file_time_type::clock::now();
        for (const auto& [name, bytes, age] : files) {
            std::ofstream(logs + "/" + name, std::ios::binary) << std::string(bytes, 'L');
            std::filesystem::last_write_time(logs + "/" + name, now - std::chrono::seconds(age));
        }
        dialog.emplace(logs, runner, *this);
    }
    void ShowError(int number, const std::optional<std::string>&,
                   const std::string& text) override {
        errors.push_back(std::to_string(number) + " " + text);
    }
    bool Exists(const QString& name) const {
        return QFile::exists(QString::fromStdString(logs + "/") + name);
    }
    QTreeWidgetItem* Row(int i) const { return dialog->List()->topLevelItem(i); }
    // The texts of one column, top to bottom.
    QStringList Column(int column) const {
        QStringList texts;
        for (int i = 0; i < dialog->List()->topLevelItemCount(); ++i) {
            texts << Row(i)->text(column);
        }
        return texts;
    }
};

}  // namespace

class LogBrowserTest : public QObject {
    Q_OBJECT

  private slots:
    // Which files are listed and how sizes round is the folder scan's business; here that its rows
    // reach the columns newest first, and that a header sorts by numbers (2 KB before 10 KB).
    void ListsNewestFirstAndSortsByNumbers() {
        using D = LogBrowserDialog;
        Browser browser({{"Quillon_LogMsg_a.txt", 0, 300},
                         {"Quillon_LogSerial_d.TXT", 1025},
                         {"Quillon_LogMsg_b.txt", 10240, 100}});
        QCOMPARE(browser.Column(D::kColName),
                 QStringList({"Quillon_LogSerial_d", "Quillon_LogMsg_b", "Quillon_LogMsg_a"}));
        QCOMPARE(browser.Column(D::kColType), QStringList({"Serial", "Status", "Status"}));
        browser.dialog->List()->header()->setSortIndicator(D::kColSize, Qt::AscendingOrder);
        QCOMPARE(browser.Column(D::kColSize), QStringList({"0 KB", "2 KB", "10 KB"}));
        QCOMPARE(browser.Column(D::kColCount), QStringList({"3", "1", "2"}));
    }

    void ViewAndDeleteActOnTheMarkedRow() {
        Browser browser({{"Quillon_LogMsg_v.TXT", 10}});
        LogBrowserDialog& dialog = *browser.dialog;
        QList<QUrl> opened;
        bool viewerFound = true;
        dialog.SetUrlOpener([&](const QUrl& url) {
            opened << url;
            return viewerFound;
        });
        QList<bool> enabled;  // Refresh, View, Delete
        dialog.SetMenuRunner([&enabled](QMenu& menu) -> QAction* {
            enabled.clear();
            for (QAction* action : menu.actions()) {
                if (!action->isSeparator()) {
                    enabled << action->isEnabled();
                }
            }
            return enabled.last() ? menu.actions().at(2) : nullptr;  // View when it may
        });
        dialog.ViewButton()->click();
        dialog.DeleteButton()->click();
        dialog.ShowContextMenu();
        QCOMPARE(enabled, QList<bool>({true, false, false}));
        QCOMPARE(browser.errors.size(), std::size_t(2));
        QVERIFY(browser.errors[0].starts_with("202 No file has been selected!"));
        QVERIFY(opened.isEmpty() && browser.Exists("Quillon_LogMsg_v.TXT"));

        // The row the list marks as current when it gets the focus is not chosen; a click is.
        dialog.List()->selectionModel()->setCurrentIndex(dialog.List()->model()->index(0, 0),
                                                         QItemSelectionModel::NoUpdate);
        dialog.ViewButton()->click();
        QCOMPARE(browser.errors.size(), std::size_t(3));
        dialog.List()->setCurrentItem(browser.Row(0));
        dialog.ShowContextMenu();
        QCOMPARE(enabled, QList<bool>({true, true, true}));
        const QString file = QString::fromStdString(browser.logs) + "/Quillon_LogMsg_v.TXT";
        QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile(file)}));

        // With no viewer on the desktop, a double click shows the file in the program's window.
        viewerFound = false;
        QString shown;
        browser.runner.AnswerNext(0, [&shown](QDialog& window) {
            auto* text = qobject_cast<TextFileWindow*>(&window);
            shown = text == nullptr ? QString() : text->TextPane()->toPlainText();
        });
        emit dialog.List()->itemDoubleClicked(browser.Row(0), 0);
        QCOMPARE(opened.size(), 2);
        QCOMPARE(shown, QStringLiteral("LLLLLLLLLL"));
        QCOMPARE(browser.errors.size(), std::size_t(3));
    }

    void Delete_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("goneBefore");  // someone else removed the file after the listing
        QTest::addColumn<QStringList>("counts");
        QTest::newRow("YES deletes, the other rows keep their numbers")
            << ConfirmDialog::kResultYes << false << QStringList({"1", "3"});
        QTest::newRow("NO keeps file and row")
            << ConfirmDialog::kResultNo << false << QStringList({"1", "2", "3"});
        QTest::newRow("failed delete is said and the row stays")
            << ConfirmDialog::kResultYes << true << QStringList({"1", "2", "3"});
    }
    void Delete() {
        QFETCH(int, answer);
        QFETCH(bool, goneBefore);
        QFETCH(QStringList, counts);
        Browser browser({{"Quillon_LogMsg_1.txt", 10},
                         {"Quillon_LogMsg_2.txt", 10},
                         {"Quillon_LogMsg_3.txt", 10}});
        const QString name = browser.Row(1)->text(LogBrowserDialog::kColName);
        if (goneBefore) {
            QVERIFY(QFile::remove(QString::fromStdString(browser.logs + "/") + name + ".txt"));
        }
        browser.dialog->List()->setCurrentItem(browser.Row(1));
        QString question;
        browser.runner.AnswerNext(answer, [&question](QDialog& shown) {
            auto* confirm = qobject_cast<ConfirmDialog*>(&shown);
            question = confirm == nullptr ? QString() : confirm->Text();
        });
        browser.dialog->DeleteButton()->click();
        QCOMPARE(question, "Are you sure?\n\nDelete log file?\n" + name);
        QCOMPARE(browser.Exists(name + ".txt"), answer != ConfirmDialog::kResultYes);
        QCOMPARE(browser.Column(LogBrowserDialog::kColCount), counts);
        QCOMPARE(browser.errors.size(), std::size_t(goneBefore ? 1 : 0));
        if (goneBefore) {
            QVERIFY(browser.errors[0].find(name.toStdString()) != std::string::npos);
        }
    }
};

QTEST_MAIN(LogBrowserTest)
#include "LogBrowserDialogTest.moc"
