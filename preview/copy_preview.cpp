#include "preview/copy_preview.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>

namespace lanxi {
namespace {

const QString kTitle = QStringLiteral("上传副本预览--岚溪文坊");

}  // namespace

CopyPreview::CopyPreview(QWidget* owner)
    : OwnedWindow(owner),
      canvas_(new PreviewCanvas(this)),
      info_(readout("info", QStringLiteral("上传副本"))),
      mode_(readout("mode", QStringLiteral("显示"))),
      note_(readout("note", QStringLiteral("说明"))),
      actual_(button(QStringLiteral("100%"), "actual")),
      fit_(button(QStringLiteral("适合窗口"), "fit")),
      close_(button(QStringLiteral("关闭"), "close")) {
    setObjectName(QStringLiteral("CopyPreview"));
    setWindowTitle(kTitle);
    canvas_->setObjectName(QStringLiteral("canvas"));
    canvas_->setAccessibleName(QStringLiteral("上传副本的图片"));
    note_->setWordWrap(true);
    for (QPushButton* b : {actual_, fit_}) {
        b->setCheckable(true);
    }
    actual_->setChecked(true);
    actual_->setToolTip(QStringLiteral("副本的一个像素显示为屏幕的一个像素"));
    fit_->setToolTip(QStringLiteral("整个副本缩放到窗口大小"));
    auto* views = new QButtonGroup(this);
    views->addButton(actual_);
    views->addButton(fit_);
    QLabel* keys =
        hint(QStringLiteral("按住空格键或鼠标左键：显示压缩前的同一部分（缩放到副本的像素）；"
                            "拖动、滚轮或方向键：移动画面"));

    auto* top = new QHBoxLayout;
    top->addWidget(actual_);
    top->addWidget(fit_);
    top->addSpacing(12);
    top->addWidget(info_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(mode_, 1);
    bottom->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(canvas_, 1);
    layout->addLayout(bottom);
    layout->addWidget(note_);
    layout->addWidget(keys);
    // The picture first for the keys: Tab then reaches the views and "关闭".
    setTabOrder(canvas_, actual_);
    setTabOrder(actual_, fit_);
    setTabOrder(fit_, close_);

    connect(actual_, &QPushButton::clicked, this,
            [this] { canvas_->setView(PreviewCanvas::View::Actual); });
    connect(fit_, &QPushButton::clicked, this,
            [this] { canvas_->setView(PreviewCanvas::View::Fit); });
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(canvas_, &PreviewCanvas::shownChanged, this, &CopyPreview::showTexts);

    // Large enough for an article picture at 100 %, within the screen.
    QSize size(900, 720);
    if (const QScreen* screen = owner != nullptr ? owner->screen() : nullptr) {
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    }
    resize(size);
    showTexts();
}

CopyPreview::~CopyPreview() {
    if (loading_ != nullptr) {
        // The reading ends on its own; nothing waits for it.
        loading_->disconnect(this);
    }
}

void CopyPreview::ShowCopy(const PreviewedCopy& copy) {
    shown_ = copy;
    if (copy.failure.isEmpty()) {
        canvas_->setPictures(copy.pixels, copy.before, copy.reduction);
    } else {
        canvas_->setMessage(copy.failure);
    }
    setWindowTitle(
        copy.name.isEmpty() ? kTitle : QStringLiteral("上传副本预览：%1--岚溪文坊").arg(copy.name));
    showTexts();
}

void CopyPreview::ShowPending() {
    shown_ = PreviewedCopy();
    canvas_->setMessage(QStringLiteral("正在计算上传副本…"));
    showTexts();
}

void CopyPreview::ShowFiles(const QString& copy, const QString& source, int quality,
                            Reduction reduction) {
    if (loading_ != nullptr) {
        loading_->disconnect(this);
        loading_->deleteLater();
    }
    shown_ = PreviewedCopy();
    shown_.name = QFileInfo(copy).fileName();
    canvas_->setMessage(QStringLiteral("正在读取“%1”…").arg(shown_.name));
    showTexts();
    loading_ = new QFutureWatcher<PreviewedCopy>(this);
    QFutureWatcher<PreviewedCopy>* watcher = loading_;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        loading_ = nullptr;
        watcher->deleteLater();
        ShowCopy(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(PreviewOfFiles, copy, source, quality, reduction));
}

void CopyPreview::showTexts() {
    const bool picture = !canvas_->copy().isEmpty();
    if (picture) {
        info_->setForeColor(QColor(0, 0, 0));
        info_->setCaption(QStringLiteral("上传副本：%1").arg(PreviewDescription(shown_)));
    } else if (!shown_.failure.isEmpty()) {
        info_->setForeColor(QColor(255, 0, 0));
        info_->setCaption(QStringLiteral("上传副本：%1").arg(shown_.failure));
    } else {
        info_->setForeColor(QColor(128, 128, 128));
        info_->setCaption(QStringLiteral("上传副本：—"));
    }
    QString mode;
    if (picture) {
        const int percent = int(std::lround(canvas_->scale() * 100));
        mode = QStringLiteral("显示：%1，%2")
                   .arg(canvas_->comparing() ? QStringLiteral("压缩前") : QStringLiteral("压缩后"),
                        canvas_->view() == PreviewCanvas::View::Fit
                            ? QStringLiteral("适合窗口（%1%）").arg(percent)
                            : QStringLiteral("100%"));
    } else {
        mode = QStringLiteral("显示：—");
    }
    mode_->setCaption(mode);
    note_->setCaption(shown_.note);
    note_->setVisible(!shown_.note.isEmpty());
}

}  // namespace lanxi
