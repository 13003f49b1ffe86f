#include "tests/support/accessibility.h"

#include <QAccessibleInterface>
#include <QCoreApplication>
#include <algorithm>
#include <functional>

#include "forms/accessibility.h"
#include "forms/controls.h"
#include "forms/picture_frame.h"

namespace lanxi::test {
namespace {

// Every node under `iface` with the object names leading to it; the rows of a list or a tree,
// each named by its text, are left out.
void walk(QAccessibleInterface* iface, const QString& path,
          const std::function<void(QAccessibleInterface*, const QString&)>& visit) {
    visit(iface, path);
    for (int i = 0; iface->tableInterface() == nullptr && i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (child != nullptr && child->object() != nullptr && child->object() != iface->object()) {
            walk(child, path + u'/' + child->object()->objectName(), visit);
        }
    }
}

}  // namespace

QStringList UnnamedControls(QWidget* window) {
    QStringList unnamed;
    walk(QAccessible::queryAccessibleInterface(window), window->objectName(),
         [&](QAccessibleInterface* iface, const QString& path) {
             const QAccessible::State state = iface->state();
             const bool picture = qobject_cast<PictureFrame*>(iface->object()) != nullptr ||
                                  iface->role() == QAccessible::Graphic;
             if ((picture || state.focusable || iface->object() == window) && !state.invisible &&
                 iface->text(QAccessible::Name).trimmed().isEmpty()) {
                 unnamed << path;
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
    return int(std::count(events_.begin(), events_.end(), std::make_pair(object, type)));
}

QStringList ReaderEvents::SilentChanges(QWidget* window) {
    QCoreApplication::processEvents();
    const QAccessible::Text texts[] = {QAccessible::Name, QAccessible::Value,
                                       QAccessible::Description};
    const QAccessible::Event told[] = {QAccessible::NameChanged, QAccessible::ValueChanged,
                                       QAccessible::DescriptionChanged};
    QStringList silent;
    QHash<const QObject*, QStringList> now;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisible() ||
            (qobject_cast<PictureFrame*>(w) == nullptr && qobject_cast<ShapeRect*>(w) == nullptr &&
             qobject_cast<VbLabel*>(w) == nullptr)) {
            continue;
        }
        QStringList& shown = now[w];
        for (int i = 0; i < 3; ++i) {
            shown << QAccessible::queryAccessibleInterface(w)->text(texts[i]);
            if (shown_.contains(w) && shown_[w][i] != shown[i] && Count(w, told[i]) == 0) {
                silent << QStringLiteral("%1 %2 → %3").arg(w->objectName(), shown_[w][i], shown[i]);
            }
        }
    }
    shown_ = now;
    events_.clear();
    return silent;
}

}  // namespace lanxi::test
