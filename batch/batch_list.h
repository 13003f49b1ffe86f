#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QString>
#include <vector>

#include "compress/batch_rows.h"

// The list box of the batch window.
namespace lanxi {

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
