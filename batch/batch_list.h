#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QSet>
#include <QString>
#include <vector>

// The batch list: the files to compress, each shown by its bare name and remembering the
// directory it was picked in.
namespace lanxi {

struct BatchRow {
    QString name;       // file name and extension, as the file list gave it
    QString directory;  // where the file was picked
    // The file's full path.
    QString path() const;
    friend bool operator==(const BatchRow&, const BatchRow&) = default;
};

// The rows in the order they were added. No two rows have the same name (an exact comparison,
// letter case counts), whatever directories they came from. Finding a name takes constant time,
// so adding stays quick with any number of rows.
class BatchList {
  public:
    int size() const { return int(rows_.size()); }
    const BatchRow& at(int index) const { return rows_.at(std::size_t(index)); }
    const std::vector<BatchRow>& rows() const { return rows_; }
    bool contains(const QString& name) const { return names_.contains(name); }

    // Appends the row unless a row of that name is there already; true when it was added.
    bool add(const BatchRow& row);
    // Removes the rows at the given indexes (ascending, each once); the others keep their order.
    void remove(const std::vector<int>& ascending);
    void clear();

  private:
    std::vector<BatchRow> rows_;
    QSet<QString> names_;
};

// The list box showing a BatchList: one line per row with its bare name, the full path as the
// row's tooltip, extended multiple selection (click, Shift+click, Ctrl+click).
class BatchListBox : public QListView {
    Q_OBJECT
  public:
    explicit BatchListBox(QWidget* parent = nullptr);
    ~BatchListBox() override;

    int ListCount() const;
    // The text of row i.
    QString List(int index) const;
    const BatchList& Rows() const;
    bool Contains(const QString& name) const;
    // Appends a row unless its name is there already; true when it was added.
    bool AddItem(const BatchRow& row);
    // Removes the rows at the given indexes (ascending); the others keep their order.
    void RemoveItems(const std::vector<int>& ascending);
    void Clear();

    int SelCount() const;
    // The selected rows' indexes, ascending.
    std::vector<int> SelectedRows() const;

  signals:
    // Files and folders from the file manager were dropped on the list.
    void FilesDropped(const QStringList& paths);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    class Model;
    Model* model_;
};

}  // namespace lanxi
