#include "forms/file_lists.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStorageInfo>
#include <QStyle>
#include <algorithm>

#include "base/errors.h"
#include "forms/ui.h"

namespace lanxi {
namespace {

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString cleanAbsolute(const QString& path) {
    return native(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

// The nearest existing directory at or above the path, so that a drive can be found for a
// path that has gone.
QString existingAncestor(const QString& path) {
    QString p = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo(p).exists()) {
        const QString up = QFileInfo(p).path();
        if (up == p) {
            break;
        }
        p = up;
    }
    return p;
}

QString cannotRead(const QString& directory) {
    return QStringLiteral("无法读取“%1”").arg(native(directory));
}

}  // namespace

// ---- drives ---------------------------------------------------------------------------------

#ifdef Q_OS_WIN

QList<DriveEntry> ListDrives() {
    QList<DriveEntry> drives;
    for (const QFileInfo& root : QDir::drives()) {
        const QString path = root.absoluteFilePath();  // "C:/"
        DriveEntry entry{path.left(2).toLower(), {}};
        const QStorageInfo info(path);
        if (info.isValid() && info.isReady()) {
            entry.label = info.name();
        }
        drives << entry;
    }
    return drives;
}

QString DriveOf(const QString& path) {
    const QString p = QDir::fromNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (p.size() >= 2 && p.at(1) == QLatin1Char(':')) {
        return p.left(2).toLower();
    }
    return native(QStorageInfo(existingAncestor(p)).rootPath());
}

bool IsDrive(const QString& text) {
    return text.size() == 2 && text.at(0).isLetter() && text.at(1) == QLatin1Char(':');
}

QString DriveDirectory(const QString& drive) {
    const QString current = QDir::currentPath();
    if (DriveOf(current).compare(drive, Qt::CaseInsensitive) == 0) {
        return native(current);
    }
    return native(drive.toUpper() + QLatin1Char('/'));
}

#else

QList<DriveEntry> ListDrives() {
    QList<DriveEntry> drives;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) {
            drives << DriveEntry{volume.rootPath(), volume.name()};
        }
    }
    const QString current = DriveOf(QDir::currentPath());
    if (std::none_of(drives.begin(), drives.end(),
                     [&](const DriveEntry& d) { return d.drive == current; })) {
        drives << DriveEntry{current, {}};
    }
    std::sort(drives.begin(), drives.end(),
              [](const DriveEntry& a, const DriveEntry& b) { return a.drive < b.drive; });
    return drives;
}

QString DriveOf(const QString& path) {
    const QStorageInfo info(existingAncestor(path));
    return info.isValid() ? info.rootPath() : QDir::rootPath();
}

bool IsDrive(const QString& text) {
    if (text == QDir::rootPath()) {
        return true;
    }
    const QList<DriveEntry> drives = ListDrives();
    return std::any_of(drives.begin(), drives.end(),
                       [&](const DriveEntry& d) { return d.drive == text; });
}

QString DriveDirectory(const QString& drive) {
    const QString current = QDir::currentPath();
    if (DriveOf(current) == drive) {
        return current;
    }
    return drive;
}

#endif

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    setFocusPolicy(Qt::StrongFocus);
    drive_ = DriveOf(QDir::currentPath());
    Refresh();
    connect(this, &QComboBox::activated, this, &DriveListBox::picked);
}

QString DriveListBox::Drive() const {
    return drive_;
}

void DriveListBox::setDrive(const QString& drive) {
    drive_ = drive;
    Refresh();
}

void DriveListBox::Refresh() {
    const QSignalBlocker quiet(this);
    clear();
    QList<DriveEntry> drives = ListDrives();
    if (std::none_of(drives.begin(), drives.end(),
                     [&](const DriveEntry& d) { return d.drive == drive_; })) {
        drives << DriveEntry{drive_, {}};
    }
    for (const DriveEntry& d : drives) {
        const QString text =
            d.label.isEmpty() ? d.drive : QStringLiteral("%1 [%2]").arg(d.drive, d.label);
        addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), text, d.drive);
        if (d.drive == drive_) {
            setCurrentIndex(count() - 1);
        }
    }
}

void DriveListBox::showPopup() {
    Refresh();
    QComboBox::showPopup();
}

void DriveListBox::picked(int index) {
    const QString drive = itemData(index).toString();
    if (drive.isEmpty() || drive == drive_) {
        return;
    }
    drive_ = drive;
    emit Change();
}

// ---- directories ----------------------------------------------------------------------------

DirListBox::DirListBox(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(12);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    path_ = native(QDir::currentPath());
    fill();
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        try {
            changeTo(item->data(0, Qt::UserRole).toString());
        } catch (const Error& e) {
            MsgBox(window(), e.message(), vbExclamation);
            Refresh();
        }
    });
}

void DirListBox::setPath(const QString& path) {
    changeTo(IsDrive(path) ? DriveDirectory(path) : path);
}

void DirListBox::changeTo(const QString& directory) {
    const QString target = cleanAbsolute(directory);
    const QFileInfo info(target);
    if (!info.exists() || !info.isDir()) {
        throw Error(ErrorCode::PathNotFound, QStringLiteral("找不到文件夹“%1”").arg(target));
    }
    const QStorageInfo volume(target);
    if (!info.isReadable() || (volume.isValid() && !volume.isReady())) {
        throw Error(ErrorCode::DeviceIO, cannotRead(target));
    }
    if (target == path_) {
        return;
    }
    path_ = target;
    fill();
    emit Change();
}

void DirListBox::Refresh() {
    fill();
}

void DirListBox::fill() {
    clear();
    QStringList chain;  // from the top of the tree down to the current directory
    for (QDir d(QDir::fromNativeSeparators(path_));;) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp()) {
            break;
        }
    }
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem* parent = nullptr;
    for (const QString& dir : chain) {
        const QString name = QDir(dir).isRoot() ? native(dir) : QFileInfo(dir).fileName();
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
        item->setText(0, name);
        item->setIcon(0, open);
        item->setData(0, Qt::UserRole, native(dir));
        parent = item;
    }
    QTreeWidgetItem* current = parent;
    const QFileInfoList subdirs =
        QDir(QDir::fromNativeSeparators(path_))
            .entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot,
                           QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QFileInfo& sub : subdirs) {
        auto* item = new QTreeWidgetItem(current);
        item->setText(0, sub.fileName());
        item->setIcon(0, closed);
        item->setData(0, Qt::UserRole, native(sub.absoluteFilePath()));
    }
    expandAll();
    setCurrentItem(current);
    scrollToItem(current);
}

// ---- files ----------------------------------------------------------------------------------

namespace {

QStringList wildcardsOf(const QString& pattern) {
    QStringList wildcards;
    for (const QString& w : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!w.trimmed().isEmpty()) {
            wildcards << w.trimmed();
        }
    }
    return wildcards;
}

}  // namespace

bool MatchesPattern(const QString& name, const QString& pattern) {
    return QDir::match(wildcardsOf(pattern), name);
}

QStringList MatchingFiles(const QString& directory, const QString& pattern) {
    const QStringList wildcards = wildcardsOf(pattern);
    if (directory.isEmpty() || wildcards.isEmpty()) {
        return {};
    }
    // Name filters of QDir ignore letter case unless told otherwise.
    return QDir(QDir::fromNativeSeparators(directory))
        .entryList(wildcards, QDir::Files, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
}

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setFocusPolicy(Qt::StrongFocus);
    path_ = native(QDir::currentPath());
    Refresh();
}

void FileListBox::setPath(const QString& path) {
    const QString p = cleanAbsolute(path);
    if (p == path_) {
        return;
    }
    path_ = p;
    Refresh();
}

void FileListBox::setPattern(const QString& pattern) {
    if (pattern == pattern_) {
        return;
    }
    pattern_ = pattern;
    Refresh();
}

QString FileListBox::FileName() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.constFirst()->text();
}

void FileListBox::Refresh() {
    clear();
    addItems(MatchingFiles(path_, pattern_));
}

// A press on a file selects it and raises Click, even when it was selected already; dragging
// or arrow keys raise Click each time they move the selection to another file.
void FileListBox::mousePressEvent(QMouseEvent* event) {
    QListWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()) != nullptr &&
        !FileName().isEmpty()) {
        emit Click();
    }
}

void FileListBox::mouseMoveEvent(QMouseEvent* event) {
    const int before = currentRow();
    QListWidget::mouseMoveEvent(event);
    if ((event->buttons() & Qt::LeftButton) && currentRow() != before && !FileName().isEmpty()) {
        emit Click();
    }
}

void FileListBox::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before && !FileName().isEmpty()) {
        emit Click();
    }
}

}  // namespace lanxi
