#pragma once

#include <QSet>
#include <QString>
#include <vector>

// The rows of a batch: the files to compress, each known by its bare name and remembering the
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

}  // namespace lanxi
