#pragma once

#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QWidget>
#include <optional>
#include <vector>

#include "compress/batch_plan.h"
#include "forms/controls.h"
#include "forms/owned_window.h"
#include "preview/copy_preview.h"

namespace lanxi {

// What a batch run did with each file, once it has ended: a window that follows the batch
// window, with a row per file (its name, its copy's name, the bytes and pixels before and after,
// the quality, and what happened or why not), sorted by any column. A written row,
// double-clicked or entered, shows its copy in the preview against its source, both read from
// the disk as they are now.
class BatchResults : public OwnedWindow {
    Q_OBJECT
  public:
    // The columns, from left to right.
    enum Column { Name, Copy, Bytes, Pixels, Quality, Outcome, Columns };

    BatchResults(QWidget* owner, std::vector<BatchJob> jobs,
                 std::vector<std::optional<RowResult>> results);

    QTableView* Table() const { return table_; }
    // The preview of the last row shown, while it is open.
    CopyPreview* Preview() const { return preview_; }
    // Shows the copy of the row shown at `row` of the table (as sorted) in the preview; a row
    // without a copy is told in the status line instead.
    void ShowRow(int row);

  private:
    class Model;
    std::vector<BatchJob> jobs_;
    std::vector<std::optional<RowResult>> results_;
    QTableView* table_;
    VbLabel* status_;  // a readout: what the run did, or why a row has no preview
    QPushButton* close_;
    QPointer<CopyPreview> preview_;
};

}  // namespace lanxi
