#include "preview/preview_canvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "base/errors.h"

namespace lanxi {
namespace {

// The most a small copy is enlarged to fit the window: its pixels show as squares, and a copy
// a few pixels wide must not fill the screen with one.
constexpr double kLargestFit = 8;
// The rows of the comparison rendered at a time, so that only its reduction is held whole.
constexpr int kBandRows = 64;

}  // namespace

PreviewCanvas::PreviewCanvas(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setCursor(Qt::OpenHandCursor);
    horizontalScrollBar()->setSingleStep(24);
    verticalScrollBar()->setSingleStep(24);
    describe();
}

void PreviewCanvas::setPictures(const StdPicture& copy, const DrawnImage& before,
                                Reduction reduction) {
    copy_ = copy;
    reduction_ = reduction;
    before_ = copy.isEmpty() || before.size().isEmpty() ? DrawnImage() : before.scaled(copy.size());
    message_.clear();
    reduced_ = QImage();
    if (!canCompare()) {
        comparing_ = false;
    }
    placeScrollBars();
    viewport()->update();
    describe();
    emit shownChanged();
}

void PreviewCanvas::setMessage(const QString& text) {
    copy_ = StdPicture();
    before_ = DrawnImage();
    reduced_ = QImage();
    comparing_ = false;
    message_ = text;
    placeScrollBars();
    viewport()->update();
    describe();
    emit shownChanged();
}

void PreviewCanvas::setView(View view) {
    if (view == view_) {
        return;
    }
    // The point of the copy in the middle of the window stays there.
    const QSize port = viewport()->size();
    const double before = scale();
    const QPointF middle =
        (QPointF(port.width() / 2.0, port.height() / 2.0) - QPointF(origin())) / before;
    view_ = view;
    reduced_ = QImage();
    placeScrollBars();
    const double now = scale();
    horizontalScrollBar()->setValue(int(std::lround(middle.x() * now - port.width() / 2.0)));
    verticalScrollBar()->setValue(int(std::lround(middle.y() * now - port.height() / 2.0)));
    viewport()->update();
    describe();
    emit shownChanged();
}

double PreviewCanvas::scale() const {
    if (copy_.isEmpty() || view_ == View::Actual) {
        return 1;
    }
    const QSize port = viewport()->size();
    const double fit =
        std::min(double(port.width()) / copy_.width(), double(port.height()) / copy_.height());
    return std::clamp(fit, 1e-3, kLargestFit);
}

QSize PreviewCanvas::shownSize() const {
    if (copy_.isEmpty()) {
        return {0, 0};
    }
    const double s = scale();
    return {std::max(1, int(std::lround(copy_.width() * s))),
            std::max(1, int(std::lround(copy_.height() * s)))};
}

QPoint PreviewCanvas::origin() const {
    const QSize shown = shownSize();
    const QSize port = viewport()->size();
    return {shown.width() < port.width() ? (port.width() - shown.width()) / 2
                                         : -horizontalScrollBar()->value(),
            shown.height() < port.height() ? (port.height() - shown.height()) / 2
                                           : -verticalScrollBar()->value()};
}

void PreviewCanvas::placeScrollBars() {
    const QSize shown = shownSize();
    const QSize port = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, shown.width() - port.width()));
    horizontalScrollBar()->setPageStep(port.width());
    verticalScrollBar()->setRange(0, std::max(0, shown.height() - port.height()));
    verticalScrollBar()->setPageStep(port.height());
}

QRect PreviewCanvas::visibleArea() const {
    if (copy_.isEmpty()) {
        return {};
    }
    const double s = scale();
    const QRect shown = QRect(-origin(), viewport()->size()) & QRect(QPoint(0, 0), shownSize());
    const QRectF inCopy(shown.x() / s, shown.y() / s, shown.width() / s, shown.height() / s);
    return inCopy.toAlignedRect() & copy_.image().rect();
}

bool PreviewCanvas::drawBefore(QPainter& painter, const QRect& area) {
    // At the copy's pixels, brought to them as the copy was, and enlarged with it; averaged
    // down to the window as the copy is when the copy is shown reduced.
    const double s = scale();
    const QRect wanted = s >= 1 ? visibleArea() : area;
    try {
        const DrawnImage part = (s >= 1 ? before_ : before_.scaled(shownSize())).part(wanted);
        const DrawnImage::Bands bands(part, s >= 1 ? reduction_ : Reduction::Area);
        QImage band(wanted.width(), std::min(kBandRows, wanted.height()), QImage::Format_RGB32);
        if (band.isNull()) {
            return false;
        }
        painter.save();
        painter.translate(origin());
        if (s > 1) {
            painter.scale(s, s);
        }
        for (int first = 0; first < wanted.height(); first += band.height()) {
            QImage rows(band.bits(), band.width(), std::min(band.height(), wanted.height() - first),
                        band.bytesPerLine(), band.format());
            bands.render(&rows, first);
            painter.drawImage(wanted.topLeft() + QPoint(0, first), rows);
        }
        painter.restore();
        return true;
    } catch (const Error&) {
        return false;  // no memory for it: the copy stays on the screen
    }
}

void PreviewCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), QColor(96, 96, 96));
    if (copy_.isEmpty()) {
        painter.setPen(Qt::white);
        painter.drawText(viewport()->rect().adjusted(12, 12, -12, -12),
                         Qt::AlignCenter | Qt::TextWordWrap, message_);
        return;
    }
    const double s = scale();
    const QPoint o = origin();
    const QSize shown = shownSize();
    // The whole part on the screen is drawn, so that a comparison is made once for it.
    const QRect area = (QRect(-o, viewport()->size()) & QRect(QPoint(0, 0), shown));
    if (area.isEmpty()) {
        return;
    }
    if (comparing_ && canCompare() && drawBefore(painter, area)) {
        return;
    }
    if (s == 1) {
        painter.drawImage(o + area.topLeft(), copy_.image(), area);
    } else if (s < 1) {
        if (reduced_.size() != shown) {
            reduced_ = QImage();
            try {
                reduced_ = DrawnImage::Of(copy_).scaled(shown).image().image();
            } catch (const Error&) {
                // No memory for it: drawn straight from the copy below.
            }
        }
        if (!reduced_.isNull()) {
            painter.drawImage(o + area.topLeft(), reduced_, area);
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRect(o, shown), copy_.image());
        }
    } else {
        // Enlarged, each pixel of the copy a square, as the site's page would show it zoomed.
        painter.drawImage(QRect(o, shown), copy_.image());
    }
}

void PreviewCanvas::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    placeScrollBars();
    if (view_ == View::Fit) {
        describe();
        emit shownChanged();
    }
}

void PreviewCanvas::scrollContentsBy(int, int) {
    viewport()->update();
}

void PreviewCanvas::setComparing(bool on) {
    on = on && canCompare();
    if (on == comparing_) {
        return;
    }
    comparing_ = on;
    viewport()->update();
    describe();
    emit shownChanged();
}

void PreviewCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        leftHeld_ = true;
        setComparing(true);
    }
    dragging_ = true;
    dragFrom_ = event->position().toPoint();
    scrolledFrom_ = {horizontalScrollBar()->value(), verticalScrollBar()->value()};
    viewport()->setCursor(Qt::ClosedHandCursor);
}

void PreviewCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        const QPoint moved = event->position().toPoint() - dragFrom_;
        horizontalScrollBar()->setValue(scrolledFrom_.x() - moved.x());
        verticalScrollBar()->setValue(scrolledFrom_.y() - moved.y());
    }
}

void PreviewCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        leftHeld_ = false;
        setComparing(spaceHeld_);
    }
    if (event->buttons() == Qt::NoButton) {
        dragging_ = false;
        viewport()->setCursor(Qt::OpenHandCursor);
    }
}

void PreviewCanvas::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat()) {
            spaceHeld_ = true;
            setComparing(true);
        }
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void PreviewCanvas::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat()) {
            spaceHeld_ = false;
            setComparing(leftHeld_);
        }
        return;
    }
    QAbstractScrollArea::keyReleaseEvent(event);
}

void PreviewCanvas::focusOutEvent(QFocusEvent* event) {
    // A space bar released elsewhere would leave the comparison showing.
    spaceHeld_ = false;
    setComparing(leftHeld_);
    QAbstractScrollArea::focusOutEvent(event);
}

void PreviewCanvas::describe() {
    QString text;
    if (copy_.isEmpty()) {
        text = message_;
    } else {
        text = QStringLiteral("%1 × %2 像素").arg(copy_.width()).arg(copy_.height());
        if (comparing_) {
            text += QStringLiteral("，正在显示压缩前");
        }
        text += QStringLiteral("；方向键移动画面");
        if (canCompare()) {
            text += QStringLiteral("，按住空格键显示压缩前");
        }
    }
    setAccessibleDescription(text);
}

}  // namespace lanxi
