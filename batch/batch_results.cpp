#include "batch/batch_results.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QSortFilterProxyModel>
#include <QVBoxLayout>

namespace lanxi {
namespace {

QString pixels(QSize size) {
    return QStringLiteral("%1 × %2").arg(size.width()).arg(size.height());
}

QString exact(std::int64_t bytes) {
    return QLocale(QLocale::Chinese).toString(qlonglong(bytes));
}

// What became of a row, as the list tells it.
QString outcome(const std::optional<RowResult>& r) {
    if (!r || r->stopped) {
        return QStringLiteral("已停止，没有处理");
    }
    if (!r->written) {
        return QStringLiteral("失败：%1").arg(r->reason);
    }
    QString text = r->replaced ? QStringLiteral("已写入，替换原有文件") : QStringLiteral("已写入");
    if (!r->note.isEmpty()) {
        text += QStringLiteral("；") + r->note;
    }
    return text;
}

}  // namespace

class BatchResults::Model : public QAbstractTableModel {
  public:
    Model(const BatchResults* owner) : QAbstractTableModel(nullptr), owner_(owner) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(owner_->jobs_.size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : Columns;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
            return QAbstractTableModel::headerData(section, orientation, role);
        }
        switch (section) {
            case Name:
                return QStringLiteral("文件");
            case Copy:
                return QStringLiteral("副本");
            case Bytes:
                return QStringLiteral("大小（压缩前 → 后）");
            case Pixels:
                return QStringLiteral("像素（压缩前 → 后）");
            case Quality:
                return QStringLiteral("质量");
            default:
                return QStringLiteral("结果");
        }
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount({})) {
            return {};
        }
        const BatchJob& job = owner_->jobs_[std::size_t(index.row())];
        const std::optional<RowResult>& r = owner_->results_[std::size_t(index.row())];
        const bool written = r && r->written;
        switch (role) {
            case Qt::DisplayRole:
                return display(index.column(), job, r, written);
            case Qt::ToolTipRole:
                return toolTip(index.column(), job, r, written);
            case Qt::UserRole:  // what the column sorts by: the copy's measures
                return sortKey(index.column(), job, r, written);
            case Qt::TextAlignmentRole:
                return index.column() == Bytes || index.column() == Pixels ||
                               index.column() == Quality
                           ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                           : QVariant();
            default:
                return {};
        }
    }

  private:
    static QVariant display(int column, const BatchJob& job, const std::optional<RowResult>& r,
                            bool written) {
        switch (column) {
            case Name:
                return QFileInfo(job.source).fileName();
            case Copy:
                return QFileInfo(job.target).fileName();
            case Bytes:
                return written ? QStringLiteral("%1 → %2").arg(SiteBytes(r->bytesBefore),
                                                               SiteBytes(r->bytesAfter))
                               : QStringLiteral("—");
            case Pixels:
                return written ? QStringLiteral("%1 → %2").arg(pixels(r->pixelsBefore),
                                                               pixels(r->pixelsAfter))
                               : QStringLiteral("—");
            case Quality:
                return written ? QVariant(r->quality) : QVariant(QStringLiteral("—"));
            default:
                return outcome(r);
        }
    }
    static QVariant toolTip(int column, const BatchJob& job, const std::optional<RowResult>& r,
                            bool written) {
        switch (column) {
            case Name:
                return QDir::toNativeSeparators(job.source);
            case Copy:
                return QDir::toNativeSeparators(job.target);
            case Bytes:
                return written ? QStringLiteral("%1 → %2 字节")
                                     .arg(exact(r->bytesBefore), exact(r->bytesAfter))
                               : QVariant();
            case Outcome:
                return outcome(r);
            default:
                return {};
        }
    }
    static QVariant sortKey(int column, const BatchJob& job, const std::optional<RowResult>& r,
                            bool written) {
        switch (column) {
            case Bytes:
                return qlonglong(written ? r->bytesAfter : -1);
            case Pixels:
                return written ? qlonglong(r->pixelsAfter.width()) * r->pixelsAfter.height() : -1;
            case Quality:
                return written ? r->quality : -1;
            default:
                return display(column, job, r, written);
        }
    }

    const BatchResults* owner_;
};

BatchResults::BatchResults(QWidget* owner, std::vector<BatchJob> jobs,
                           std::vector<std::optional<RowResult>> results)
    : OwnedWindow(owner),
      jobs_(std::move(jobs)),
      results_(std::move(results)),
      table_(new QTableView(this)),
      status_(readout("status", QStringLiteral("压缩结果"))),
      close_(button(QStringLiteral("关闭"), "close")) {
    results_.resize(jobs_.size());
    setObjectName(QStringLiteral("BatchResults"));
    setWindowTitle(QStringLiteral("压缩结果--岚溪文坊"));

    auto* model = new Model(this);
    model->setParent(this);
    auto* sorted = new QSortFilterProxyModel(this);
    sorted->setSourceModel(model);
    sorted->setSortRole(Qt::UserRole);
    sorted->setSortLocaleAware(true);
    table_->setObjectName(QStringLiteral("table"));
    table_->setAccessibleName(QStringLiteral("每个文件的结果"));
    table_->setAccessibleDescription(QStringLiteral("Enter或双击查看已写入的副本"));
    table_->setModel(sorted);
    table_->setSortingEnabled(true);
    table_->sortByColumn(-1, Qt::AscendingOrder);  // in list order until a column is chosen
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->resizeColumnsToContents();
    if (sorted->rowCount() > 0) {
        table_->setCurrentIndex(sorted->index(0, 0));
    }

    status_->setWordWrap(true);
    const BatchSummary summary = Summarize(jobs_, results_);
    status_->setCaption(QStringLiteral("共 %1 个文件，已写入 %2 个，没有写入 %3 个。")
                            .arg(summary.total)
                            .arg(summary.written)
                            .arg(summary.total - summary.written));
    QLabel* keys =
        hint(QStringLiteral("双击已写入的一行或按 Enter，查看上传副本和压缩前的对比；"
                            "点击列标题排序。"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(keys, 1);
    bottom->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(table_, 1);
    layout->addLayout(bottom);
    setTabOrder(table_, close_);

    connect(table_, &QAbstractItemView::activated, this,
            [this](const QModelIndex& index) { ShowRow(index.row()); });
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    resize(900, 420);
}

void BatchResults::ShowRow(int row) {
    const auto* sorted = static_cast<const QSortFilterProxyModel*>(table_->model());
    const QModelIndex source = sorted->mapToSource(sorted->index(row, 0));
    if (!source.isValid()) {
        return;
    }
    const std::size_t i = std::size_t(source.row());
    const std::optional<RowResult>& r = results_[i];
    if (!r || !r->written) {
        status_->setCaption(QStringLiteral("“%1”没有写入副本，没有可以预览的图片。")
                                .arg(QFileInfo(jobs_[i].source).fileName()));
        return;
    }
    if (!preview_) {
        preview_ = new CopyPreview(this);
    }
    preview_->ShowFiles(jobs_[i].target, jobs_[i].source, r->quality, r->reduction);
    preview_->Bring();
}

}  // namespace lanxi
