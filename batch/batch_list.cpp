#include "batch/batch_list.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMimeData>
#include <algorithm>

#include "forms/form.h"

namespace lanxi {

class BatchListBox::Model : public QAbstractListModel {
  public:
    // Each run removed in place costs a pass over the list and the view's selection.
    static constexpr std::size_t kMaxRunsRemovedInPlace = 64;

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : list.size();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= list.size()) {
            return {};
        }
        const BatchRow& row = list.at(index.row());
        switch (role) {
            case Qt::DisplayRole:
                return row.name;
            case Qt::ToolTipRole:
                return row.path();
            default:
                return {};
        }
    }

    bool add(const BatchRow& row) {
        if (list.contains(row.name)) {
            return false;
        }
        beginInsertRows({}, list.size(), list.size());
        list.add(row);
        endInsertRows();
        return true;
    }

    void remove(const std::vector<int>& ascending) {
        std::size_t runs = 0;
        for (std::size_t i = 0; i < ascending.size(); ++i) {
            runs += (i == 0 || ascending[i] != ascending[i - 1] + 1) ? 1 : 0;
        }
        if (runs > kMaxRunsRemovedInPlace) {
            // Rows scattered all over the list: one pass, and the view starts afresh.
            beginResetModel();
            list.remove(ascending);
            endResetModel();
            return;
        }
        // Each run of neighbouring rows goes in one step, from the end of the list, so that a
        // view keeps its place and the rest of its selection.
        std::size_t end = ascending.size();
        while (end > 0) {
            std::size_t begin = end - 1;
            while (begin > 0 && ascending[begin - 1] == ascending[begin] - 1) {
                --begin;
            }
            const int first = ascending[begin];
            const int last = ascending[end - 1];
            std::vector<int> run;
            for (int i = first; i <= last; ++i) {
                run.push_back(i);
            }
            beginRemoveRows({}, first, last);
            list.remove(run);
            endRemoveRows();
            end = begin;
        }
    }

    void clear() {
        beginResetModel();
        list.clear();
        endResetModel();
    }

    BatchList list;
};

BatchListBox::BatchListBox(QWidget* parent) : QListView(parent), model_(new Model(this)) {
    setModel(model_);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
}

BatchListBox::~BatchListBox() = default;

int BatchListBox::ListCount() const {
    return model_->list.size();
}

QString BatchListBox::List(int index) const {
    return model_->list.at(index).name;
}

const BatchList& BatchListBox::Rows() const {
    return model_->list;
}

bool BatchListBox::Contains(const QString& name) const {
    return model_->list.contains(name);
}

bool BatchListBox::AddItem(const BatchRow& row) {
    return model_->add(row);
}

void BatchListBox::RemoveItems(const std::vector<int>& ascending) {
    model_->remove(ascending);
}

void BatchListBox::Clear() {
    model_->clear();
}

int BatchListBox::SelCount() const {
    return int(SelectedRows().size());
}

std::vector<int> BatchListBox::SelectedRows() const {
    std::vector<int> rows;
    // Read range by range: asking the selection model for its rows takes time that grows with
    // the square of the selected rows when they are scattered.
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            rows.push_back(row);
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void BatchListBox::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void BatchListBox::dragMoveEvent(QDragMoveEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void BatchListBox::dropEvent(QDropEvent* event) {
    const QStringList files = LocalFiles(event->mimeData());
    if (!files.isEmpty()) {
        event->acceptProposedAction();
        emit FilesDropped(files);
    }
}

}  // namespace lanxi
