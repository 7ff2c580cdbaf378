#include "dialogs/LogBrowserDialog.h"

#include <QCursor>
#include <QDesktopServices>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <cstdio>

#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
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

}  // namespace

LogBrowserDialog::LogBrowserDialog(std::string logsDir, DialogRunner& runner, ErrorReporter& errors,
                                   QWidget* parent)
    : QDialog(parent),
      logsDir_(std::move(logsDir)),
      runner_(runner),
      errors_(errors),
      opener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
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
    setWindowState(windowState() | Qt::WindowMaximized);

    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAllColumnsShowFocus(true);
    list_->setSortingEnabled(false);
    list_->header()->setSectionsClickable(false);
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
    // The row the list marks as current (it picks the first one when it gets the focus) is the
    // row the buttons act on, so a row that looks chosen is chosen.
    connect(list_, &QTreeWidget::currentItemChanged, this, [](QTreeWidgetItem* current) {
        if (current != nullptr) {
            current->setSelected(true);
        }
    });

    ScanLogFiles();
    ArrangeControls();
}

void LogBrowserDialog::ScanLogFiles() {
    for (const LogFileRow& row : quillon::ScanLogFiles(logsDir_)) {
        ++rowsAdded_;
        auto* item = new QTreeWidgetItem(list_);
        item->setText(kColCount, QString::number(rowsAdded_));
        item->setText(kColType, QString::fromLatin1(row.serial ? kSerialType : kStatusType));
        item->setText(kColName, QString::fromStdString(row.name));
        item->setText(kColDate, QString::fromStdString(FormatLogDate(row)));
        item->setText(kColTime, QString::fromStdString(FormatLogTime(row)));
        item->setText(kColSize, QString::fromStdString(FormatLogSize(row)));
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

void LogBrowserDialog::ViewSelected() {
    View(SelectedRow());
}

void LogBrowserDialog::View(QTreeWidgetItem* item) {
    if (item == nullptr) {
        errors_.Show(error::kNoLogSelected, std::nullopt);
        return;
    }
    const std::string name = item->text(kColName).left(kNameLimit).toStdString();
    // The viewer needs the real file, so it gets the name with its extension.
    const std::string path = LogFilePath(logsDir_, name);
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
    if (!DeleteLogFile(logsDir_, name.toStdString())) {
        // The row stays, so what the list shows is still what the folder holds.
        errors_.Show(error::kLogDeleteFailed, LogFilePath(logsDir_, name.toStdString()),
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
