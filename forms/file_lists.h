#pragma once

#include <QComboBox>
#include <QList>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

// The drive, directory and file lists of a file browser (the batch window's), chained by
// the window's handlers. Paths are given and returned with the platform's own separators.
namespace lanxi {

// A drive the machine offers: on Windows a drive letter ("c:"), elsewhere the root of the
// file system or of a mounted volume ("/", "/media/u/STICK").
struct DriveEntry {
    QString drive;  // what DriveListBox::Drive() returns and DirListBox::setPath() accepts
    QString label;  // the volume's name, if it has one
};

// The drives of the machine, the one holding the current directory among them.
QList<DriveEntry> ListDrives();
// The drive holding a path.
QString DriveOf(const QString& path);
// Where a directory list goes when a drive is written to its path: the current directory when
// it lies on that drive, otherwise the drive's root.
QString DriveDirectory(const QString& drive);
// True when the text names a drive rather than a directory. On Windows that is a letter and a
// colon; elsewhere the root of a listed drive.
bool IsDrive(const QString& text);

// The drive list. It starts at the drive holding the current directory and raises Change when
// the user picks another drive.
class DriveListBox : public QComboBox {
    Q_OBJECT
  public:
    explicit DriveListBox(QWidget* parent = nullptr);

    QString Drive() const;
    // Shows the drive as the current one without raising Change; a drive not in the list is
    // added to it.
    void setDrive(const QString& drive);
    // Lists the drives anew (done each time the list drops down, so a stick put in since shows).
    void Refresh();
    void showPopup() override;

  signals:
    void Change();

  private:
    void picked(int index);
    QString drive_;
};

// The directory list: the directories from the top of the tree down to the current one, then
// the current one's subdirectories. A double click or Enter on a directory makes it the
// current one.
class DirListBox : public QTreeWidget {
    Q_OBJECT
  public:
    explicit DirListBox(QWidget* parent = nullptr);

    // The current directory: an absolute path with no trailing separator except at the root.
    QString Path() const { return path_; }
    // Makes a directory the current one, raising Change when the path changes. A drive (see
    // IsDrive) stands for the directory DriveDirectory() gives. Throws lanxi::Error with a
    // short Chinese reason, leaving the list as it was, when the directory cannot be read.
    void setPath(const QString& path);
    // Reads the current directory again.
    void Refresh();

  signals:
    void Change();

  protected:
    // An indented list, not a tree to fold: no branch marks.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

  private:
    void changeTo(const QString& directory);
    void fill();
    QString path_;
};

// The file list: the files of a directory whose names match a pattern, ignoring letter case.
// Raises Click when the user selects a file, with the mouse or with the arrow keys.
class FileListBox : public QListWidget {
    Q_OBJECT
  public:
    explicit FileListBox(QWidget* parent = nullptr);

    QString Path() const { return path_; }
    // The directory shown; a directory that cannot be read shows no files.
    void setPath(const QString& path);
    QString Pattern() const { return pattern_; }
    // Wildcards separated by ";", such as "*.jpg;*.bmp".
    void setPattern(const QString& pattern);
    // The selected file's name without its directory; empty when none is selected.
    QString FileName() const;
    // Reads the directory again (the selection is dropped).
    void Refresh();

  signals:
    void Click();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QString path_;
    QString pattern_ = QStringLiteral("*.*");
};

// The names of the files in a directory matching the ";"-separated wildcards, ignoring letter
// case, sorted as the file list shows them. Hidden files are left out.
// True when a file name matches one of the pattern's wildcards ("*.jpg;*.bmp"), in any case.
bool MatchesPattern(const QString& name, const QString& pattern);
QStringList MatchingFiles(const QString& directory, const QString& pattern);

}  // namespace lanxi
