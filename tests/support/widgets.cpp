#include "tests/support/widgets.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <algorithm>

#include "forms/picture_frame.h"

namespace lanxi::test {

QStringList TabOrder(QWidget* first, int count) {
    QStringList names;
    QWidget* w = first;
    while (w != nullptr && names.size() < count) {
        names << w->objectName();
        do {
            w = w->nextInFocusChain();
        } while (w != first && !(w->focusPolicy() & Qt::TabFocus));
        if (w == first) {
            break;
        }
    }
    return names;
}

QRect TwipsOf(const QWidget* control) {
    const QRect r = control->geometry();
    return QRect(r.x() * 15, r.y() * 15, r.width() * 15, r.height() * 15);
}

void ExpectBuiltAsDesigned(const Form& form, std::span<const ControlDesign> design) {
    QWidget* window = form.window();
    ASSERT_NE(window, nullptr);
    std::vector<std::pair<int, QString>> tabs;
    for (const ControlDesign& d : design) {
        SCOPED_TRACE(d.name);
        const ControlDesign::Options& o = d.options;
        const QString name = QString::fromUtf8(d.name);
        const QString caption = QString::fromUtf8(d.caption);
        QWidget* c = form.control(name);
        ASSERT_NE(c, nullptr);
        QWidget* container = window;
        if (o.parent != nullptr) {
            auto* frame = form.control<PictureFrame>(QString::fromUtf8(o.parent));
            ASSERT_NE(frame, nullptr);
            container = frame->inside();
        }
        EXPECT_EQ(c->parentWidget(), container);
        EXPECT_EQ(c->isEnabled(), o.enabled);
        EXPECT_EQ(c->accessibleName(), QString::fromUtf8(o.accessibleName));
        EXPECT_EQ(c->accessibleDescription(), QString::fromUtf8(o.accessibleDescription));
        if (o.labelFor != nullptr) {
            ASSERT_NE(qobject_cast<QLabel*>(c), nullptr);
            EXPECT_EQ(qobject_cast<QLabel*>(c)->buddy(),
                      form.control(QString::fromUtf8(o.labelFor)));
        }
        EXPECT_EQ(!c->isHidden(), o.visible);
        if (qobject_cast<VbLabel*>(c) != nullptr && o.autoSize) {
            // An autosized label is as large as its caption; it keeps its place.
            EXPECT_EQ(TwipsOf(c).topLeft(), d.twips.topLeft());
        } else {
            EXPECT_EQ(TwipsOf(c), d.twips);
        }
        if (auto* button = qobject_cast<QAbstractButton*>(c)) {
            EXPECT_EQ(button->text(), caption);
        } else if (auto* text = qobject_cast<QLineEdit*>(c)) {
            EXPECT_EQ(text->text(), caption);
            EXPECT_EQ(text->toolTip(), QString::fromUtf8(o.toolTip));
        } else if (auto* label = qobject_cast<VbLabel*>(c)) {
            EXPECT_EQ(label->Caption(), caption);
            EXPECT_EQ(label->AutoSize(), o.autoSize);
            EXPECT_EQ(label->wordWrap(), o.wordWrap);
            if (o.color) {
                EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor::fromRgb(*o.color));
            }
        } else if (auto* shape = qobject_cast<ShapeRect*>(c)) {
            EXPECT_EQ(shape->BorderStyle(), o.borderStyle);
            EXPECT_EQ(shape->BorderColor(), QColor::fromRgb(o.color.value_or(qRgb(0, 0, 0))));
        } else if (auto* frame = qobject_cast<PictureFrame*>(c)) {
            EXPECT_EQ(frame->BorderStyle(), o.borderStyle);
            EXPECT_EQ(frame->AutoSize(), o.autoSize);
        }
        if (d.tabIndex != kNoTab) {
            tabs.emplace_back(d.tabIndex, name);
        }
    }
    std::sort(tabs.begin(), tabs.end());
    QStringList order;
    for (const auto& tab : tabs) {
        order << tab.second;
    }
    if (!order.isEmpty()) {
        EXPECT_EQ(TabOrder(form.control(order.constFirst()), int(order.size())), order);
    }
}

void Click(QPushButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

bool Drop(QWidget* widget, QPoint at, const QMimeData* data) {
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
    QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &drop);
    return drop.isAccepted();
}

}  // namespace lanxi::test
