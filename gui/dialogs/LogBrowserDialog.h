// The log browser: one row per message or serial-data log of the Logs folder (kind, name, date,
// time, size), newest first and sortable by any column, opened in the desktop's viewer (or the
// program's own text window when there is none) or deleted after a confirmation. Without a row
// chosen it reports error 202; a delete that fails is reported and the row stays.
#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>
#include <string>

class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillon {

class DialogRunner;
class ErrorReporter;

class LogBrowserDialog : public QDialog {
    Q_OBJECT

  public:
    using UrlOpener = std::function<bool(const QUrl&)>;
    using MenuRunner = std::function<QAction*(QMenu& menu)>;

    enum Column { kColCount, kColType, kColName, kColDate, kColTime, kColSize, kColumns };
    static constexpr int kColumnWidths[kColumns] = {60, 80, 340, 140, 100, 90};
    static constexpr const char* kDeleteQuestion = "Are you sure?\n\nDelete log file?\n%s";

    // logsDir: the Logs folder of the application directory. Errors go to errors, the delete
    // question through runner.
    LogBrowserDialog(std::string logsDir, DialogRunner& runner, ErrorReporter& errors,
                     QWidget* parent = nullptr);

    // The viewer for a log file (default: the desktop's); the popup menu's tracking (default:
    // shown at the mouse). Tests replace both.
    void SetUrlOpener(UrlOpener opener) { opener_ = std::move(opener); }
    void SetMenuRunner(MenuRunner runner) { menuRunner_ = std::move(runner); }

    int RowsAdded() const { return rowsAdded_; }
    QTreeWidget* List() const { return list_; }
    QPushButton* ExitButton() const { return exit_; }
    QPushButton* ViewButton() const { return view_; }
    QPushButton* RefreshButton() const { return refresh_; }
    QPushButton* DeleteButton() const { return delete_; }

    void RefreshList();
    void ViewSelected();
    void DeleteSelected();
    // The right-click menu over the list, carried out as chosen.
    void ShowContextMenu();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ScanLogFiles();
    void ArrangeControls();
    void View(QTreeWidgetItem* item);
    QTreeWidgetItem* SelectedRow() const;
    static std::string ExtensionOf(const QTreeWidgetItem& item);

    std::string logsDir_;
    DialogRunner& runner_;
    ErrorReporter& errors_;
    UrlOpener opener_;
    MenuRunner menuRunner_;
    int rowsAdded_ = 0;
    QTreeWidget* list_;
    QPushButton* exit_;
    QPushButton* view_;
    QPushButton* refresh_;
    QPushButton* delete_;
};

}  // namespace quillon
