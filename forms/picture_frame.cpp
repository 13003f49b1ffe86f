#include "forms/picture_frame.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QtMath>
#include <cmath>

#include "base/errors.h"
#include "base/numbers.h"
#include "forms/accessibility.h"

namespace lanxi {
namespace {

constexpr int kBorderPixels = 2;
// The face colour of buttons and frames, the background of an empty frame.
const QColor kFaceColor(240, 240, 240);

// A frame's inside widget: it paints nothing itself and lets the mouse through to the frame,
// but clips the child controls to the inside.
class Inside : public QWidget {
  public:
    using QWidget::QWidget;
};

[[noreturn]] void invalidValue() {
    throw Error(ErrorCode::InvalidPropertyValue, QStringLiteral("属性值无效"));
}

void checkFinite(float value) {
    if (!std::isfinite(value)) {
        invalidValue();
    }
}

// Pixels of a size given in units: the whole number the size readouts show.
int sizePixels(float value, int unitsPerPixel) {
    const std::int64_t px = ReadoutValue(float(double(value) / unitsPerPixel));
    if (px < 0 || px > QWIDGETSIZE_MAX) {
        invalidValue();
    }
    return int(px);
}

int positionPixels(float value, int unitsPerPixel) {
    const double px = std::floor(double(value) / unitsPerPixel + 1e-4);
    if (px < -QWIDGETSIZE_MAX || px > QWIDGETSIZE_MAX) {
        invalidValue();
    }
    return int(px);
}

int buttonBit(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 1;
        case Qt::RightButton:
            return 2;
        case Qt::MiddleButton:
            return 4;
        default:
            return 0;
    }
}

int buttonBits(Qt::MouseButtons buttons) {
    return ((buttons & Qt::LeftButton) ? 1 : 0) | ((buttons & Qt::RightButton) ? 2 : 0) |
           ((buttons & Qt::MiddleButton) ? 4 : 0);
}

int shiftBits(Qt::KeyboardModifiers modifiers) {
    return ((modifiers & Qt::ShiftModifier) ? 1 : 0) | ((modifiers & Qt::ControlModifier) ? 2 : 0) |
           ((modifiers & Qt::AltModifier) ? 4 : 0);
}

}  // namespace

int UnitsPerPixelOf(const QWidget* container) {
    for (const QWidget* w = container; w != nullptr; w = w->parentWidget()) {
        if (const auto* frame = qobject_cast<const PictureFrame*>(w)) {
            return frame->unitsPerPixel();
        }
        if (dynamic_cast<const Inside*>(w) == nullptr) {
            break;
        }
    }
    return kTwipsPerPixel;
}

static_assert(kMaxFramePixels == QWIDGETSIZE_MAX);

PictureFrame::PictureFrame(QWidget* parent) : QWidget(parent) {
    UseAccessibleControls();
    connect(this, &PictureFrame::DrawingChanged, this, [this] { AnnounceDescription(this); });
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    drawing_.setBackground(kFaceColor);
    drawing_.resize(QSize(insideWidth(), insideHeight()));
}

PictureFrame::~PictureFrame() = default;

QWidget* PictureFrame::inside() const {
    return inside_ != nullptr ? inside_ : const_cast<PictureFrame*>(this);
}

void PictureFrame::setBorderStyle(int style) {
    border_ = style == 0 ? 0 : kBorderPixels;
    if (border_ > 0 && inside_ == nullptr) {
        inside_ = new Inside(this);
        inside_->setObjectName(objectName() + QStringLiteral(".inside"));
    }
    applyGeometry();
    update();
}

void PictureFrame::setPicture(const StdPicture& picture) {
    drawing_.setPicture(picture);
    if (autoSize_ && !picture.isEmpty()) {
        const int units = UnitsPerPixelOf(parentWidget());
        setWidth(float((picture.width() + 2 * border_) * units));
        setHeight(float((picture.height() + 2 * border_) * units));
    }
    update();
    emit DrawingChanged();
}

void PictureFrame::setAutoSize(bool on) {
    autoSize_ = on;
    const StdPicture& picture = drawing_.picture();
    if (on && !picture.isEmpty()) {
        const int units = UnitsPerPixelOf(parentWidget());
        setWidth(float((picture.width() + 2 * border_) * units));
        setHeight(float((picture.height() + 2 * border_) * units));
    }
}

void PictureFrame::setWidth(float width) {
    if (!FrameTakesSize(width, UnitsPerPixelOf(parentWidget()))) {
        invalidValue();
    }
    width_ = width;
    applyGeometry();
}

void PictureFrame::setHeight(float height) {
    if (!FrameTakesSize(height, UnitsPerPixelOf(parentWidget()))) {
        invalidValue();
    }
    height_ = height;
    applyGeometry();
}

void PictureFrame::setLeft(float left) {
    checkFinite(left);
    positionPixels(left, UnitsPerPixelOf(parentWidget()));
    left_ = left;
    applyGeometry();
}

void PictureFrame::setTop(float top) {
    checkFinite(top);
    positionPixels(top, UnitsPerPixelOf(parentWidget()));
    top_ = top;
    applyGeometry();
}

void PictureFrame::Move(float left, float top) {
    checkFinite(left);
    checkFinite(top);
    const int units = UnitsPerPixelOf(parentWidget());
    positionPixels(left, units);
    positionPixels(top, units);
    left_ = left;
    top_ = top;
    applyGeometry();
}

void PictureFrame::Stretch(float width, float height) {
    const int units = UnitsPerPixelOf(parentWidget());
    if (!FrameTakesSize(width, units) || !FrameTakesSize(height, units)) {
        invalidValue();
    }
    drawing_ = drawing_.scaled(QSize(std::max(0, sizePixels(width, units) - 2 * border_),
                                     std::max(0, sizePixels(height, units) - 2 * border_)));
    width_ = width;
    height_ = height;
    applyGeometry();
    update();
    emit DrawingChanged();
}

void PictureFrame::Restore(const DrawnImage& drawing, float width, float height) {
    const int units = UnitsPerPixelOf(parentWidget());
    if (!FrameTakesSize(width, units) || !FrameTakesSize(height, units)) {
        invalidValue();
    }
    drawing_ = drawing;
    width_ = width;
    height_ = height;
    applyGeometry();
    update();
    emit DrawingChanged();
}

void PictureFrame::setScaleMode(int mode) {
    if (mode != 1 && mode != 3) {
        invalidValue();
    }
    scaleMode_ = mode;
}

int PictureFrame::insideWidth() const {
    return std::max(0, width() - 2 * border_);
}
int PictureFrame::insideHeight() const {
    return std::max(0, height() - 2 * border_);
}

void PictureFrame::applyGeometry() {
    const int units = UnitsPerPixelOf(parentWidget());
    const QRect r(positionPixels(left_, units), positionPixels(top_, units),
                  sizePixels(width_, units), sizePixels(height_, units));
    if (r != geometry()) {
        setGeometry(r);
    }
    if (inside_ != nullptr) {
        inside_->setGeometry(border_, border_, insideWidth(), insideHeight());
    }
    if (drawing_.size() != QSize(insideWidth(), insideHeight())) {
        drawing_.resize(QSize(insideWidth(), insideHeight()));
        emit DrawingChanged();
    }
}

void PictureFrame::Cls() {
    drawing_.clear();
    update();
    emit DrawingChanged();
}

void PictureFrame::PaintPicture(const StdPicture& picture, float x1, float y1, float width1,
                                float height1, float x2, float y2, float width2, float height2) {
    if (picture.isEmpty()) {
        throw Error(ErrorCode::InvalidPicture, QStringLiteral("没有可画的图片"));
    }
    for (float v : {x1, y1, width1, height1, x2, y2, width2, height2}) {
        checkFinite(v);
    }
    if (width1 <= 0 || height1 <= 0 || width2 <= 0 || height2 <= 0) {
        return;
    }
    const double u = unitsPerPixel();
    drawing_.paint(picture, QRectF(x1 / u, y1 / u, width1 / u, height1 / u),
                   QRectF(x2 / u, y2 / u, width2 / u, height2 / u));
    update();
    emit DrawingChanged();
}

void PictureFrame::Refresh() {
    repaint();
}

StdPicture PictureFrame::Image() const {
    return drawing_.image();
}

void PictureFrame::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect outer = rect();
    if (border_ > 0) {
        // The classic sunken edge: dark grey and black outside, white and light grey inside.
        painter.setPen(QColor(160, 160, 160));
        painter.drawLine(0, 0, outer.width() - 1, 0);
        painter.drawLine(0, 0, 0, outer.height() - 1);
        painter.setPen(QColor(105, 105, 105));
        painter.drawLine(1, 1, outer.width() - 2, 1);
        painter.drawLine(1, 1, 1, outer.height() - 2);
        painter.setPen(Qt::white);
        painter.drawLine(0, outer.height() - 1, outer.width() - 1, outer.height() - 1);
        painter.drawLine(outer.width() - 1, 0, outer.width() - 1, outer.height() - 1);
        painter.setPen(QColor(227, 227, 227));
        painter.drawLine(1, outer.height() - 2, outer.width() - 2, outer.height() - 2);
        painter.drawLine(outer.width() - 2, 1, outer.width() - 2, outer.height() - 2);
    }
    const QRect exposed = (event->region() & visibleRegion()).boundingRect();
    const QRect inner =
        exposed.translated(-border_, -border_) & QRect(0, 0, insideWidth(), insideHeight());
    if (!inner.isEmpty()) {
        painter.save();
        painter.translate(border_, border_);
        painter.setClipRect(inner);
        drawing_.render(painter, inner);
        painter.restore();
    }
    if (hasFocus()) {
        // A band of the highlight colour two pixels wide, over the border or over the picture's
        // own edge, told apart from the crop rectangle's dotted line.
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::SolidLine, Qt::SquareCap,
                            Qt::MiterJoin));
        painter.drawRect(QRectF(outer).adjusted(1, 1, -1, -1));
    }
}

void PictureFrame::emitMouse(QMouseEvent* event, int kind) {
    const QPointF at = event->position() - QPointF(border_, border_);
    const float x = float(std::floor(at.x()) * unitsPerPixel());
    const float y = float(std::floor(at.y()) * unitsPerPixel());
    const int shift = shiftBits(event->modifiers());
    switch (kind) {
        case 0:
            emit MouseDown(buttonBit(event->button()), shift, x, y);
            break;
        case 1:
            emit MouseMove(buttonBits(event->buttons()), shift, x, y);
            break;
        default:
            emit MouseUp(buttonBit(event->button()), shift, x, y);
    }
}

void PictureFrame::mousePressEvent(QMouseEvent* event) {
    emitMouse(event, 0);
}
void PictureFrame::mouseMoveEvent(QMouseEvent* event) {
    emitMouse(event, 1);
}
void PictureFrame::mouseReleaseEvent(QMouseEvent* event) {
    emitMouse(event, 2);
}

void PictureFrame::keyPressEvent(QKeyEvent* event) {
    emit KeyDown(event->key(), shiftBits(event->modifiers()));
}

}  // namespace lanxi
