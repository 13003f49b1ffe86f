#include "forms/accessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <utility>
#include <vector>

#include "base/numbers.h"
#include "forms/controls.h"
#include "forms/picture_frame.h"

namespace lanxi {
namespace {

// The frame a control lies on: the frame itself, or the frame whose inside it is.
PictureFrame* frameOf(QWidget* widget) {
    if (widget == nullptr) {
        return nullptr;
    }
    if (auto* frame = qobject_cast<PictureFrame*>(widget)) {
        return frame;
    }
    auto* frame = qobject_cast<PictureFrame*>(widget->parentWidget());
    return frame != nullptr && frame->inside() == widget ? frame : nullptr;
}

// A frame holding controls of its own is a pane; one holding none, or only shapes drawn over
// its picture, shows a picture.
bool holdsControls(const PictureFrame* frame) {
    for (const QObject* child : frame->inside()->children()) {
        const auto* widget = qobject_cast<const QWidget*>(child);
        if (widget != nullptr && widget != frame->inside() &&
            qobject_cast<const ShapeRect*>(widget) == nullptr) {
            return true;
        }
    }
    return false;
}

QString pixels(float units, int unitsPerPixel) {
    return Readout(float(double(units) / unitsPerPixel));
}

class FrameInterface : public QAccessibleWidget {
  public:
    explicit FrameInterface(PictureFrame* frame) : QAccessibleWidget(frame, QAccessible::Graphic) {}

    QAccessible::Role role() const override {
        return holdsControls(frame()) ? QAccessible::Pane : QAccessible::Graphic;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description && role() == QAccessible::Graphic) {
            return FrameDescription(frame());
        }
        return QAccessibleWidget::text(t);
    }

  private:
    PictureFrame* frame() const { return static_cast<PictureFrame*>(widget()); }
};

class ShapeInterface : public QAccessibleWidget {
  public:
    explicit ShapeInterface(ShapeRect* shape) : QAccessibleWidget(shape, QAccessible::Graphic) {}

    // A shape drawn over a picture (the crop rectangle) tells its place on it; any other is
    // described by its design.
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description && frameOf(widget()->parentWidget()) != nullptr) {
            return ShapeDescription(static_cast<const ShapeRect*>(widget()));
        }
        return QAccessibleWidget::text(t);
    }
};

// A label: named by its caption, or a readout (see LabelName) whose value is its caption.
class LabelInterface : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit LabelInterface(VbLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return LabelName(widget());
            case QAccessible::Value:
                return readout() ? label()->Caption() : QString();
            default:
                return QAccessibleWidget::text(t);
        }
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface && readout()) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(t);
    }
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(
        QAccessible::Relation match) const override {
        auto found = QAccessibleWidget::relations(match);
        if ((match & QAccessible::Labelled) && label()->buddy() != nullptr) {
            found.append(
                {QAccessible::queryAccessibleInterface(label()->buddy()), QAccessible::Labelled});
        }
        return found;
    }

    // A readout's value is what it shows; readers cannot change it.
    QVariant currentValue() const override { return label()->Caption(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return {}; }
    QVariant minimumValue() const override { return {}; }
    QVariant minimumStepSize() const override { return {}; }

  private:
    VbLabel* label() const { return static_cast<VbLabel*>(widget()); }
    bool readout() const { return !widget()->accessibleName().isEmpty(); }
};

std::function<void(QAccessibleEvent*)>& readerListener() {
    static std::function<void(QAccessibleEvent*)> listener;
    return listener;
}

// Someone listens: a reader through the platform's bridge, or a test.
bool heard() {
    return QAccessible::isActive() || readerListener();
}

void tell(QAccessibleEvent* event) {
    if (readerListener()) {
        readerListener()(event);
    }
    QAccessible::updateAccessibility(event);
}

QAccessibleInterface* controlInterface(const QString& className, QObject* object) {
    // A window of the program's own is a window to readers, who announce it by its title.
    if (className == QLatin1String("QWidget") && static_cast<QWidget*>(object)->isWindow()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    if (className == QLatin1String(PictureFrame::staticMetaObject.className())) {
        return new FrameInterface(static_cast<PictureFrame*>(object));
    }
    if (className == QLatin1String(ShapeRect::staticMetaObject.className())) {
        return new ShapeInterface(static_cast<ShapeRect*>(object));
    }
    if (className == QLatin1String(VbLabel::staticMetaObject.className())) {
        return new LabelInterface(static_cast<VbLabel*>(object));
    }
    return nullptr;
}

// Tells readers of changed descriptions once the current event is done: a crop rectangle moved
// by one key changes its four sides one after the other, and is heard once.
class Announcer : public QObject {
  public:
    using QObject::QObject;

    void add(QWidget* control) {
        for (const QPointer<QWidget>& p : pending_) {
            if (p == control) {
                return;
            }
        }
        pending_.emplace_back(control);
        if (pending_.size() == 1) {
            QTimer::singleShot(0, this, &Announcer::flush);
        }
    }

  private:
    void flush() {
        const std::vector<QPointer<QWidget>> controls = std::exchange(pending_, {});
        for (const QPointer<QWidget>& control : controls) {
            QAccessibleInterface* iface =
                control ? QAccessible::queryAccessibleInterface(control) : nullptr;
            if (iface == nullptr) {
                continue;
            }
            const QString now = iface->text(QAccessible::Description);
            const char* const told = "lanxiToldDescription";
            if (control->property(told).toString() == now && control->property(told).isValid()) {
                continue;
            }
            control->setProperty(told, now);
            QAccessibleEvent event(control.data(), QAccessible::DescriptionChanged);
            tell(&event);
        }
    }

    std::vector<QPointer<QWidget>> pending_;
};

class EnterPresses : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button == nullptr || (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
            return false;
        }
        if (!key->isAutoRepeat() && button->isEnabled()) {
            button->click();
        }
        return true;
    }
};

}  // namespace

void UseAccessibleControls() {
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(controlInterface);
    }
}

QString FrameDescription(const PictureFrame* frame) {
    QStringList parts;
    if (frame->Picture().isEmpty() && frame->paintingCount() == 0) {
        parts << QStringLiteral("没有图片");
    } else {
        parts
            << QStringLiteral("%1 × %2 像素").arg(frame->insideWidth()).arg(frame->insideHeight());
    }
    for (const QObject* child : frame->inside()->children()) {
        const auto* shape = qobject_cast<const ShapeRect*>(child);
        if (shape != nullptr && shape->Visible() && !shape->accessibleName().isEmpty()) {
            parts << shape->accessibleName() + QLatin1Char(' ') + ShapeDescription(shape);
        }
    }
    if (!frame->accessibleDescription().isEmpty()) {
        parts << frame->accessibleDescription();
    }
    return parts.join(QStringLiteral("；"));
}

QString ShapeDescription(const ShapeRect* shape) {
    const int units = UnitsPerPixelOf(shape->parentWidget());
    return QStringLiteral("%1 × %2 像素，左上角 (%3, %4)")
        .arg(pixels(shape->Width(), units), pixels(shape->Height(), units),
             pixels(shape->Left(), units), pixels(shape->Top(), units));
}

QString LabelName(const QWidget* label) {
    const auto* vb = qobject_cast<const VbLabel*>(label);
    const QString caption = vb != nullptr ? vb->Caption() : QString();
    const QString name = label->accessibleName();
    if (name.isEmpty() || caption.startsWith(name)) {
        return caption.isEmpty() ? name : caption;
    }
    return name + QStringLiteral("：") + caption;
}

void AnnounceDescription(QWidget* control) {
    if (!heard() || control == nullptr) {
        return;
    }
    static QPointer<Announcer> announcer;
    if (announcer == nullptr) {
        announcer = new Announcer(QCoreApplication::instance());
    }
    announcer->add(control);
    if (qobject_cast<ShapeRect*>(control) != nullptr) {
        if (PictureFrame* frame = frameOf(control->parentWidget())) {
            announcer->add(frame);
        }
    }
}

void AnnounceCaption(QWidget* label) {
    if (!heard()) {
        return;
    }
    QAccessibleEvent named(label, QAccessible::NameChanged);
    if (label->accessibleName().isEmpty()) {
        if (readerListener()) {
            readerListener()(&named);  // QLabel tells the bridge itself
        }
        return;
    }
    tell(&named);
    const auto* vb = qobject_cast<const VbLabel*>(label);
    QAccessibleValueChangeEvent value(label, vb != nullptr ? vb->Caption() : QString());
    tell(&value);
}

void SetReaderListener(std::function<void(QAccessibleEvent*)> listener) {
    readerListener() = std::move(listener);
}

void PressByEnter(QAbstractButton* button) {
    static EnterPresses* const filter = new EnterPresses;
    button->installEventFilter(filter);
}

}  // namespace lanxi
