#include "batch/batch_progress.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "forms/accessibility.h"
#include "forms/ui.h"

namespace lanxi {

BatchProgress::BatchProgress(QWidget* window, int total)
    : QDialog(window),
      total_(total),
      count_(new VbLabel(this)),
      file_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      stop_(new QPushButton(QStringLiteral("停止"), this)) {
    setObjectName(QStringLiteral("BatchProgress"));
    setWindowTitle(ProgramTitle());
    setWindowModality(Qt::WindowModal);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    count_->setObjectName(QStringLiteral("count"));
    count_->setAccessibleName(QStringLiteral("已完成"));
    file_->setObjectName(QStringLiteral("file"));
    file_->setMinimumWidth(320);
    file_->setTextFormat(Qt::PlainText);
    bar_->setRange(0, total);
    bar_->setAccessibleName(QStringLiteral("压缩进度"));
    stop_->setObjectName(QStringLiteral("stop"));
    stop_->setAutoDefault(false);
    PressByEnter(stop_);
    stop_->setToolTip(QStringLiteral("立即停止压缩；正在压缩的文件不保存"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(stop_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(count_);
    layout->addWidget(file_);
    layout->addWidget(bar_);
    layout->addLayout(buttons);
    setRow(0, {});

    connect(stop_, &QPushButton::clicked, this, &BatchProgress::reject);
}

void BatchProgress::setRow(int done, const QString& current) {
    count_->setCaption(QStringLiteral("已完成 %1 / %2 个文件").arg(done).arg(total_));
    // A long name is cut in the middle, so that both its start and its ending show.
    file_->setText(current.isEmpty() ? QString()
                                     : file_->fontMetrics().elidedText(
                                           QStringLiteral("正在压缩：%1").arg(current),
                                           Qt::ElideMiddle, file_->minimumWidth()));
    file_->setToolTip(current);
    bar_->setValue(done);
}

void BatchProgress::setStopping() {
    stop_->setEnabled(false);
    stop_->setText(QStringLiteral("正在停止…"));
}

void BatchProgress::reject() {
    if (stop_->isEnabled()) {
        setStopping();
        emit stopRequested();
    }
}

}  // namespace lanxi
