#include "forms/controls.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <vector>

#include "base/errors.h"
#include "base/numbers.h"
#include "forms/accessibility.h"
#include "forms/picture_frame.h"

namespace lanxi {

namespace {

void placeTwips(QWidget* control, const QRect& twips) {
    control->setGeometry(twips.x() / kTwipsPerPixel, twips.y() / kTwipsPerPixel,
                         twips.width() / kTwipsPerPixel, twips.height() / kTwipsPerPixel);
}

void build(QWidget* c, const ControlDesign& d) {
    const ControlDesign::Options& o = d.options;
    const QString caption = QString::fromUtf8(d.caption);
    const QRect& r = d.twips;
    if (auto* frame = qobject_cast<PictureFrame*>(c)) {
        frame->setBorderStyle(o.borderStyle);
        frame->Move(float(r.x()), float(r.y()));
        frame->setWidth(float(r.width()));
        frame->setHeight(float(r.height()));
        if (d.tabIndex >= 0) {
            frame->setFocusPolicy(Qt::StrongFocus);
        }
        if (o.autoSize) {
            frame->setAutoSize(true);
        }
    } else if (auto* shape = qobject_cast<ShapeRect*>(c)) {
        shape->setLeft(float(r.x()));
        shape->setTop(float(r.y()));
        shape->setWidth(float(r.width()));
        shape->setHeight(float(r.height()));
        shape->setBorderStyle(o.borderStyle);
        if (o.color) {
            shape->setBorderColor(QColor::fromRgb(*o.color));
        }
    } else if (auto* label = qobject_cast<VbLabel*>(c)) {
        placeTwips(label, r);
        if (o.wordWrap) {
            label->setWordWrap(true);
        }
        if (o.autoSize) {
            label->setAutoSize(true);
        }
        label->setCaption(caption);
        if (o.color) {
            label->setForeColor(QColor::fromRgb(*o.color));
        }
    } else if (auto* text = qobject_cast<QLineEdit*>(c)) {
        placeTwips(text, r);
        text->setText(caption);
        text->setAlignment(Qt::AlignCenter);
        text->setToolTip(QString::fromUtf8(o.toolTip));
        text->setTextMargins(0, 0, 0, 0);
        text->setStyleSheet(QStringLiteral("QLineEdit { padding: 0px; }"));
    } else if (auto* button = qobject_cast<QAbstractButton*>(c)) {
        placeTwips(button, r);
        button->setText(caption);
        if (auto* push = qobject_cast<QPushButton*>(button)) {
            push->setAutoDefault(false);
            PressByEnter(push);
        }
    } else {
        placeTwips(c, r);
    }
    c->setAccessibleName(QString::fromUtf8(o.accessibleName));
    c->setAccessibleDescription(QString::fromUtf8(o.accessibleDescription));
    if (!o.enabled) {
        c->setEnabled(false);
    }
    if (!o.visible) {
        c->setVisible(false);
    }
}

}  // namespace

void BuildDesign(QWidget* window, std::span<const ControlDesign> design) {
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (const ControlDesign& d : design) {
        QWidget* container = window;
        if (d.options.parent != nullptr) {
            auto* frame = window->findChild<PictureFrame*>(QString::fromUtf8(d.options.parent));
            Q_ASSERT_X(frame != nullptr, "BuildDesign", d.name);
            container = frame->inside();
        }
        QWidget* c = d.kind(container);
        c->setObjectName(QString::fromUtf8(d.name));
        build(c, d);
        if (d.tabIndex >= 0) {
            tabOrder.emplace_back(d.tabIndex, c);
        }
    }
    for (const ControlDesign& d : design) {
        if (d.options.labelFor != nullptr) {
            auto* label = window->findChild<QLabel*>(QString::fromUtf8(d.name));
            auto* named = window->findChild<QWidget*>(QString::fromUtf8(d.options.labelFor));
            Q_ASSERT_X(label != nullptr && named != nullptr, "BuildDesign", d.name);
            label->setBuddy(named);
        }
    }
    std::sort(tabOrder.begin(), tabOrder.end());
    for (std::size_t i = 0; i + 1 < tabOrder.size(); ++i) {
        QWidget::setTabOrder(tabOrder[i].second, tabOrder[i + 1].second);
    }
}

ShapeRect::ShapeRect(QWidget* parent) : QWidget(parent) {
    UseAccessibleControls();
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

double ShapeRect::units() const {
    return UnitsPerPixelOf(parentWidget());
}

void ShapeRect::setLeft(float v) {
    if (std::isnan(v)) {
        throw Error(ErrorCode::InvalidPropertyValue, QStringLiteral("属性值无效"));
    }
    left_ = v / units();
    applyGeometry();
}

void ShapeRect::setTop(float v) {
    if (std::isnan(v)) {
        throw Error(ErrorCode::InvalidPropertyValue, QStringLiteral("属性值无效"));
    }
    top_ = v / units();
    applyGeometry();
}

void ShapeRect::setWidth(float v) {
    if (std::isnan(v) || v < 0) {
        throw Error(ErrorCode::InvalidPropertyValue, QStringLiteral("属性值无效"));
    }
    width_ = v / units();
    applyGeometry();
}

void ShapeRect::setHeight(float v) {
    if (std::isnan(v) || v < 0) {
        throw Error(ErrorCode::InvalidPropertyValue, QStringLiteral("属性值无效"));
    }
    height_ = v / units();
    applyGeometry();
}

void ShapeRect::setVisible(bool visible) {
    QWidget::setVisible(visible);
    if (visible) {
        raise();
    }
    AnnounceDescription(this);
}

void ShapeRect::setBorderStyle(int style) {
    borderStyle_ = style;
    update();
}

void ShapeRect::setBorderColor(const QColor& color) {
    color_ = color;
    update();
}

void ShapeRect::applyGeometry() {
    const auto clampPx = [](double v) {
        return int(std::clamp(std::floor(v), double(-QWIDGETSIZE_MAX), double(QWIDGETSIZE_MAX)));
    };
    setGeometry(clampPx(left_), clampPx(top_), std::max(1, clampPx(width_)),
                std::max(1, clampPx(height_)));
    AnnounceDescription(this);
}

void ShapeRect::paintEvent(QPaintEvent*) {
    if (width_ < 1 || height_ < 1) {
        return;
    }
    QPainter painter(this);
    QPen pen(color_);
    pen.setWidth(0);
    pen.setStyle(borderStyle_ == 3 ? Qt::DotLine : Qt::SolidLine);
    painter.setPen(pen);
    painter.drawRect(QRect(0, 0, width() - 1, height() - 1));
}

VbLabel::VbLabel(QWidget* parent) : QLabel(parent) {
    UseAccessibleControls();
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
}

void VbLabel::setCaption(const QString& caption) {
    const bool changed = caption != text();
    setText(caption);
    fit();
    update();
    if (changed) {
        AnnounceCaption(this);
    }
}

void VbLabel::setAutoSize(bool on) {
    autoSize_ = on;
    fit();
}

void VbLabel::setForeColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

int VbLabel::lineHeight() const {
    const QFont f = font();
    const int px = f.pixelSize() > 0 ? f.pixelSize() : int(std::lround(f.pointSizeF() * 96 / 72));
    return px + 2;
}

void VbLabel::fit() {
    if (!autoSize_) {
        return;
    }
    const int w = fontMetrics().horizontalAdvance(text());
    resize(std::max(1, w), std::max(height(), lineHeight() - 2));
}

void VbLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const int step = lineHeight();
    // Lines sit on a baseline near the bottom of the em box, so that CJK glyphs fill the
    // line and a one-line label of the font's size shows its whole text.
    const double baseline = (step - 2) * 0.86;
    QTextLayout layout(text(), font());
    QTextOption option(alignment());
    option.setWrapMode(height() >= 2 * (step - 2) ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                                  : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    int y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width());
        line.setPosition(QPointF(0, y + baseline - line.ascent()));
        y += step;
    }
    layout.endLayout();
    layout.draw(&painter, QPointF(0, 0));
}

}  // namespace lanxi
