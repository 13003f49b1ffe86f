#include "tests/support/accessibility.h"

#include <QAccessibleInterface>
#include <QCoreApplication>
#include <functional>

#include "forms/accessibility.h"
#include "forms/controls.h"
#include "forms/picture_frame.h"

namespace lanxi::test {
namespace {

using Visit = std::function<void(QAccessibleInterface*, const QString& path)>;

// Every node under `iface`, with the object names leading to it; an item without an object of
// its own is named by its number.
void walk(QAccessibleInterface* iface, const QString& path, const Visit& visit) {
    visit(iface, path);
    if (iface->tableInterface() != nullptr) {
        return;  // rows of files and folders, each named by its text
    }
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (child == nullptr) {
            continue;
        }
        if (child->object() == nullptr || child->object() == iface->object()) {
            visit(child, path + QStringLiteral("[%1]").arg(i));
        } else {
            walk(child, path + u'/' + child->object()->objectName(), visit);
        }
    }
}

// The framework's own controls, whose changes the framework tells.
bool framework(const QObject* object) {
    return qobject_cast<const PictureFrame*>(object) != nullptr ||
           qobject_cast<const ShapeRect*>(object) != nullptr ||
           qobject_cast<const VbLabel*>(object) != nullptr;
}

}  // namespace

QStringList UnnamedControls(QWidget* window) {
    QStringList unnamed;
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window);
    if (root == nullptr) {
        return {QStringLiteral("%1 (no interface)").arg(window->objectName())};
    }
    walk(root, window->objectName(), [&](QAccessibleInterface* iface, const QString& path) {
        const QAccessible::State state = iface->state();
        const bool picture = qobject_cast<PictureFrame*>(iface->object()) != nullptr ||
                             iface->role() == QAccessible::Graphic;
        if ((picture || state.focusable || iface == root) && !state.invisible &&
            iface->text(QAccessible::Name).trimmed().isEmpty()) {
            unnamed << path;
        }
        for (int i = 0; i < iface->childCount(); ++i) {
            QAccessibleInterface* child = iface->child(i);
            if (child != nullptr && child->object() != nullptr &&
                child->object() != iface->object() &&
                (child->parent() == nullptr || child->parent()->object() != iface->object())) {
                unnamed << path + QStringLiteral(" (child %1 names another parent)").arg(i);
            }
        }
    });
    return unnamed;
}

ReaderEvents::ReaderEvents() {
    SetReaderListener(
        [this](QAccessibleEvent* event) { events_.emplace_back(event->object(), event->type()); });
}

ReaderEvents::~ReaderEvents() {
    SetReaderListener(nullptr);
}

int ReaderEvents::Count(const QObject* object, QAccessible::Event type) const {
    int n = 0;
    for (const auto& [o, t] : events_) {
        n += o == object && t == type ? 1 : 0;
    }
    return n;
}

void ReaderEvents::Look(QWidget* window) {
    shown_.clear();
    events_.clear();
    walk(QAccessible::queryAccessibleInterface(window), {},
         [&](QAccessibleInterface* iface, const QString&) {
             QObject* object = iface->object();
             if (framework(object) && !iface->state().invisible &&
                 QAccessible::queryAccessibleInterface(object) == iface) {
                 shown_.insert(object,
                               {iface->text(QAccessible::Name), iface->text(QAccessible::Value),
                                iface->text(QAccessible::Description)});
             }
         });
}

QStringList ReaderEvents::SilentChanges(QWidget* window) {
    QCoreApplication::processEvents();
    QStringList silent;
    const auto told = [&](QObject* object, std::initializer_list<QAccessible::Event> types) {
        for (const QAccessible::Event type : types) {
            if (Count(object, type) > 0) {
                return true;
            }
        }
        return false;
    };
    const auto check = [&](QObject* object, const QString& what, const QString& before,
                           const QString& now, std::initializer_list<QAccessible::Event> types) {
        if (before != now && !told(object, types)) {
            silent << QStringLiteral("%1 %2：%3 → %4").arg(object->objectName(), what, before, now);
        }
    };
    walk(QAccessible::queryAccessibleInterface(window), {},
         [&](QAccessibleInterface* iface, const QString&) {
             QObject* object = iface->object();
             const auto was = shown_.constFind(object);
             if (was == shown_.constEnd() || iface->state().invisible ||
                 QAccessible::queryAccessibleInterface(object) != iface) {
                 return;
             }
             // A combo box's name is its choice; a readout's name holds its value.
             check(object, QStringLiteral("名称"), was->name, iface->text(QAccessible::Name),
                   {QAccessible::NameChanged, QAccessible::ValueChanged});
             check(object, QStringLiteral("值"), was->value, iface->text(QAccessible::Value),
                   {QAccessible::ValueChanged, QAccessible::TextUpdated, QAccessible::TextInserted,
                    QAccessible::TextRemoved});
             check(object, QStringLiteral("描述"), was->description,
                   iface->text(QAccessible::Description), {QAccessible::DescriptionChanged});
         });
    Look(window);
    return silent;
}

}  // namespace lanxi::test
