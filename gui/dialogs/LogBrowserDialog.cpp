#include "dialogs/LogBrowserDialog.h"

#include <QCursor>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <tuple>

#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/EditorOpener.h"
#include "dialogs/TextFileWindow.h"
#include "program/ErrorReporter.h"
#include "records/LogFolderScan.h"

namespace quillon {

namespace {

constexpr const char* kHeaders[] = {"Count", "Type", "File Name", "Date", "Time", "Size"};
constexpr const char* kSerialType = "Serial";
constexpr const char* kStatusType = "Status";
constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 28;
constexpr int kButtonRise = 33;
constexpr int kExitOffset = 140;
constexpr int kViewOffset = 270;
constexpr int kRefreshOffset = 400;
constexpr int kDeleteOffset = 530;
constexpr int kListLeft = 5;
constexpr int kListTop = 10;
constexpr int kListWidthLoss = 10;
constexpr int kListHeightLoss = 48;
constexpr int kNameLimit = 259;
constexpr int kStartWidth = 900;
constexpr int kStartHeight = 500;
constexpr int kSortKeyRole = Qt::UserRole;
constexpr int kExtensionRole = Qt::UserRole + 1;

// The last change as one number that sorts like the time it stands for.
qint64 ChangeKey(const LogFileRow& row) {
    return ((((qint64{row.year} * 13 + row.month) * 32 + row.day) * 24 + row.hour) * 60 +
            row.minute) *
               60 +
           row.second;
}

// Count, date, time and size sort by their numbers, not by the texts shown.
class LogRow final : public QTreeWidgetItem {
  public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, kSortKeyRole);
        const QVariant theirs = other.data(column, kSortKeyRole);
        if (mine.isValid() && theirs.isValid()) {
            return mine.toLongLong() < theirs.toLongLong();
        }
        return QTreeWidgetItem::operator<(other);
    }
};

}  // namespace

LogBrowserDialog::LogBrowserDialog(std::string logsDir, DialogRunner& runner, ErrorReporter& errors,
                                   QWidget* parent)
    : QDialog(parent),
      logsDir_(std::move(logsDir)),
      runner_(runner),
      errors_(errors),
      opener_(&OpenInUsersEditor),
      menuRunner_([](QMenu& menu) { return menu.exec(QCursor::pos()); }),
      list_(new QTreeWidget(this)),
      exit_(new QPushButton(QStringLiteral("Exit"), this)),
      view_(new QPushButton(QStringLiteral("&View File"), this)),
      refresh_(new QPushButton(QStringLiteral("&Refresh List"), this)),
      delete_(new QPushButton(QStringLiteral("&Delete File"), this)) {
    setObjectName(QStringLiteral("LogBrowserDialog"));
    setWindowTitle(QStringLiteral("View Logs"));
    setSizeGripEnabled(true);
    resize(kStartWidth, kStartHeight);

    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAllColumnsShowFocus(true);
    list_->header()->setSectionsClickable(true);
    list_->header()->setStretchLastSection(false);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setColumnCount(kColumns);
    QStringList headers;
    for (const char* header : kHeaders) {
        headers << QString::fromLatin1(header);
    }
    list_->setHeaderLabels(headers);
    for (int column = 0; column < kColumns; ++column) {
        list_->setColumnWidth(column, kColumnWidths[column]);
    }

    exit_->setDefault(true);
    connect(exit_, &QPushButton::clicked, this, &QDialog::accept);
    connect(view_, &QPushButton::clicked, this, &LogBrowserDialog::ViewSelected);
    connect(refresh_, &QPushButton::clicked, this, &LogBrowserDialog::RefreshList);
    connect(delete_, &QPushButton::clicked, this, &LogBrowserDialog::DeleteSelected);
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { View(item); });
    connect(list_, &QWidget::customContextMenuRequested, this, &LogBrowserDialog::ShowContextMenu);
    ScanLogFiles();
    // Newest first (row 1); a click on a header sorts by that column.
    list_->setSortingEnabled(true);
    list_->sortByColumn(kColCount, Qt::AscendingOrder);
    ArrangeControls();
}

void LogBrowserDialog::ScanLogFiles() {
    std::vector<LogFileRow> rows = quillon::ScanLogFiles(logsDir_);
    std::stable_sort(rows.begin(), rows.end(), [](const LogFileRow& a, const LogFileRow& b) {
        return std::tie(b.year, b.month, b.day, b.hour, b.minute, b.second, b.name) <
               std::tie(a.year, a.month, a.day, a.hour, a.minute, a.second, a.name);
    });
    for (const LogFileRow& row : rows) {
        ++rowsAdded_;
        auto* item = new LogRow(list_);
        item->setText(kColCount, QString::number(rowsAdded_));
        item->setData(kColCount, kSortKeyRole, rowsAdded_);
        item->setText(kColType, QString::fromLatin1(row.serial ? kSerialType : kStatusType));
        item->setText(kColName, QString::fromStdString(row.name));
        item->setData(kColName, kExtensionRole, QString::fromStdString(row.extension));
        item->setText(kColDate, QString::fromStdString(FormatLogDate(row)));
        item->setData(kColDate, kSortKeyRole, ChangeKey(row));
        item->setText(kColTime, QString::fromStdString(FormatLogTime(row)));
        item->setData(kColTime, kSortKeyRole, ChangeKey(row));
        item->setText(kColSize, QString::fromStdString(FormatLogSize(row)));
        item->setData(kColSize, kSortKeyRole, static_cast<qint64>(row.sizeKb));
    }
}

void LogBrowserDialog::RefreshList() {
    list_->clear();
    rowsAdded_ = 0;
    ScanLogFiles();
}

QTreeWidgetItem* LogBrowserDialog::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? nullptr : selected.constFirst();
}

std::string LogBrowserDialog::ExtensionOf(const QTreeWidgetItem& item) {
    return item.data(kColName, kExtensionRole).toString().toStdString();
}

void LogBrowserDialog::ViewSelected() {
    View(SelectedRow());
}

void LogBrowserDialog::View(QTreeWidgetItem* item) {
    if (item == nullptr) {
        errors_.Show(error::kNoLogSelected, std::nullopt);
        return;
    }
    const std::string name = item->text(kColName).left(kNameLimit).toStdString();
    // The viewer needs the real file, so it gets the name with the extension it was listed by.
    const std::string path = LogFilePath(logsDir_, name, ExtensionOf(*item));
    if (!path.empty()) {
        TextFileWindow::OpenOrShow(QString::fromStdString(path), opener_, runner_, this);
    }
}

void LogBrowserDialog::DeleteSelected() {
    QTreeWidgetItem* item = SelectedRow();
    if (item == nullptr) {
        errors_.Show(error::kNoLogSelected, std::nullopt);
        return;
    }
    const QString name = item->text(kColName).left(kNameLimit);
    ConfirmDialog confirm(this);
    confirm.SetText(kDeleteQuestion, qPrintable(name));
    if (runner_.Run(confirm) != ConfirmDialog::kResultYes) {
        return;
    }
    const std::string extension = ExtensionOf(*item);
    if (!DeleteLogFile(logsDir_, name.toStdString(), extension)) {
        // The row stays, so what the list shows is still what the folder holds.
        errors_.Show(error::kLogDeleteFailed, LogFilePath(logsDir_, name.toStdString(), extension),
                     ErrorText(error::kLogDeleteFailed, qPrintable(name)));
        return;
    }
    delete item;
}

void LogBrowserDialog::ShowContextMenu() {
    QMenu menu(this);
    QAction* refresh = menu.addAction(QStringLiteral("Refresh List"));
    menu.addSeparator();
    QAction* view = menu.addAction(QStringLiteral("View Selected File"));
    menu.addSeparator();
    QAction* remove = menu.addAction(QStringLiteral("Delete Selected File"));
    menu.addSeparator();
    const bool selected = SelectedRow() != nullptr;
    view->setEnabled(selected);
    remove->setEnabled(selected);
    QAction* chosen = menuRunner_(menu);
    if (chosen == refresh) {
        RefreshList();
    } else if (chosen == view) {
        ViewSelected();
    } else if (chosen == remove) {
        DeleteSelected();
    }
}

void LogBrowserDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ArrangeControls();
}

void LogBrowserDialog::ArrangeControls() {
    const int w = width();
    const int h = height();
    const int top = h - kButtonRise;
    exit_->setGeometry(w - kExitOffset, top, kButtonWidth, kButtonHeight);
    view_->setGeometry(w - kViewOffset, top, kButtonWidth, kButtonHeight);
    refresh_->setGeometry(w - kRefreshOffset, top, kButtonWidth, kButtonHeight);
    delete_->setGeometry(w - kDeleteOffset, top, kButtonWidth, kButtonHeight);
    list_->setGeometry(kListLeft, kListTop, w - kListWidthLoss, h - kListHeightLoss);
}

}  // namespace quillon
